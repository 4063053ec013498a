#include "core/backup_service.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <utility>

#include "core/app_context.h"
#include "core/backup_need.h"
#include "core/dialogs.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/windows.h"
#include "storage/backup_copies.h"
#include "storage/database.h"
#include "storage/schema.h"
#include "util/ini_file.h"
#include "util/list_model.h"
#include "util/numbers.h"
#include "util/ui_queue.h"

namespace cz {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFailureTitle = "备份失败";
constexpr const char* kRestoreTitle = "恢复数据";
constexpr const char* kBusyText = "正在备份或检查数据，请稍候再试";
constexpr std::size_t kMostLinesShown = 20;

std::int64_t steadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string lines(const std::vector<std::string>& all) {
  std::string text;
  for (std::size_t i = 0; i < all.size() && i < kMostLinesShown; ++i) {
    if (i) text += "\r\n";
    text += all[i];
  }
  if (all.size() > kMostLinesShown) {
    text += "\r\n……共" + integerText(static_cast<std::int64_t>(all.size())) + "条";
  }
  return text;
}

// The default folder is made when missing; a failure shows in the backup that follows.
void makeDefaultFolder(const BackupOptions& options) {
  if (!options.defaultFolder) return;
  std::error_code ignored;
  fs::create_directories(options.folder, ignored);
}

std::string summaryText(const std::string& copyPath, const DatabaseSummary& summary) {
  std::string text = "备份文件：" + copyPath + "\r\n最新销售单：";
  text +=
      summary.newestSale.empty() ? "无" : summary.newestSale + "（" + summary.newestSaleTime + "）";
  text += "\r\n";
  for (std::size_t i = 0; i < summary.counts.size(); ++i) {
    if (i) text += "，";
    text += summary.counts[i].first + " " + integerText(summary.counts[i].second) + " 条";
  }
  return text + "\r\n\r\n确定用此备份替换当前数据吗？";
}

bool sameDay(const LocalDateTime& a, const LocalDateTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

}  // namespace

BackupOptions readBackupOptions(const std::string& settingsPath, const std::string& databasePath) {
  const IniFile file(settingsPath);
  BackupOptions options;
  const fs::path dataFolder = fs::path(databasePath).parent_path();
  const fs::path defaultFolder = (dataFolder / "备份").lexically_normal();
  const std::string folder = file.read("备份", "目录");
  fs::path chosen = folder.empty() ? defaultFolder : fs::path(folder);
  if (chosen.is_relative()) chosen = dataFolder / chosen;
  chosen = chosen.lexically_normal();
  if (!chosen.has_filename() && chosen.has_parent_path()) chosen = chosen.parent_path();
  options.folder = chosen.string();
  options.defaultFolder = chosen == defaultFolder;

  // Only a whole number is a count: "1,000" or "1e3" read as 1 would delete all but one copy.
  const std::string keep = file.read("备份", "保留", "30");
  const std::size_t first = keep.find_first_not_of(" \t");
  const std::size_t last = keep.find_last_not_of(" \t");
  const std::string digits =
      first == std::string::npos ? std::string() : keep.substr(first, last - first + 1);
  if (!digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos) {
    constexpr std::int64_t kMostCopies = 1000000;
    options.keep =
        digits.size() > 7
            ? static_cast<int>(kMostCopies)
            : static_cast<int>(std::clamp<std::int64_t>(std::stoll(digits), 1, kMostCopies));
  } else {
    options.keepError = "备份设置有误：保留=[" + keep + "]不是整数，按保留" +
                        std::to_string(options.keep) + "份处理";
  }
  options.automatic = file.read("备份", "自动", "真") != "假";
  return options;
}

BackupClient::~BackupClient() {
  if (m_app.backups) m_app.backups->forget(*this);
}

Backups::Backups(AppContext& app, Dialogs& dialogs, BackupScreen& screen)
    : m_app(app), m_dialogs(dialogs), m_screen(screen) {}

Backups::~Backups() {
  if (m_control) m_control->cancel();
  if (m_worker.joinable()) m_worker.join();
}

void Backups::abandon() {
  m_alive = std::make_shared<bool>(false);
  if (m_control) m_control->cancel();
  if (m_worker.joinable()) m_worker.join();
}

BackupOptions Backups::options() const {
  BackupOptions options =
      readBackupOptions(m_app.session.settingsFilePath(), m_app.session.databasePath());
  if (!options.keepError.empty() && !m_keepErrorLogged && m_app.db.isOpen()) {
    m_keepErrorLogged = true;
    m_app.log.write(LogType::Error, options.keepError);
  }
  return options;
}

void Backups::forget(BackupClient& client) {
  if (m_client == &client) m_client = nullptr;
  if (m_progress == &client.screen()) m_progress = nullptr;
}

void Backups::run(Work work, BackupScreen* progress, const std::string& text, bool blocking,
                  bool cancellable, const Pace& pace) {
  if (m_worker.joinable()) m_worker.join();
  m_running = true;
  auto control = std::make_shared<CopyControl>();
  control->pagesPerStep = pace.pagesPerStep;
  control->pause = pace.pause;
  const std::weak_ptr<bool> alive = m_alive;
  UiQueue& ui = m_app.ui;
  auto lastPost = std::make_shared<std::atomic<std::int64_t>>(0);
  control->progress = [this, alive, &ui, lastPost](std::int64_t done, std::int64_t total) {
    // A few updates a second are enough for a progress bar.
    const std::int64_t now = steadyMilliseconds();
    if (done < total && now - lastPost->load() < 100) return;
    lastPost->store(now);
    ui.post([this, alive, done, total] {
      if (alive.expired()) return;
      if (m_progress) m_progress->setProgress(done, total);
    });
  };
  m_control = control;
  m_progress = progress;
  if (progress) {
    std::function<void()> cancel;
    if (cancellable)
      cancel = [weak = std::weak_ptr<CopyControl>(control)] {
        if (auto c = weak.lock()) c->cancel();
      };
    progress->showProgress(text, blocking, std::move(cancel));
  }
  m_worker = std::thread([this, work = std::move(work), control, alive, &ui] {
    Outcome outcome = work(*control);
    ui.post([this, alive, outcome = std::move(outcome)] {
      if (alive.expired()) return;
      finished(outcome);
    });
  });
}

void Backups::finished(const Outcome& outcome) {
  if (m_worker.joinable()) m_worker.join();
  m_running = false;
  m_control.reset();
  BackupScreen* progress = std::exchange(m_progress, nullptr);
  BackupClient* client = std::exchange(m_client, nullptr);
  if (progress) progress->hideProgress();
  outcome(client);
  if (m_afterRunning && !m_running) std::exchange(m_afterRunning, nullptr)();
}

void Backups::report(const std::string& text, BackupClient* client) {
  m_app.log.write(LogType::Error, text);
  if (m_exiting) {
    if (!m_signalled) m_dialogs.message(text, kFailureTitle, MessageIcon::Warning);
  } else if (client) {
    client->dialogs().message(text, kFailureTitle, MessageIcon::Warning);
  } else {
    m_screen.notify(text, kFailureTitle, MessageIcon::Warning);
  }
}

void Backups::logNotRemoved(const BackupResult& result) {
  for (const std::string& item : result.notRemoved) {
    m_app.log.write(LogType::Error, "删除旧备份失败：" + item);
  }
}

Backups::Work Backups::backupWork(const std::string& keepAlso, bool onlyWhenStored) {
  const BackupOptions options = this->options();
  const std::string database = m_app.session.databasePath();
  const LocalDateTime now = m_app.clock.now();
  return [this, options, database, now, keepAlso, onlyWhenStored](CopyControl& control) -> Outcome {
    makeDefaultFolder(options);
    if (onlyWhenStored) {
      // Nothing stored since the newest copy: another copy would hold the same data.
      const std::vector<BackupCopy> copies = listBackups(options.folder);
      if (!copies.empty() && !storedSince(database, copies.back().path)) {
        return [](BackupClient*) {};
      }
    }
    const BackupResult result =
        writeBackup(database, options.folder, options.keep, now, control, keepAlso);
    return [this, result](BackupClient* client) { backupDone(result, client); };
  };
}

void Backups::backupDone(const BackupResult& result, BackupClient* client) {
  if (result.stopped) {
    if (m_exiting) {
      m_app.log.write(LogType::Error, "备份未完成：退出程序时已停止");
    } else if (client) {
      client->dialogs().message("备份已取消");
    }
    return;
  }
  if (!result.ok) {
    report(result.error, client);
    return;
  }
  logNotRemoved(result);
  if (!client) return;
  std::string text = "备份完成，已保存到：\r\n" + result.path;
  if (!result.removed.empty()) {
    text += "\r\n已删除较早的备份" + integerText(static_cast<std::int64_t>(result.removed.size())) +
            "份";
  }
  client->dialogs().message(text);
}

void Backups::atStart() {
  if (m_running || m_exiting || !m_app.db.isOpen() || m_app.db.onServer()) return;
  const BackupOptions options = this->options();
  if (!options.automatic) return;
  const std::string database = m_app.session.databasePath();
  const LocalDateTime now = m_app.clock.now();
  // The folder is looked at on the worker thread: a share that does not answer must not hold
  // up the login window.
  run(
      [this, options, database, now](CopyControl& control) -> Outcome {
        makeDefaultFolder(options);
        const std::vector<BackupCopy> copies = listBackups(options.folder);
        for (const BackupCopy& copy : copies) {
          if (sameDay(copy.time, now)) return [](BackupClient*) {};
        }
        if (!copies.empty() && !storedSince(database, copies.back().path)) {
          return [](BackupClient*) {};
        }
        const BackupResult result =
            writeBackup(database, options.folder, options.keep, now, control);
        return [this, result](BackupClient*) { backupDone(result, nullptr); };
      },
      nullptr, {}, false, false, background);
}

void Backups::backupNow(BackupClient& client) {
  if (m_app.db.onServer()) {
    client.dialogs().message(kOnServerText);
    return;
  }
  if (m_running) {
    client.dialogs().message(kBusyText);
    return;
  }
  run(backupWork(), &client.screen(), "正在备份数据，请稍候…", false, true, background);
  m_client = &client;
}

void Backups::checkNow(BackupClient& client) {
  if (m_app.db.onServer()) {
    client.dialogs().message(kOnServerText);
    return;
  }
  if (m_running) {
    client.dialogs().message(kBusyText);
    return;
  }
  const std::string database = m_app.session.databasePath();
  run(
      [this, database](CopyControl& control) -> Outcome {
        const IntegrityReport report = checkDatabaseFile(database, CheckDepth::Full, &control);
        return [this, report](BackupClient* client) {
          if (report.stopped) return;
          if (report.ok) {
            if (client)
              client->dialogs().message("数据库完好");
            else
              m_screen.notify("数据库完好", kDefaultTitle, MessageIcon::Information);
            return;
          }
          const std::string text = "数据库有错误：\r\n" + lines(report.problems);
          m_app.log.write(LogType::Error, text);
          if (client) {
            client->dialogs().message(text, "检查数据库", MessageIcon::Warning);
          } else {
            m_screen.notify(text, "检查数据库", MessageIcon::Warning);
          }
        };
      },
      &client.screen(), "正在检查数据库，请稍候…", false, true, background);
  m_client = &client;
}

void Backups::restoreFrom(const std::string& copyPath, BackupClient& client) {
  if (m_app.db.onServer()) {
    client.dialogs().message(kOnServerText);
    return;
  }
  if (m_running) {
    client.dialogs().message(kBusyText);
    return;
  }
  run(
      [this, copyPath](CopyControl& control) -> Outcome {
        const IntegrityReport report = checkDatabaseFile(copyPath, CheckDepth::Full, &control);
        DatabaseSummary summary;
        if (report.ok) summary = summarizeDatabase(copyPath);
        return [this, copyPath, report, summary](BackupClient* client) {
          // Without its window nobody is asked, and nothing is restored.
          if (!client || m_exiting || report.stopped) return;
          if (!report.ok || !summary.error.empty()) {
            const std::string text =
                "此备份文件不能用于恢复：\r\n" + copyPath + "\r\n原因：" +
                (report.ok ? summary.error : "没有通过完整性检查\r\n" + lines(report.problems));
            m_app.log.write(LogType::Error, text);
            client->dialogs().message(text, kRestoreTitle, MessageIcon::Warning);
            return;
          }
          if (!client->dialogs().ask(summaryText(copyPath, summary))) return;
          // Like a shift change: the main window goes (its leaving entry goes into the current
          // data, which the copy taken next keeps) and the login window comes back. The file is
          // swapped only once every window that reads it is gone with its worker threads.
          m_restoring = true;
          m_app.windows.destroyMainWindow();
          m_app.windows.centreLoginWindow();
          m_app.windows.afterMainWindowGone([this, alive = std::weak_ptr<bool>(m_alive), copyPath] {
            if (!alive.expired()) restoreAfterMainWindow(copyPath);
          });
        };
      },
      &client.screen(), "正在检查备份文件，请稍候…", false, true, background);
  m_client = &client;
}

void Backups::restoreAfterMainWindow(const std::string& copyPath) {
  m_restoring = false;
  if (m_exiting || m_running) return;
  const std::string database = m_app.session.databasePath();
  const std::string prepared = database + ".restoring";
  const BackupOptions options = this->options();
  const LocalDateTime now = m_app.clock.now();
  run(
      [this, copyPath, prepared, database, options, now](CopyControl& control) -> Outcome {
        // The copy goes beside data.db first, so the backup of the current data that follows
        // may rotate the chosen copy out of its folder without harm.
        const BackupResult copied = copyDatabase(copyPath, prepared, control);
        BackupResult before;
        if (copied.ok) {
          makeDefaultFolder(options);
          before = writeBackup(database, options.folder, options.keep, now, control, copyPath);
        }
        return [this, copyPath, prepared, copied, before](BackupClient*) {
          std::error_code ignored;
          if (!copied.ok || !before.ok || m_exiting) {
            fs::remove(prepared, ignored);
            if (m_exiting) {
              m_app.log.write(LogType::Error, "恢复数据未完成：程序退出");
              return;
            }
            if (copied.stopped || before.stopped) {
              m_dialogs.message("已取消恢复，当前数据没有改变。");
              return;
            }
            const std::string text =
                "未能恢复数据，当前数据没有改变。\r\n" +
                (copied.ok ? "恢复前无法先备份当前数据。\r\n" + before.error : copied.error);
            m_app.log.write(LogType::Error, text);
            m_dialogs.message(text, kRestoreTitle, MessageIcon::Warning);
            return;
          }
          logNotRemoved(before);
          swapIn(copyPath, prepared, before.path);
        };
      },
      &m_screen, "正在恢复数据，请稍候…", true, true, alone);
}

void Backups::swapIn(const std::string& copyPath, const std::string& prepared,
                     const std::string& before) {
  Database& db = m_app.db;
  const std::string database = m_app.session.databasePath();
  // Fold the write-ahead log into the file and close it, so nothing of the current data waits
  // in a log that could be applied to the restored file.
  db.execute("PRAGMA wal_checkpoint(TRUNCATE)");
  db.close();
  const std::string error = swapInDatabase(prepared, database);
  const bool reopened = db.open(database);
  if (reopened) ensureIndexes(db);
  if (!error.empty()) {
    std::error_code ignored;
    fs::remove(prepared, ignored);
    const std::string text = "未能恢复数据，当前数据没有改变。\r\n" + error;
    m_app.log.write(LogType::Error, text);
    m_dialogs.message(text, kRestoreTitle, MessageIcon::Warning);
    return;
  }
  if (!reopened) {
    m_dialogs.message(db.lastError(), "打开数据库失败", MessageIcon::Information);
    return;
  }
  m_app.log.list().clear();
  m_app.log.reloadRecent();
  m_app.log.write(LogType::System,
                  "从备份恢复数据：" + copyPath + "；恢复前的数据已备份为：" + before);
  m_dialogs.message("数据已从备份恢复：\r\n" + copyPath + "\r\n恢复前的数据已备份为：\r\n" +
                    before + "\r\n请重新登录。");
}

void Backups::atExit(std::function<void()> done) {
  if (m_exiting) return;
  m_exiting = true;
  m_exitDone = std::move(done);
  if (m_running) {
    if (m_control) m_control->setDeadline(std::chrono::steady_clock::now() + exitWait);
    if (!m_signalled) {
      // The window that started the work may be gone with its progress; this one says why the
      // program has not ended yet.
      m_progress = &m_screen;
      m_screen.showProgress(
          "正在等待备份完成，最多等待" +
              integerText(std::chrono::duration_cast<std::chrono::seconds>(exitWait).count()) +
              "秒…",
          true, nullptr);
    }
    m_afterRunning = [this] { exitBackup(); };
    return;
  }
  exitBackup();
}

void Backups::signalled() {
  if (m_signalled) {
    // A second signal: whoever sends it does not want to wait.
    if (m_control) m_control->cancel();
    return;
  }
  m_signalled = true;
  if (m_exiting && m_control) {
    m_control->setDeadline(std::chrono::steady_clock::now() + exitWait);
  }
}

void Backups::exitBackup() {
  const BackupOptions options = this->options();
  if (!options.automatic || !m_app.db.isOpen() || m_app.db.onServer()) {
    endExit();
    return;
  }
  const Work work = backupWork({}, true);
  run(
      [this, work](CopyControl& control) -> Outcome {
        const Outcome backedUp = work(control);
        return [this, backedUp](BackupClient*) {
          backedUp(nullptr);
          endExit();
        };
      },
      m_signalled ? nullptr : &m_screen, "正在备份数据，请稍候…", true, !m_signalled, alone);
  if (m_signalled && m_control) {
    m_control->setDeadline(std::chrono::steady_clock::now() + exitWait);
  }
}

void Backups::endExit() {
  if (auto done = std::exchange(m_exitDone, nullptr)) done();
}

}  // namespace cz
