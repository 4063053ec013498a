#pragma once

#include <optional>
#include <string>
#include <vector>

#include "storage/database.h"

namespace cz {

struct TableDef {
  std::string name;
  std::vector<ColumnDef> columns;
  // Message box title when creating the table fails.
  std::string failureTitle;
};

// The seven tables in the order they are created.
const std::vector<TableDef>& schemaTables();

// Why creating the tables failed: the failed step's title and the engine's error.
struct SchemaFailure {
  std::string title;
  std::string error;
};

// Creates every table and the admin account in one transaction. On failure the transaction is
// rolled back (the file is left without tables) and the failed step is returned.
std::optional<SchemaFailure> createTables(Database& db);

// Creates the lookup indexes when missing (goods by barcode and by name, orders by date, members
// by trimmed name and by trimmed contact), on new and old files alike. A failure (no tables yet,
// a read-only file) is ignored: the statements then still work, only slower.
// Also creates the till's own tables when missing (交班记录: the shift closes; 挂单: parked
// orders), which old files do not have; only in a file that holds the shop's tables.
void ensureIndexes(Database& db);

// On a server: a table 行数 that keeps the number of 销售 and of 进货 rows, kept by triggers, so
// the order lists count a million orders without reading them (the server has no cheap
// count(*)); the server reads "select count(*) from 销售" from it. Made once, by the first start.
void keepOrderCounts(Database& db);

// The till's own tables, created when missing beside the seven.
const std::vector<TableDef>& tillTables();

// The SQL expression of `expression` (a column name or "?") with blanks trimmed from both ends:
// spaces, tabs, line breaks and the full-width space. trimmedSql("姓名") and
// trimmedSql("联系方式") are the keys of the member indexes, so a query that compares exactly
// these expressions is one index lookup.
std::string trimmedSql(const std::string& expression);

}  // namespace cz
