#include "reports/sales_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "storage/database.h"
#include "util/numbers.h"
#include "util/timestamp.h"

namespace cz {

namespace {

// Seconds from local midnight of 1970-01-01 to the timestamps' zero (08:00 of that day).
constexpr std::int64_t kEpochOffset = 8 * 3600;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

bool isLeap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeap(year) ? 29 : kDays[month - 1];
}

// The seconds of a stored 日期 (timestamp text); nothing when it is no timestamp.
std::optional<std::int64_t> secondsOf(const std::string& date) {
  if (date.size() == 10) {
    std::int64_t value = 0;
    bool digits = true;
    for (char c : date) {
      if (c < '0' || c > '9') {
        digits = false;
        break;
      }
      value = value * 10 + (c - '0');
    }
    if (digits) return value;
  }
  const auto moment = dateTimeFromTimestamp(date);
  if (!moment) return std::nullopt;
  return secondsSinceEpoch(*moment);
}

std::string dayStartText(const ReportDay& day) {
  return timestampText({day.year, day.month, day.day, 0, 0, 0});
}

std::string dayEndText(const ReportDay& day) {
  return timestampText({day.year, day.month, day.day, 23, 59, 59});
}

// Finds a goods' sums by its barcode (or, without one, its name) in an open-addressed table of
// the keys' hashes: a year's lines look up tens of thousands of goods millions of times, and a
// node-based map spent most of the report waiting on memory.
class GoodsTable {
 public:
  explicit GoodsTable(std::vector<GoodsSums>& goods) : m_goods(goods), m_slots(1 << 12) {}

  GoodsSums& find(std::string_view barcode, std::string_view name) {
    const bool byName = barcode.empty();
    const std::uint64_t hash =
        std::hash<std::string_view>{}(byName ? name : barcode) ^ (byName ? 0x9E3779B97F4A7C15ull : 0);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
      Slot& slot = m_slots[at];
      if (slot.index == 0) break;
      if (slot.hash != hash) continue;
      GoodsSums& goods = m_goods[slot.index - 1];
      if (byName ? goods.barcode.empty() && goods.name == name : goods.barcode == barcode) {
        return goods;
      }
    }
    m_goods.push_back({std::string(barcode), std::string(name)});
    if (2 * m_goods.size() > m_slots.size()) grow();
    place(hash, static_cast<std::uint32_t>(m_goods.size()));
    return m_goods.back();
  }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    std::uint32_t index = 0;  // 1-based into the goods; 0 = empty
  };

  void place(std::uint64_t hash, std::uint32_t index) {
    const std::size_t mask = m_slots.size() - 1;
    std::size_t at = hash & mask;
    while (m_slots[at].index != 0) at = (at + 1) & mask;
    m_slots[at] = {hash, index};
  }

  void grow() {
    std::vector<Slot> old(m_slots.size() * 2);
    old.swap(m_slots);
    for (const Slot& slot : old) {
      if (slot.index != 0) place(slot.hash, slot.index);
    }
  }

  std::vector<GoodsSums>& m_goods;
  std::vector<Slot> m_slots;
};

}  // namespace

std::int64_t dayNumber(const ReportDay& d) {
  // Days from civil (proleptic Gregorian).
  const int y = d.month <= 2 ? d.year - 1 : d.year;
  const std::int64_t era = floorDiv(y, 400);
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = (d.month + 9) % 12;
  const std::int64_t doy = (153 * mp + 2) / 5 + d.day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

ReportDay dayFromNumber(std::int64_t z) {
  z += 719468;
  const std::int64_t era = floorDiv(z, 146097);
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
  return {year, month, day};
}

std::string dayText(const ReportDay& day) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.year, day.month, day.day);
  return text;
}

std::optional<ReportDay> parseDayText(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  }
  const ReportDay day{static_cast<int>(readInteger(text.substr(0, 4))),
                      static_cast<int>(readInteger(text.substr(5, 2))),
                      static_cast<int>(readInteger(text.substr(8, 2)))};
  if (day.year < 1970 || day.month < 1 || day.month > 12 || day.day < 1 ||
      day.day > daysInMonth(day.year, day.month)) {
    return std::nullopt;
  }
  return day;
}

std::pair<ReportDay, ReportDay> periodDays(ReportPeriod period, const ReportDay& today) {
  switch (period) {
    case ReportPeriod::ThisWeek: {
      const std::int64_t number = dayNumber(today);
      // 1970-01-01 was a Thursday (3 when Monday is 0).
      const std::int64_t weekday = ((number + 3) % 7 + 7) % 7;
      const std::int64_t monday = number - weekday;
      return {dayFromNumber(monday), dayFromNumber(monday + 6)};
    }
    case ReportPeriod::ThisMonth:
      return {{today.year, today.month, 1},
              {today.year, today.month, daysInMonth(today.year, today.month)}};
    case ReportPeriod::LastMonth: {
      const int year = today.month == 1 ? today.year - 1 : today.year;
      const int month = today.month == 1 ? 12 : today.month - 1;
      return {{year, month, 1}, {year, month, daysInMonth(year, month)}};
    }
    case ReportPeriod::Today:
    case ReportPeriod::Custom:
      break;
  }
  return {today, today};
}

ReportResult readSalesReport(Database& db, const ReportDay& first, const ReportDay& last,
                             SalesReport& report, const ReportProgress& progress) {
  report = SalesReport{};
  report.first = first;
  report.last = last;
  const std::int64_t firstDay = dayNumber(first);
  const std::int64_t lastDay = dayNumber(last);
  if (lastDay < firstDay) return ReportResult::Done;
  report.days.resize(static_cast<std::size_t>(lastDay - firstDay + 1));

  GoodsTable goodsTable(report.goods);
  std::map<std::string, SalesSums> clerks;
  const auto cancelled = [&progress] { return progress.cancelled && progress.cancelled->load(); };

  // A day at a time: the worker can stop and tell its progress between days, and a server never
  // hands over more than one day's rows at once.
  for (std::int64_t number = firstDay; number <= lastDay; ++number) {
    if (cancelled()) return ReportResult::Cancelled;
    const ReportDay day = dayFromNumber(number);
    RecordSet rows(db);
    if (!rows.open("select 日期,总应收,总实收,积分,付款方式,制单人,订单详情 from 销售 "
                   "where 日期>=? and 日期<=? order by 日期",
                   {dayStartText(day), dayEndText(day)})) {
      return ReportResult::Failed;
    }
    SalesSums& daySums = report.days[static_cast<std::size_t>(number - firstDay)];
    while (rows.next()) {
      const OrderAmounts order =
          readOrderAmounts(rows.field(2), rows.field(3), rows.field(4), rows.field(5));
      daySums.add(order);
      report.total.add(order);
      SalesSums& clerk = clerks[rows.field(6)];
      clerk.add(order);
      // A 日期 that is no timestamp was still found by the range: it counts at hour 0.
      const auto seconds = secondsOf(rows.field(1));
      const int hour =
          seconds ? static_cast<int>(floorDiv(*seconds + kEpochOffset, 3600) % 24) : 0;
      SalesSums& hourSums = report.hours[hour < 0 ? hour + 24 : hour];
      hourSums.add(order);

      forEachSaleLine(rows.field(7), [&](const SaleLine& line) {
        daySums.addLine(line);
        report.total.addLine(line);
        clerk.addLine(line);
        hourSums.addLine(line);
        // Goods are told apart by barcode; one without a barcode by its name.
        GoodsSums& goods = goodsTable.find(line.barcode, line.name);
        if (goods.name != line.name) goods.name = line.name;
        // A return line keeps its quantity positive beside its negative amounts.
        const double quantity = line.isReturn() ? -std::abs(line.quantity) : line.quantity;
        goods.quantity += quantity;
        goods.received += line.received;
        goods.cost += line.costPrice * quantity;
      });
    }
    if (!db.lastError().empty()) return ReportResult::Failed;
    if (progress.progress) {
      progress.progress(static_cast<double>(number - firstDay + 1) /
                        static_cast<double>(lastDay - firstDay + 1));
    }
  }
  std::sort(report.goods.begin(), report.goods.end(),
            [](const GoodsSums& a, const GoodsSums& b) {
              const double ra = tidyMoney(a.received), rb = tidyMoney(b.received);
              return ra != rb ? ra > rb : a.barcode < b.barcode;
            });
  for (auto& [account, sums] : clerks) report.clerks.push_back({account, sums});
  return ReportResult::Done;
}

}  // namespace cz
