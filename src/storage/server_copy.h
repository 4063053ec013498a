#pragma once

#include <functional>
#include <iosfwd>
#include <string>

namespace cz {

class Database;

struct ServerCopyOptions {
  // Where the running count goes ("复制 销售：120000/1000000", rewritten in place with \r); none
  // when null. The final line of each table goes to the copy's `out` either way.
  std::ostream* progress = nullptr;
  // Runs on the target inside the copy's transaction after the rows are in and before they are
  // checked (the tests change a copied row there to see the check catch it).
  std::function<void(Database& target)> beforeCheck;
};

// Copies the shop in `source` (a data.db) into `target` (a server database that holds none of the
// shop's tables), all in one transaction: the tables as the first start on the server creates
// them, every row with its rowid or 编号, the indexes, the number sequences moved past the copied
// numbers. Before the commit the server's rows are read back through the same back end and
// compared with the file's, table by table: row counts and a checksum over each row's texts as
// the program reads them. Empty text when the copy is committed; otherwise the reason, and the
// server keeps nothing of it.
//
// A value the server cannot hold as it is stops the copy with its table, row and column named:
// text other than empty text in a number column (empty text goes over as NULL, which reads the
// same), a number the server would read back differently, text that is not UTF-8 or holds a NUL.
// A column of the file this program does not know stops it too; a known column the file lacks
// goes over empty.
std::string copyShopToServer(Database& source, Database& target, std::ostream& out,
                             const ServerCopyOptions& options = {});

// --copy-to-postgres: data.db of `dataDir` (opened read-only) into the server database named by
// the libpq connection string. 0 when copied; 1 when not, with the reason written to `out`.
int runCopyToServerCommand(const std::string& dataDir, const std::string& connection,
                           std::ostream& out, std::ostream* progress);

}  // namespace cz
