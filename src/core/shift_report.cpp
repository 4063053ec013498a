#include "core/shift_report.h"

#include <map>

#include "storage/database.h"
#include "util/clock.h"
#include "util/json_document.h"
#include "util/numbers.h"
#include "util/timestamp.h"

namespace cz {
namespace {

std::string timeOf(const std::string& timestamp) {
  if (timestamp.empty()) return "-";
  const auto moment = dateTimeFromTimestamp(timestamp);
  return moment ? timeText(*moment) : timestamp;
}

double tidy(double value) {
  return tidyMoney(value);
}

}  // namespace

std::string moneyText(double value) {
  return doubleText(tidy(value));
}

std::string currentShiftStart(Database& db, const LocalDateTime& now) {
  RecordSet last(db);
  if (last.open("select 结束 from 交班记录 order by 编号 desc limit 1") && last.next()) {
    const auto end = dateTimeFromTimestamp(last.field(1));
    if (end) return timestampText(dateTimeFromSeconds(secondsSinceEpoch(*end) + 1));
  }
  LocalDateTime midnight = now;
  midnight.hour = midnight.minute = midnight.second = 0;
  return timestampText(midnight);
}

bool readShiftFigures(Database& db, const std::string& start, const std::string& end,
                      ShiftFigures& f) {
  f = ShiftFigures{};
  f.start = start;
  f.end = end;

  RecordSet previous(db);
  if (previous.open("select 下班备用金 from 交班记录 order by 编号 desc limit 1") &&
      previous.next()) {
    f.openingFloat = readNumber(previous.field(1));
  }
  RecordSet parked(db);
  if (parked.open("select count(*) from 挂单") && parked.next()) {
    f.parkedOrders = readInteger(parked.field(1));
  }

  // One walk of the shift's rows, found on the 日期 index.
  RecordSet rows(db);
  if (!rows.open("select 日期,总应收,总实收,积分,付款方式,制单人,订单详情 from 销售 "
                 "where 日期>=? and 日期<=? order by 日期",
                 {start, end})) {
    return false;
  }
  // The same sums as the sales reports, so both agree to the cent over the same rows.
  std::map<std::string, ClerkTakings> clerks;
  SalesSums sums;
  while (rows.next()) {
    const std::string date = rows.field(1);
    if (sums.orders == 0) f.firstOrder = date;
    f.lastOrder = date;
    const std::string received = rows.field(3);
    sums.addOrder(rows.field(2), received, rows.field(4), rows.field(5));
    ClerkTakings& clerk = clerks[rows.field(6)];
    ++clerk.orders;
    clerk.received += readNumber(received);
    forEachSaleLine(rows.field(7), [&sums](const SaleLine& line) { sums.addLine(line); });
  }
  f.orders = sums.orders;
  f.due = tidy(sums.due);
  f.received = tidy(sums.received);
  f.discount = tidy(sums.discount());
  f.saleLines = sums.saleLines;
  f.saleAmount = tidy(sums.saleAmount);
  f.returnLines = sums.returnLines;
  f.returnAmount = tidy(sums.returnAmount);
  f.points = tidy(sums.points);
  for (int i = 0; i < 4; ++i) f.byPayment[i] = tidy(sums.byPayment[i]);
  for (auto& [name, clerk] : clerks) {
    clerk.account = name;
    clerk.received = tidy(clerk.received);
    f.clerks.push_back(clerk);
  }
  f.cashExpected = tidy(f.openingFloat + f.byPayment[0]);
  return true;
}

std::vector<std::string> shiftReportLines(const ShiftFigures& f, const std::string& title) {
  std::vector<std::string> lines = {
      title,
      "开始时间：" + timeOf(f.start),
      "结束时间：" + timeOf(f.end),
      "订单数：" + integerText(f.orders),
      "总应收：" + moneyText(f.due),
      "总实收：" + moneyText(f.received),
      "优惠金额：" + moneyText(f.discount),
      "售出：" + integerText(f.saleLines) + "行，" + moneyText(f.saleAmount),
      "退货：" + integerText(f.returnLines) + "行，" + moneyText(f.returnAmount),
  };
  for (int i = 0; i < 4; ++i)
    lines.push_back(std::string(kPaymentMethods[i]) + "：" + moneyText(f.byPayment[i]));
  lines.push_back("赠送积分：" + moneyText(f.points));
  lines.push_back("首单时间：" + timeOf(f.firstOrder));
  lines.push_back("末单时间：" + timeOf(f.lastOrder));
  for (const ClerkTakings& clerk : f.clerks) {
    lines.push_back("收银员[" + clerk.account + "]：" + integerText(clerk.orders) + "单，" +
                    moneyText(clerk.received));
  }
  lines.push_back("备用金：" + moneyText(f.openingFloat));
  lines.push_back("应有现金：" + moneyText(f.cashExpected));
  lines.push_back("挂单：" + integerText(f.parkedOrders) + "单");
  return lines;
}

double cashDifference(const ShiftFigures& figures, double counted) {
  return tidy(counted - figures.cashExpected);
}

bool storeShiftClose(Database& db, const std::string& time, const std::string& account,
                     const ShiftFigures& f, const ShiftCount& count,
                     const std::vector<std::string>& reportLines) {
  std::string report;
  for (const std::string& line : reportLines) report += (report.empty() ? "" : "\r\n") + line;
  // The counted cash and difference stay NULL when nobody counted.
  const std::string counted = count.counted ? "?" : "NULL";
  SqlParams params = {time,
                      account,
                      f.start,
                      f.end,
                      integerText(f.orders),
                      moneyText(f.due),
                      moneyText(f.received),
                      moneyText(f.byPayment[0]),
                      moneyText(f.byPayment[1]),
                      moneyText(f.byPayment[2]),
                      moneyText(f.byPayment[3]),
                      moneyText(f.openingFloat),
                      moneyText(f.cashExpected)};
  if (count.counted) {
    params.push_back(moneyText(*count.counted));
    params.push_back(moneyText(cashDifference(f, *count.counted)));
  }
  params.push_back(moneyText(count.nextFloat));
  params.push_back(report);
  return db.execute(
      "insert into 交班记录(时间,账号,开始,结束,订单数,总应收,总实收,现金支付,微信支付,"
      "支付宝支付,其他支付,备用金,应有现金,实点现金,差额,下班备用金,报表) "
      "values(?,?,?,?,?,?,?,?,?,?,?,?,?," +
          counted + "," + counted + ",?,?)",
      params);
}

bool closeShift(Database& db, const Clock& clock, const std::string& account,
                const ShiftCount& count,
                const std::function<std::vector<std::string>(const ShiftFigures&)>& reportLines,
                ShiftFigures& figures) {
  Transaction transaction(db);
  if (!transaction.started()) return false;
  // From here until the commit no till stores a sale: the figures read are the shift's whole.
  if (!db.lockWriters()) {
    transaction.rollback();
    return false;
  }
  LocalDateTime closedAt = clock.now();
  // Another till may have closed since this one's report opened: its end starts this shift.
  const std::string start = currentShiftStart(db, closedAt);
  // A clock behind the last close's end: this close ends where that one did, so that no two
  // shifts share a second.
  if (const auto first = dateTimeFromTimestamp(start);
      first && secondsSinceEpoch(*first) > secondsSinceEpoch(closedAt)) {
    closedAt = dateTimeFromSeconds(secondsSinceEpoch(*first) - 1);
  }
  const std::string end = timestampText(closedAt);
  if (!readShiftFigures(db, start, end, figures) ||
      !storeShiftClose(db, end, account, figures, count, reportLines(figures)) ||
      !transaction.commit()) {
    transaction.rollback();
    return false;
  }
  return true;
}

std::optional<LocalDateTime> saleTimeAfterLastClose(Database& db, const LocalDateTime& now) {
  RecordSet last(db);
  if (!last.open("select 结束 from 交班记录 order by 编号 desc limit 1")) return std::nullopt;
  const bool found = last.next();
  if (!db.lastError().empty()) return std::nullopt;
  if (!found) return now;
  const auto end = dateTimeFromTimestamp(last.field(1));
  if (!end || secondsSinceEpoch(now) > secondsSinceEpoch(*end)) return now;
  return dateTimeFromSeconds(secondsSinceEpoch(*end) + 1);
}

std::vector<StoredShiftClose> recentShiftCloses(Database& db, int limit) {
  std::vector<StoredShiftClose> closes;
  RecordSet rows(db);
  if (!rows.open("select 编号,时间,账号,总实收,差额,报表 from 交班记录 order by 编号 desc limit ?",
                 {integerText(limit)})) {
    return closes;
  }
  while (rows.next()) {
    closes.push_back({readInteger(rows.field(1)), rows.field(2), rows.field(3), rows.field(4),
                      rows.field(5), rows.field(6)});
  }
  return closes;
}

}  // namespace cz
