#include "core/bootstrap.h"

#include "core/app_context.h"
#include "core/backup_service.h"
#include "core/branding.h"
#include "core/dialogs.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/windows.h"
#include "storage/database.h"
#include "storage/database_kind.h"
#include "storage/schema.h"
#include "util/ini_file.h"

namespace cz {

bool createSchema(Database& db, OperationLog& log, Dialogs& dialogs) {
  if (const std::optional<SchemaFailure> failure = createTables(db)) {
    dialogs.message(failure->error, failure->title, MessageIcon::Information);
    return false;
  }
  log.write(LogType::System, "成功创建数据库");
  return true;
}

bool openDatabase(Database& db, const std::string& settingsPath, const std::string& filePath) {
  const DatabaseChoice choice = readDatabaseChoice(settingsPath);
  if (choice.kind == DatabaseKind::Server) return db.openServer(choice.connection);
  if (choice.kind == DatabaseKind::Invalid) return false;
  return db.open(filePath);
}

std::string runBootstrap(AppContext& app, Dialogs& dialogs) {
  app.session.dataDirectory = app.dataFolder + "/";
  app.windows.loadLogWindow();

  const DatabaseChoice choice = readDatabaseChoice(app.session.settingsFilePath());
  if (choice.kind == DatabaseKind::Invalid) {
    // Nothing is opened, so no file is made that the till would sell into apart from the others.
    dialogs.message(choice.error, "打开数据库失败", MessageIcon::Warning);
  } else if (!openDatabase(app.db, app.session.settingsFilePath(), app.session.databasePath())) {
    // Nothing can be created in a file that does not open; the user is told why, and the
    // program goes on so that the log window and the message stay reachable.
    dialogs.message(app.db.lastError(), "打开数据库失败", MessageIcon::Information);
  } else if (app.db.tableCount() == 0) {
    // A new file, or one left empty by a schema creation that was rolled back.
    createSchema(app.db, app.log, dialogs);
  }
  if (app.db.isOpen()) ensureIndexes(app.db);

  app.log.reloadRecent();
  OperationLog::Entry welcome;
  welcome.text = std::string(kWelcomeText) + kSupportContact;
  welcome.displayAccount = "系统";
  app.log.write(welcome);
  // The day's first start copies the data in the background.
  if (app.backups) app.backups->atStart();

  return IniFile(app.accountMemoryPath).read("账号", "账号");
}

}  // namespace cz
