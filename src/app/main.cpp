#include <QApplication>
#include <QFont>

#include <iostream>

#include "app/exit_signals.h"
#include "app/qt_windows.h"
#include "core/app_context.h"
#include "core/backup_command.h"
#include "core/backup_service.h"
#include "core/clock.h"
#include "core/database.h"
#include "core/login.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/ui/login_window.h"
#include "core/ui/qt_backup_screen.h"
#include "core/ui/qt_dialogs.h"
#include "util/ini_file.h"
#include "util/list_model.h"
#include "util/ui/qt_ui_queue.h"

int main(int argc, char* argv[]) {
  // --backup DIR and --check: one job from a terminal or cron, without any window.
  if (const auto code =
          cz::runTerminalCommand({argv + 1, argv + argc}, cz::executableDirectory(), std::cout)) {
    return *code;
  }

  QApplication application(argc, argv);
  // Windows are hidden and moved rather than closed; the program ends when the last is destroyed.
  QApplication::setQuitOnLastWindowClosed(false);
  QFont font = QApplication::font();
  font.setFamilies({"WenQuanYi Micro Hei", "Noto Sans CJK SC", font.family()});
  QApplication::setFont(font);

  // Process-wide state, alive until the event loop ends; the connection closes with `db`.
  cz::Database db;
  cz::Session session;
  cz::ListModel logList;
  cz::SystemClock clock;
  cz::OperationLog log(db, session, clock, logList);
  cz::QtWindows windows(logList);
  cz::QtUiQueue uiQueue;
  cz::AppContext app{db,
                     session,
                     log,
                     clock,
                     windows,
                     uiQueue,
                     QCoreApplication::applicationDirPath().toStdString(),
                     cz::accountMemoryFilePath()};
  windows.setContext(&app);

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
      QCoreApplication::quit();
    }
  });

  auto* login = new cz::LoginWindow(app);
  windows.setLoginWindow(login);
  login->created();
  login->show();

  const int code = application.exec();
  // Windows still left go after the backups.
  app.backups = nullptr;
  return code;
}
