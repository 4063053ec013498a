#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cz {

// `--export-sales FROM TO FILE`: writes the sales report's 按日 and 按商品 tables of the days FROM
// to TO (YYYY-MM-DD, both included) to FILE (.csv: the two tables one after the other; .xlsx: a
// sheet each), from the shop's data in `dataDir` (data.db, or the server that 配置.ini names).
// The gross margin is left out: a terminal has no account. Writes what it did, or why not, to
// `out`. Returns 0 when written, 1 when it failed, 2 when the arguments are wrong.
int runExportSalesCommand(const std::string& dataDir, const std::vector<std::string>& arguments,
                          std::ostream& out);

}  // namespace cz
