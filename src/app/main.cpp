#include <QApplication>
#include <QFont>

#include "app/qt_windows.h"
#include "cashier/print_spooler.h"
#include "core/app_context.h"
#include "core/clock.h"
#include "core/database.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/ui/login_window.h"
#include "util/ini_file.h"
#include "util/list_model.h"
#include "util/ui/qt_ui_queue.h"

int main(int argc, char* argv[]) {
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
  cz::QtUiQueue uiQueue;
  // Sends the ESC/POS jobs of every window, off the UI thread.
  cz::PrintSpooler printSpooler(uiQueue);
  cz::QtWindows windows(logList);
  cz::AppContext app{db,
                     session,
                     log,
                     clock,
                     windows,
                     uiQueue,
                     QCoreApplication::applicationDirPath().toStdString(),
                     cz::accountMemoryFilePath(),
                     &printSpooler};
  windows.setContext(&app);

  auto* login = new cz::LoginWindow(app);
  windows.setLoginWindow(login);
  login->created();
  login->show();

  const int status = application.exec();
  // A receipt still on its way when the last window went is sent before the program ends.
  printSpooler.finishPending();
  return status;
}
