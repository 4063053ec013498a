#include "cashier/parked_orders.h"

#include "cashier/cart.h"
#include "cashier/sale_area.h"
#include "storage/database.h"
#include "util/json_document.h"
#include "util/numbers.h"
#include "util/text_grid.h"

namespace cz {
namespace {

// The key of a cart column in the parked document: the order details' key, and "类型" for the
// line type, whose header is no identifier.
std::string columnKey(const TextGrid& cart, int col) {
  if (col == kCartType) return "类型";
  const std::string& header = cart.headerText(col);
  return header == "数量(可编辑)" ? "数量" : header;
}

constexpr const char* kColumns =
    "编号,时间,订单号,客户,客户编号,折扣率,付款方式,应收,行数,订单详情,制单人";

ParkedOrder readOrder(const RecordSet& row) {
  return {readInteger(row.field(1)),
          row.field(2),
          row.field(3),
          row.field(4),
          row.field(5),
          row.field(6),
          row.field(7),
          row.field(8),
          row.field(9),
          row.field(10),
          row.field(11)};
}

}  // namespace

std::string parkedCartDetails(const TextGrid& cart) {
  TextGrid copy = cart;
  copy.setObserver(nullptr);  // the copy is no view's grid
  copy.setText(0, kCartType, "类型");
  return buildOrderDetails(copy);
}

bool restoreParkedCart(TextGrid& cart, const std::string& details) {
  JsonDocument order;
  if (!order.parse(details)) return false;
  const int count = order.arrayCount("详情页");
  cart.setRowCount(1);
  for (int i = 0; i < count; ++i) {
    const JsonDocument line = order.getMember("详情页[" + std::to_string(i) + "]");
    std::vector<std::string> cells(static_cast<size_t>(cart.columnCount()));
    for (int col = 1; col < cart.columnCount(); ++col) {
      cells[static_cast<size_t>(col)] = line.getText(columnKey(cart, col));
    }
    const int row = cart.appendRow(cells);
    if (cells[kCartType] == kReturnType) {
      cart.setBackColour(row, 0, row, kCartMinimumRate, kReturnLineColour);
    }
  }
  return true;
}

bool parkOrder(Database& db, const ParkedOrder& o) {
  return db.execute(
      "insert into 挂单(时间,订单号,客户,客户编号,折扣率,付款方式,应收,行数,订单详情,制单人) "
      "values(?,?,?,?,?,?,?,?,?,?)",
      {o.time, o.orderNumber, o.customer, o.memberNumber, o.memberRate, o.payment, o.due,
       o.lineCount, o.details, o.account});
}

std::vector<ParkedOrder> parkedOrders(Database& db) {
  std::vector<ParkedOrder> orders;
  RecordSet rows(db);
  if (!rows.open(std::string("select ") + kColumns + " from 挂单 order by 编号")) return orders;
  while (rows.next()) orders.push_back(readOrder(rows));
  return orders;
}

bool takeParkedOrder(Database& db, std::int64_t id, ParkedOrder& order, std::string& error) {
  Transaction transaction(db);
  if (!transaction.started()) {
    error = db.lastError();
    return false;
  }
  // Tills take turns: another till's take of the same order has committed or not begun.
  if (!db.lockWriters()) {
    error = db.lastError();
    return false;
  }
  RecordSet row(db);
  if (!row.open(std::string("select ") + kColumns + " from 挂单 where 编号=?",
                {std::to_string(id)})) {
    error = db.lastError();
    return false;
  }
  if (!row.next()) {
    error = "该挂单已被取走";
    return false;
  }
  order = readOrder(row);
  row.close();
  if (!db.execute("delete from 挂单 where 编号=?", {std::to_string(id)})) {
    error = db.lastError();
    return false;
  }
  // The order is this till's only when this delete removed it; a row already gone means another
  // till has it, and restoring it here too would sell it twice.
  if (db.rowsChanged() != 1) {
    error = "该挂单已被取走";
    return false;
  }
  if (!transaction.commit()) {
    error = db.lastError();
    return false;
  }
  return true;
}

}  // namespace cz
