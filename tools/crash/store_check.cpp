#include "store_check.h"

#include <cmath>
#include <set>

#include "storage/database.h"
#include "util/json_document.h"
#include "util/numbers.h"

namespace cz {

namespace {

// The order number a sale or purchase log entry names: the text after "订单号：" up to the line
// end.
std::string orderNumberIn(const std::string& text) {
  static const std::string kKey = "订单号：";
  const size_t at = text.find(kKey);
  if (at == std::string::npos) return {};
  const size_t from = at + kKey.size();
  const size_t end = text.find("\r\n", from);
  return text.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

// Adds each line's quantity to `moved`, signed by `sign(line)`.
template <typename Sign>
void sumLines(const std::string& details, std::map<std::string, long long>& moved, Sign sign,
              std::vector<std::string>& violations, const std::string& order) {
  JsonDocument doc;
  if (!doc.parse(details)) {
    violations.push_back("订单详情 of " + order + " does not parse");
    return;
  }
  const int lines = doc.arrayCount("详情页");
  for (int i = 0; i < lines; ++i) {
    const std::string line = "详情页[" + std::to_string(i) + "]";
    const std::string barcode = doc.getText(line + ".条码");
    moved[barcode] += sign(doc, line) * readInteger(doc.getText(line + ".数量"));
  }
}

}  // namespace

StoreBaseline readBaseline(Database& db) {
  StoreBaseline baseline;
  RecordSet goods(db);
  if (goods.open("select 条码, 当前库存 from 库存")) {
    while (goods.next()) baseline.stock[goods.field(1)] = readInteger(goods.field(2));
  }
  RecordSet members(db);
  if (members.open("select 编号, 积分 from 会员")) {
    while (members.next()) baseline.points[members.field(1)] = readNumber(members.field(2));
  }
  return baseline;
}

namespace {

long long countOf(Database& db, const std::string& table) {
  RecordSet count(db);
  if (!count.open("select count(*) from " + table) || !count.next()) return -1;
  return readInteger(count.field(1));
}

}  // namespace

std::vector<std::string> StoreChecker::check(Database& db) {
  std::vector<std::string> violations;

  // The server keeps its own pages whole; a file is checked page by page.
  if (!db.onServer()) {
    RecordSet integrity(db);
    if (!integrity.open("PRAGMA integrity_check") || !integrity.next() ||
        integrity.field(1) != "ok") {
      violations.push_back("integrity_check: " + integrity.field(1) + db.lastError());
      return violations;
    }
  }

  RecordSet sale(db);
  if (sale.open("select rowid, 订单号, 订单详情, 客户编号, 积分 from 销售 where rowid > ? "
                "order by rowid",
                {std::to_string(m_lastSale)})) {
    while (sale.next()) {
      m_lastSale = readInteger(sale.field(1));
      const std::string number = sale.field(2);
      if (!m_sales.insert(number).second) violations.push_back("sale " + number + " stored twice");
      ++m_saleCount;
      // Sold goods leave the stock, returned goods (negative amounts) come back.
      sumLines(
          sale.field(3), m_moved,
          [](const JsonDocument& doc, const std::string& line) {
            return readNumber(doc.getText(line + ".总价")) < 0 ? 1 : -1;
          },
          violations, number);
      if (!sale.field(4).empty()) m_earned[sale.field(4)] += readNumber(sale.field(5));
    }
  }
  RecordSet purchase(db);
  if (purchase.open("select rowid, 订单号, 订单详情 from 进货 where rowid > ? order by rowid",
                    {std::to_string(m_lastPurchase)})) {
    while (purchase.next()) {
      m_lastPurchase = readInteger(purchase.field(1));
      if (!m_purchases.insert(purchase.field(2)).second) {
        violations.push_back("purchase " + purchase.field(2) + " stored twice");
      }
      ++m_purchaseCount;
      sumLines(
          purchase.field(3), m_moved, [](const JsonDocument&, const std::string&) { return 1; },
          violations, purchase.field(2));
    }
  }
  // Orders seen by an earlier check must all still be there.
  if (countOf(db, "销售") != m_saleCount || countOf(db, "进货") != m_purchaseCount) {
    violations.push_back("stored orders went missing");
  }

  RecordSet goods(db);
  if (goods.open("select 条码, 当前库存 from 库存")) {
    while (goods.next()) {
      const std::string barcode = goods.field(1);
      const auto base = m_baseline.stock.find(barcode);
      const long long expected =
          (base == m_baseline.stock.end() ? 0 : base->second) + m_moved[barcode];
      const long long actual = readInteger(goods.field(2));
      if (actual != expected) {
        violations.push_back("stock of " + barcode + " is " + std::to_string(actual) +
                             ", the stored orders say " + std::to_string(expected));
      }
    }
  }
  RecordSet members(db);
  if (members.open("select 编号, 积分 from 会员")) {
    while (members.next()) {
      const std::string number = members.field(1);
      const auto base = m_baseline.points.find(number);
      const double expected =
          (base == m_baseline.points.end() ? 0 : base->second) + m_earned[number];
      const double actual = readNumber(members.field(2));
      if (std::fabs(actual - expected) > 0.001) {
        violations.push_back("points of member " + number + " are " + doubleText(actual) +
                             ", the stored sales say " + doubleText(expected));
      }
    }
  }

  RecordSet log(db);
  if (log.open("select rowid, 日志 from 日志 where rowid > ? and 类型 in ('1', '2') order by rowid",
               {std::to_string(m_lastLog)})) {
    while (log.next()) {
      m_lastLog = readInteger(log.field(1));
      const std::string text = log.field(2);
      if (text.rfind("创建销售单。", 0) == 0) m_loggedSales.insert(orderNumberIn(text));
      if (text.rfind("创建进货单。", 0) == 0) m_loggedPurchases.insert(orderNumberIn(text));
    }
  }
  if (m_loggedSales.size() != m_sales.size()) {
    for (const std::string& number : m_loggedSales) {
      if (!m_sales.count(number)) violations.push_back("log names sale " + number + ", not stored");
    }
    for (const std::string& number : m_sales) {
      if (!m_loggedSales.count(number))
        violations.push_back("sale " + number + " has no log entry");
    }
  }
  if (m_loggedPurchases.size() != m_purchases.size()) {
    for (const std::string& number : m_loggedPurchases) {
      if (!m_purchases.count(number)) {
        violations.push_back("log names purchase " + number + ", not stored");
      }
    }
    for (const std::string& number : m_purchases) {
      if (!m_loggedPurchases.count(number)) {
        violations.push_back("purchase " + number + " has no log entry");
      }
    }
  }
  return violations;
}

}  // namespace cz
