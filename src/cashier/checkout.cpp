#include "cashier/checkout.h"

#include <algorithm>
#include <unordered_set>

#include "core/operation_log.h"
#include "storage/database.h"
#include "util/numbers.h"

namespace cz {

StepResult updateStock(Database& db, OperationLog& log, const std::string& barcode,
                       std::int64_t quantity, StockDirection direction, const std::string& name,
                       const std::string& purchasePrice) {
  return updateStock(db, log, barcode, integerText(quantity), direction, name, purchasePrice);
}

StepResult updateStock(Database& db, OperationLog& log, const std::string& barcode,
                       const std::string& count, StockDirection direction,
                       const std::string& name, const std::string& purchasePrice) {
  const bool add = direction == StockDirection::Add;
  std::string sql =
      add ? "update 库存 set 当前库存=当前库存+?" : "update 库存 set 当前库存=当前库存-?";
  SqlParams params{count};
  if (!purchasePrice.empty()) {
    sql += ",进货价=?";
    params.push_back(purchasePrice);
  }
  sql += " where 条码=?";
  params.push_back(barcode);
  log.write(LogType::Stock, std::string(add ? "增加商品：[" : "减少商品：[") + name + "][" +
                                barcode + "]库存数量：" + count);
  if (db.execute(sql, params)) return {};
  const std::string error = db.lastError();
  return {false, error, "[更新库存失败]：" + error};
}

StepResult addMemberPoints(Database& db, OperationLog& log, const std::string& memberNumber,
                           const std::string& points) {
  if (memberNumber.empty()) return {};
  if (db.execute("update 会员 set 积分=积分+? where 编号=?", {points, memberNumber})) {
    log.write(LogType::UpdateMember, "更新用户积分，[" + memberNumber + "]增加积分：" + points);
    return {};
  }
  const std::string error = db.lastError();
  return {false, error,
          "更新用户积分失败，[" + memberNumber + "]增加积分：" + points + "；原因：" + error};
}

StepResult insertSale(Database& db, OperationLog& log, const SaleRow& r) {
  if (db.execute("insert into 销售(订单号,日期,客户,客户编号,订单详情,总应收,总实收,积分,付款方式,"
                 "制单人) values(?,?,?,?,?,?,?,?,?,?)",
                 {r.orderNumber, r.date, r.customer, r.customerNumber, r.details, r.due, r.received,
                  r.points, r.payment, r.creator})) {
    const std::int64_t rowid = db.lastInsertRowId();
    log.write(LogType::Sale, "创建销售单。\r\n订单号：" + r.orderNumber + "\r\n客户：" +
                                 r.customer + "\r\n客户编号：" + r.customerNumber +
                                 "\r\n详单详情：" + r.details + "\r\n总应收：" + r.due +
                                 "\r\n总实收：" + r.received + "\r\n付款方式：" + r.payment);
    StepResult stored;
    stored.rowid = rowid;
    return stored;
  }
  const std::string error = db.lastError();
  return {false, error, saleFailedEntry(error)};
}

StockLeft stockLeftAfterSale(Database& db, const std::vector<std::string>& barcodes) {
  // A fixed number of barcodes per query (the last repeated to fill it), so the statement's text
  // is the same whatever the cart's length and is prepared once.
  constexpr size_t kPerQuery = 32;
  std::string sql = "select 条码, 当前库存 from 库存 where 条码 in (?";
  for (size_t i = 1; i < kPerQuery; ++i) sql += ",?";
  sql += ")";
  StockLeft left;
  std::unordered_set<std::string> shortOfStock;
  for (size_t start = 0; start < barcodes.size(); start += kPerQuery) {
    SqlParams params;
    params.reserve(kPerQuery);
    for (size_t i = start; i < start + kPerQuery; ++i) {
      params.push_back(barcodes[std::min(i, barcodes.size() - 1)]);
    }
    RecordSet set(db);
    if (!set.open(sql, params)) return {false, std::nullopt, {}};
    while (set.next()) {
      const double stock = readNumber(set.field(2));
      // A gram's fraction below zero is what decimals of weighed goods leave of an exact 0.
      if (stock < -0.0000005) shortOfStock.insert(set.field(1));
      const auto [at, added] = left.left.emplace(set.field(1), stock);
      if (!added) at->second = std::min(at->second, stock);
    }
    if (!db.lastError().empty()) return {false, std::nullopt, {}};
  }
  for (size_t i = 0; i < barcodes.size() && !shortOfStock.empty(); ++i) {
    if (shortOfStock.count(barcodes[i])) {
      left.shortIndex = i;
      break;
    }
  }
  return left;
}

SaleLookup findStoredSale(Database& db, const std::string& orderNumber, const std::string& details,
                          const std::string& creator) {
  RecordSet set(db);
  if (!set.open("select rowid,日期,积分 from 销售 where 订单号=? and 订单详情=? and 制单人=? "
                "order by rowid limit 1",
                {orderNumber, details, creator})) {
    return {false, std::nullopt};
  }
  SaleLookup lookup;
  if (set.next()) lookup.sale = FoundSale{readInteger(set.field(1)), set.field(2), set.field(3)};
  if (!db.lastError().empty()) return {false, std::nullopt};
  return lookup;
}

std::string saleFailedEntry(const std::string& error) {
  return "创建销售单失败：" + error;
}

}  // namespace cz
