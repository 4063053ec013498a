#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "core/dialogs.h"
#include "storage/backup.h"

namespace cz {

struct AppContext;

// The data of a shop on a database server is backed up and checked on the server.
inline constexpr const char* kOnServerText =
    "数据保存在数据库服务器上，备份、恢复和检查由服务器负责（例如用 pg_dump 备份）";

// The [备份] keys of the settings file.
struct BackupOptions {
  // Where the copies go: 目录, a path relative to data.db's folder or absolute; by default the
  // folder 备份 beside data.db.
  std::string folder;
  // 目录 is not set. The default folder is made when missing; a folder that was set is not,
  // since a missing one is usually an unplugged stick or share, whose mount point lies on the
  // local disk.
  bool defaultFolder = true;
  // 保留: how many copies are kept (at least 1). Only a whole number, blanks around it allowed,
  // is a count; anything else keeps 30 and `keepError` says so.
  int keep = 30;
  std::string keepError;
  // 自动: backups at exit and at the day's first start; off only when exactly "假".
  bool automatic = true;
};
BackupOptions readBackupOptions(const std::string& settingsPath, const std::string& databasePath);

// Where backups show their progress and tell what happened; the windows implement it.
class BackupScreen {
 public:
  virtual ~BackupScreen() = default;
  // Shows a progress window with `text`. A `blocking` one keeps the user from every window until
  // it goes; another stays above its own window and leaves the till free. `cancel`, when given,
  // is offered as 取消.
  virtual void showProgress(const std::string& text, bool blocking,
                            std::function<void()> cancel) = 0;
  // `done` of `total`; a total of 0 shows work going on without a measure.
  virtual void setProgress(std::int64_t done, std::int64_t total) = 0;
  virtual void hideProgress() = 0;
  // Tells the user something without waiting and without taking the keyboard, so a cashier
  // scanning goods goes on typing into the till.
  virtual void notify(const std::string& text, const std::string& title, MessageIcon icon) = 0;
};

class Backups;

// A window that asks for a backup, a check or a restore: the progress and the boxes of the
// outcome are its own. When the window goes first, the work goes on and its outcome is told by
// the program's own screen.
class BackupClient {
 public:
  BackupClient(AppContext& app, Dialogs& dialogs, BackupScreen& screen)
      : m_app(app), m_dialogs(dialogs), m_screen(screen) {}
  ~BackupClient();
  BackupClient(const BackupClient&) = delete;
  BackupClient& operator=(const BackupClient&) = delete;

  Dialogs& dialogs() { return m_dialogs; }
  BackupScreen& screen() { return m_screen; }

 private:
  AppContext& m_app;
  Dialogs& m_dialogs;
  BackupScreen& m_screen;
};

// The program's backups: automatic copies at the day's first start and at exit, 立即备份, the
// database check and the restore of a copy. One piece of work runs at a time, on a worker thread
// with its own connections, so the till keeps storing orders meanwhile. Every method is called on
// the UI thread; outcomes come back through the UI queue.
class Backups {
 public:
  // `dialogs` and `screen` are the program's own, for work no window waits for.
  Backups(AppContext& app, Dialogs& dialogs, BackupScreen& screen);
  // Stops running work and waits for it.
  ~Backups();
  Backups(const Backups&) = delete;
  Backups& operator=(const Backups&) = delete;

  // The pace of copies: pages per step and the pause after each.
  struct Pace {
    int pagesPerStep;
    std::chrono::milliseconds pause;
  };
  // While the till may be storing orders: gentle on the disk, so a checkout stays quick.
  Pace background{256, std::chrono::milliseconds(10)};
  // At exit and during a restore nobody works at the till: as fast as the disk goes.
  Pace alone{4096, std::chrono::milliseconds(0)};
  // How long exit waits for running work, and how long the exit backup may take when a signal
  // ends the program.
  std::chrono::milliseconds exitWait{5000};

  // The [备份] keys. A 保留 that is no count writes one 错误 entry into the log, once.
  BackupOptions options() const;
  // Work is running (or its outcome not yet handled).
  bool busy() const { return m_running || m_restoring; }

  // The database is open: on the day's first start (no copy of today in the folder) a copy is
  // written in the background when 自动 is on, unless nothing was stored since the newest copy.
  // A failure is told once and logged as 错误.
  void atStart();

  // The last window went. Waits for running work at most exitWait, saying so, then writes the
  // exit backup when 自动 is on and something was stored since the newest copy (with a progress
  // window and 取消), then calls `done`.
  void atExit(std::function<void()> done);
  // The program is ending on a signal (shutdown, logout, Ctrl+C): exit shows no box and the exit
  // backup gets at most exitWait. A second signal stops running work at once.
  void signalled();

  // The program ends without its event loop (the window system went away): running work stops
  // at once and is waited for; its outcome is never handled.
  void abandon();

  // 立即备份: one copy with a progress window; the outcome names where it went.
  void backupNow(BackupClient& client);
  // 检查数据库: integrity_check of data.db; "数据库完好" or the engine's lines.
  void checkNow(BackupClient& client);
  // 恢复…: checks the copy with integrity_check and shows what it holds. After
  // "确定用此备份替换当前数据吗？" the main window goes, the current data is backed up, the copy
  // takes its place and the login window comes back with the restored data. A copy that fails
  // its check is not restored, and any failure leaves data.db as it was.
  void restoreFrom(const std::string& copyPath, BackupClient& client);

  // The client's window goes: nothing more is shown through it.
  void forget(BackupClient& client);

 private:
  // What the UI thread does with the outcome of work, given the client that asked for it while
  // its window still exists.
  using Outcome = std::function<void(BackupClient* client)>;
  // Work for the worker thread: it returns its outcome.
  using Work = std::function<Outcome(CopyControl&)>;

  // Starts work on the worker thread, showing its progress on `progress` when given.
  void run(Work work, BackupScreen* progress, const std::string& text, bool blocking,
           bool cancellable, const Pace& pace);
  void finished(const Outcome& outcome);
  // A copy of data.db into the folder of the settings, taken now; with `onlyWhenStored`, none
  // when nothing was stored since the newest copy there.
  Work backupWork(const std::string& keepAlso = {}, bool onlyWhenStored = false);
  void backupDone(const BackupResult& result, BackupClient* client);
  // Tells a failure once (the client's box, a notice, or a box at exit) and logs it as 错误.
  void report(const std::string& text, BackupClient* client);
  void logNotRemoved(const BackupResult& result);
  void restoreAfterMainWindow(const std::string& copyPath);
  void swapIn(const std::string& copyPath, const std::string& prepared, const std::string& before);
  void exitBackup();
  void endExit();

  AppContext& m_app;
  Dialogs& m_dialogs;
  BackupScreen& m_screen;
  std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
  std::thread m_worker;
  std::shared_ptr<CopyControl> m_control;
  bool m_running = false;
  // A restore waits for the main window to go.
  bool m_restoring = false;
  // The client of the running work and the screen showing its progress, while they exist.
  BackupClient* m_client = nullptr;
  BackupScreen* m_progress = nullptr;
  bool m_exiting = false;
  bool m_signalled = false;
  mutable bool m_keepErrorLogged = false;
  std::function<void()> m_afterRunning;
  std::function<void()> m_exitDone;
};

}  // namespace cz
