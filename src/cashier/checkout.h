#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace cz {

class Database;
class OperationLog;

// The outcome of one database step of an order. On failure `error` is the engine's text and
// `errorEntry` the text of the 错误 log entry. The caller writes that entry once the transaction
// has been rolled back, so the rollback cannot take it away.
struct StepResult {
  bool ok = true;
  std::string error;
  std::string errorEntry;
  // The rowid of the row a successful insert stored.
  std::int64_t rowid = 0;
};

enum class StockDirection { Subtract, Add };

// Changes the stock of the goods with `barcode` by `quantity`, and sets its 进货价 when
// `purchasePrice` is not empty. Writes the 更新库存 entry before the statement runs. A barcode that
// matches no goods still succeeds.
StepResult updateStock(Database& db, OperationLog& log, const std::string& barcode,
                       std::int64_t quantity, StockDirection direction, const std::string& name,
                       const std::string& purchasePrice = {});
// The same for a quantity given as its text: kilograms with up to three decimals for goods sold
// by weight ("0.617"), a whole number for any other.
StepResult updateStock(Database& db, OperationLog& log, const std::string& barcode,
                       const std::string& quantity, StockDirection direction,
                       const std::string& name, const std::string& purchasePrice = {});

// Adds `points` (the text of the value to add) to the member's 积分 and writes the 更新会员
// entry. Nothing to do, and success, without a member number.
StepResult addMemberPoints(Database& db, OperationLog& log, const std::string& memberNumber,
                           const std::string& points);

// One 销售 row, its values as text in column order.
struct SaleRow {
  std::string orderNumber;  // 订单号
  std::string date;         // 日期: the timestamp text
  std::string customer;     // 客户
  std::string customerNumber;
  std::string details;  // 订单详情
  std::string due;      // 总应收
  std::string received;
  std::string points;  // 积分
  std::string payment;
  std::string creator;  // 制单人
};

// Inserts the row and writes the 销售 entry; the result carries the new row's rowid.
StepResult insertSale(Database& db, OperationLog& log, const SaleRow& row);

// The 错误 entry text of a sale that could not be stored.
std::string saleFailedEntry(const std::string& error);

// The goods' stock once a sale has taken its units, read within the checkout's transaction in
// one query for all of them: `shortIndex` is the index in `barcodes` of the first whose stock
// (any stored row of it) is below zero, because another till sold the units first; none when
// every one still has enough. ok is false when the query fails (lastError set); goods no longer
// stored count as enough.
struct StockLeft {
  bool ok = true;
  std::optional<size_t> shortIndex;
  // The stock each barcode has left once the sale took its units (the lowest, should a barcode be
  // stored twice); a barcode no longer stored is missing.
  std::unordered_map<std::string, double> left;
};
StockLeft stockLeftAfterSale(Database& db, const std::vector<std::string>& barcodes);

// A sale found stored under an order number: its rowid, 日期 text and 积分.
struct FoundSale {
  std::int64_t rowid = 0;
  std::string date;
  std::string points;
};
struct SaleLookup {
  bool ok = true;  // false when the query failed (lastError set)
  std::optional<FoundSale> sale;
};
// The sale stored under `orderNumber` with exactly these order details, made by `creator`: what
// a checkout whose commit went unanswered left behind when the server did store it.
SaleLookup findStoredSale(Database& db, const std::string& orderNumber, const std::string& details,
                          const std::string& creator);

}  // namespace cz
