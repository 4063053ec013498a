#pragma once

#include <cstdint>
#include <map>
#include <set>
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
// - a file passes PRAGMA integrity_check;
// - no two sales, and no two purchases, share an order number;
// - every goods' stock is its baseline − sold + returned + bought, summed over the order details
//   of the stored sales (a line with a negative 总价 is a return) and purchases;
// - every member's points are the baseline plus the 积分 of the stored sales made to them;
// - every sale and purchase log entry names a stored order, and every stored order has its entry.
// Orders are only ever added, so each check reads just the rows added since the one before (and
// checks that none of those seen before went missing); a long run stays cheap to check.
class StoreChecker {
 public:
  explicit StoreChecker(StoreBaseline baseline) : m_baseline(std::move(baseline)) {}

  // One text per violation; empty when the store is whole.
  std::vector<std::string> check(Database& db);
  // Orders seen so far.
  long long orders() const { return m_saleCount + m_purchaseCount; }
  long long sales() const { return m_saleCount; }

 private:
  StoreBaseline m_baseline;
  std::map<std::string, long long> m_moved;
  std::map<std::string, double> m_earned;
  std::set<std::string> m_sales, m_purchases, m_loggedSales, m_loggedPurchases;
  long long m_saleCount = 0, m_purchaseCount = 0;
  std::int64_t m_lastSale = 0, m_lastPurchase = 0, m_lastLog = 0;
};

}  // namespace cz
