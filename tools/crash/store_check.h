#pragma once

#include <map>
#include <string>
#include <vector>

namespace cz {

class Database;

// What a store held before a run: every goods' stock and every member's points.
struct StoreBaseline {
  std::map<std::string, long long> stock;  // 条码 → 当前库存
  std::map<std::string, double> points;    // 编号 → 积分
};

StoreBaseline readBaseline(Database& db);

// Checks that a store is consistent with its baseline and its stored orders:
// - the file passes PRAGMA integrity_check;
// - every goods' stock is its baseline − sold + returned + bought, summed over the order details
//   of the stored sales (a line with a negative 总价 is a return) and purchases;
// - every member's points are the baseline plus the 积分 of the stored sales made to them;
// - every sale and purchase log entry names a stored order, and every stored order has its entry.
// Returns one text per violation; empty when the store is whole.
std::vector<std::string> checkStore(Database& db, const StoreBaseline& baseline);

}  // namespace cz
