#include "support/report_fixture.h"

#include <cstring>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <regex>

#include "storage/database.h"
#include "util/timestamp.h"

namespace cz::test {

void storeSale(Database& db, const LocalDateTime& when, const std::string& account,
               const std::string& payment, const std::string& due, const std::string& received,
               const std::vector<FixtureLine>& lines) {
  std::string details = "{\"详情页\":[";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const FixtureLine& l = lines[i];
    details += std::string(i ? "," : "") + "{\"商品名称\":\"" + l.name + "\",\"条码\":\"" +
               l.barcode + "\",\"数量\":\"" + l.quantity + "\",\"总价\":\"" + l.total +
               "\",\"实收\":\"" + l.received + "\",\"进货价\":\"" + l.costPrice + "\"}";
  }
  details += "]}";
  ASSERT_TRUE(db.execute(
      "insert into 销售(订单号,日期,客户,客户编号,订单详情,总应收,总实收,积分,付款方式,制单人) "
      "values(?,?,'-','',?,?,?,'0',?,?)",
      {orderNumber("SX", when), timestampText(when), details, due, received, payment, account}))
      << db.lastError();
}

void storeReportFixture(Database& db) {
  // Just before the range.
  storeSale(db, {2026, 11, 30, 23, 59, 59}, "admin", "现金支付", "100", "100",
            {{"矿泉水", "6901", "10", "100", "100", "6"}});
  // The range's first second: a discount of 2.
  storeSale(db, {2026, 12, 1, 0, 0, 0}, "admin", "现金支付", "20", "18",
            {{"矿泉水", "6901", "2", "20", "18", "6"}});
  // A sale with a return of one 矿泉水.
  storeSale(db, {2026, 12, 1, 10, 30, 0}, "小王", "微信支付", "5.5", "5.5",
            {{"面包", "6902", "1", "15.5", "15.5", "10"}, {"矿泉水", "6901", "1", "-10", "-10", "6"}});
  // Goods without a barcode are told apart by name.
  storeSale(db, {2026, 12, 2, 14, 0, 0}, "小王", "支付宝支付", "30.3", "30.3",
            {{"散装糖", "", "3", "30.3", "30.3", "7"}});
  // The range's last second.
  storeSale(db, {2026, 12, 3, 23, 59, 59}, "admin", "其他支付", "12.24", "12.24",
            {{"面包", "6902", "1", "12.24", "12.24", "10"}});
  // Just after the range.
  storeSale(db, {2026, 12, 4, 0, 0, 0}, "admin", "现金支付", "50", "50",
            {{"面包", "6902", "5", "50", "50", "10"}});
}

std::vector<std::vector<std::string>> parseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false, any = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = any = true;
    } else if (c == ',') {
      row.push_back(field);
      field.clear();
      any = true;
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      if (any || !field.empty()) row.push_back(field);
      rows.push_back(row);
      row.clear();
      field.clear();
      any = false;
    } else {
      field += c;
      any = true;
    }
  }
  return rows;
}

namespace {

std::string unzipped(const std::string& path, const std::string& member) {
  const std::string command = "unzip -p '" + path + "' '" + member + "' 2>/dev/null";
  std::string text;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    ::pclose(pipe);
  }
  return text;
}

std::string unescapeXml(std::string text) {
  const std::pair<const char*, const char*> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
  for (const auto& [entity, plain] : entities) {
    for (std::size_t at = text.find(entity); at != std::string::npos;
         at = text.find(entity, at + 1)) {
      text.replace(at, std::strlen(entity), plain);
    }
  }
  return text;
}

int columnIndex(const std::string& reference) {
  int column = 0;
  for (char c : reference) {
    if (c < 'A' || c > 'Z') break;
    column = column * 26 + (c - 'A' + 1);
  }
  return column - 1;
}

}  // namespace

std::vector<std::vector<std::string>> readXlsxSheet(const std::string& path, int sheet) {
  std::vector<std::string> shared;
  const std::string strings = unzipped(path, "xl/sharedStrings.xml");
  const std::regex item("<si>\\s*<t[^>]*>([^<]*)</t>\\s*</si>");
  for (auto it = std::sregex_iterator(strings.begin(), strings.end(), item);
       it != std::sregex_iterator(); ++it) {
    shared.push_back(unescapeXml((*it)[1]));
  }
  const std::string xml = unzipped(path, "xl/worksheets/sheet" + std::to_string(sheet) + ".xml");
  std::vector<std::vector<std::string>> rows;
  const std::regex cell("<c r=\"([A-Z]+)([0-9]+)\"([^>]*)>(?:<f>[^<]*</f>)?<v>([^<]*)</v></c>");
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), cell);
       it != std::sregex_iterator(); ++it) {
    const int row = std::stoi((*it)[2]) - 1;
    const int column = columnIndex((*it)[1]);
    const std::string attributes = (*it)[3];
    std::string value = (*it)[4];
    if (attributes.find("t=\"s\"") != std::string::npos) {
      const std::size_t index = std::stoul(value);
      value = index < shared.size() ? shared[index] : "?";
    }
    if (rows.size() <= static_cast<std::size_t>(row)) rows.resize(row + 1);
    auto& cells = rows[static_cast<std::size_t>(row)];
    if (cells.size() <= static_cast<std::size_t>(column)) cells.resize(column + 1);
    cells[static_cast<std::size_t>(column)] = value;
  }
  return rows;
}

}  // namespace cz::test
