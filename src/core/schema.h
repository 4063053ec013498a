#pragma once

#include <string>
#include <vector>

#include "core/database.h"

namespace cz {

class Dialogs;
class OperationLog;

struct TableDef {
  std::string name;
  std::vector<ColumnDef> columns;
  // Message box title when creating the table fails.
  std::string failureTitle;
};

// The seven tables in the order they are created.
const std::vector<TableDef>& schemaTables();

// Creates every table and the admin account in one transaction, then logs
// "成功创建数据库". On failure the transaction is rolled back (the file is left without tables),
// the engine's error is shown titled by the failed step and false is returned.
bool createSchema(Database& db, OperationLog& log, Dialogs& dialogs);

// Creates the lookup indexes when missing (goods by barcode and by name, orders by date), on new
// and old files alike. A failure (no tables yet, a read-only file) is ignored: the statements
// then still work, only slower.
void ensureIndexes(Database& db);

}  // namespace cz
