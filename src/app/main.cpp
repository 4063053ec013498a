#include <QApplication>
#include <QFont>

#include <unistd.h>

#include <iostream>

#include "app/exit_signals.h"
#include "app/qt_windows.h"
#include "app/unexpected_exit.h"
#include "core/app_context.h"
#include "core/backup_command.h"
#include "core/backup_service.h"
#include "core/command_line.h"
#include "core/data_folder.h"
#include "core/login.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/ui/login_window.h"
#include "core/ui/qt_backup_screen.h"
#include "core/ui/qt_dialogs.h"
#include "core/ui/qt_translations.h"
#include "core/ui/server_wait_indicator.h"
#include "printing/print_spooler.h"
#include "reports/export_command.h"
#include "storage/database.h"
#include "storage/database_kind.h"
#include "util/clock.h"
#include "util/ini_file.h"
#include "util/list_model.h"
#include "util/ui/qt_text.h"
#include "util/ui/qt_ui_queue.h"

int main(int argc, char* argv[]) {
  // --help, --version and mistakes are answered before Qt needs a display.
  const cz::ParsedCommandLine commandLine = cz::parseCommandLine(argc, argv);
  if (const auto exitCode = cz::answerWithoutWindows(commandLine, std::cout, std::cerr)) {
    return *exitCode;
  }
  // --backup DIR, --check, --copy-to-postgres CONN and --export-sales FROM TO FILE: one job from a
  // terminal or cron, without any window, on the data folder the program would open.
  if (commandLine.options.check || commandLine.options.backupFolder ||
      commandLine.options.copyToServer || !commandLine.options.exportSales.empty()) {
    const cz::DataFolderChoice choice = cz::chooseDataFolder(
        commandLine.options.dataFolder, cz::executableDirectory(), cz::userDataFolder(),
        [](const std::string& folder) { return cz::folderWriteProblem(folder).empty(); });
    if (!commandLine.options.exportSales.empty()) {
      return cz::runExportSalesCommand(choice.folder, commandLine.options.exportSales, std::cout);
    }
    // The copy's running count only on a terminal, where \r rewrites the line.
    std::ostream* progress = ::isatty(STDOUT_FILENO) ? &std::cout : nullptr;
    return *cz::runTerminalCommand(commandLine.options, choice.folder, std::cout, progress);
  }

  // Every argument is the program's own, so Qt is given none of them to interpret.
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  // Matches the menu entry, so docks and Wayland show the program's own icon.
  QGuiApplication::setDesktopFileName("cn.chenzhou_pos.ChenzhouPos");

  // Windows are hidden and moved rather than closed; the program ends when the last is destroyed.
  QApplication::setQuitOnLastWindowClosed(false);
  cz::installQtChineseTranslations(application);
  QFont font = QApplication::font();
  font.setFamilies({"WenQuanYi Micro Hei", "Noto Sans CJK SC", font.family()});
  QApplication::setFont(font);

  const cz::DataFolderResult data =
      cz::openDataFolder(commandLine.options.dataFolder,
                         cz::ss(QCoreApplication::applicationDirPath()), cz::userDataFolder());
  if (!data.error.empty()) {
    std::cerr << "chenzhou-pos: " << cz::ss(cz::qsLines(data.error)) << '\n';
    cz::QtDialogs(nullptr).message(data.error, cz::kDataFolderErrorTitle, cz::MessageIcon::Warning);
    return 1;
  }

  // A misspelt database type opens nothing: a new data.db would take the till's sales apart
  // from the other tills'.
  const cz::DatabaseChoice databaseChoice = cz::readDatabaseChoice(data.folder + "/配置.ini");
  if (databaseChoice.kind == cz::DatabaseKind::Invalid) {
    std::cerr << "chenzhou-pos: " << databaseChoice.error << '\n';
    cz::QtDialogs(nullptr).message(databaseChoice.error, "打开数据库失败",
                                   cz::MessageIcon::Warning);
    return 1;
  }

  // Process-wide state, alive until the event loop ends; the connection closes with `db`.
  cz::Database db;
  cz::Session session;
  cz::ListModel logList;
  cz::SystemClock clock;
  cz::OperationLog log(db, session, clock, logList);
  cz::QtUiQueue uiQueue;
  // Sends the ESC/POS jobs of every window, off the UI thread.
  cz::PrintSpooler printSpooler(uiQueue);
  cz::QtWindows windows(logList);
  // The exit ended (the exit backup written): the event loop ends, or does not start.
  bool ended = false;
  windows.onEnded([&ended] {
    ended = true;
    QCoreApplication::quit();
  });
  cz::AppContext app{db,           session, log,         clock,
                     windows,      uiQueue, data.folder, cz::accountMemoryFilePath(),
                     &printSpooler};
  windows.setContext(&app);
  // A server call that takes a while shows the busy cursor and a line in the bottom bar.
  cz::ServerWaitIndicator serverWait;
  db.setWaitHook([&serverWait](bool waiting) { serverWait.waiting(waiting); });

  // Backups at the day's first start and at exit, and the settings window's backup buttons.
  cz::QtDialogs backupDialogs(nullptr);
  cz::QtBackupScreen backupScreen;
  cz::Backups backups(app, backupDialogs, backupScreen);
  app.backups = &backups;
  // A shutdown, a logout or Ctrl+C ends the program through its exit, closing data.db cleanly;
  // a second one, or one while the exit waits in a box, ends it at once.
  cz::installExitSignals([&] {
    backups.signalled();
    if (!windows.quitting()) {
      cz::exitWithoutAsking(app);
    } else if (!backups.busy()) {
      ended = true;
      QCoreApplication::quit();
    }
  });

  // The window system gone: the running copy stops (its part file is swept by the next start)
  // and data.db is closed into one file.
  cz::closeUpAtUnexpectedExit([&] {
    backups.abandon();
    db.close();
  });

  auto* login = new cz::LoginWindow(app);
  windows.setLoginWindow(login);
  login->created();
  login->show();

  // A signal during start-up may have ended the program before its event loop ran.
  cz::eventLoopStarts();
  const int status = ended ? 0 : application.exec();
  cz::expectedExit();
  db.setWaitHook(nullptr);
  // Windows still left go after the backups.
  app.backups = nullptr;
  // A receipt still on its way when the last window went is sent before the program ends.
  printSpooler.finishPending();
  return status;
}
