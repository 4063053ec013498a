#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/sale_tally.h"
#include "util/clock.h"

namespace cz {

class Database;

// A calendar day of the shop's local time.
struct ReportDay {
  int year = 1970;
  int month = 1;
  int day = 1;
  bool operator==(const ReportDay&) const = default;
};

// The ranges the window offers first; 自定 takes the two dates as picked.
enum class ReportPeriod { Today, ThisWeek, ThisMonth, LastMonth, Custom };

// First and last day of a period around `today` (a week starts on Monday). For Custom, both
// are `today`.
std::pair<ReportDay, ReportDay> periodDays(ReportPeriod period, const ReportDay& today);

// Days since 1970-01-01 of a calendar day, and back.
std::int64_t dayNumber(const ReportDay& day);
ReportDay dayFromNumber(std::int64_t number);
// "2026-11-30".
std::string dayText(const ReportDay& day);
// Reads "YYYY-MM-DD" (a real calendar day); nothing for anything else.
std::optional<ReportDay> parseDayText(const std::string& text);

// What one goods sold in the range. Return lines count with negative quantity and amount.
struct GoodsSums {
  std::string barcode;  // 条码
  std::string name;     // 商品名称, as last sold
  double quantity = 0;
  double received = 0;  // 实收
  double cost = 0;      // 进货价 × 数量, at the prices stored with each line
  double margin() const { return received - cost; }
};

struct ClerkSums {
  std::string account;  // 制单人
  SalesSums sums;
};

// The sums of the sales of a range of days, every one of them taken from the 销售 rows whose
// 日期 lies from the first day's 00:00:00 to the last day's 23:59:59, both included.
struct SalesReport {
  ReportDay first;
  ReportDay last;
  std::vector<SalesSums> days;  // one per day of the range, in order, also days without sales
  SalesSums total;
  std::vector<GoodsSums> goods;  // by 实收, largest first (then by barcode)
  std::vector<ClerkSums> clerks;  // by account name
  SalesSums hours[24];            // by hour of the day
};

// Tells the reader how far it is and whether to stop.
struct ReportProgress {
  // Called now and then with the share of days done, 0 to 1.
  std::function<void(double done)> progress;
  // Set from another thread to stop the read.
  const std::atomic<bool>* cancelled = nullptr;
};

enum class ReportResult { Done, Failed, Cancelled };

// Reads the report for the days `first` to `last` (first ≤ last), a few days' rows at a time, so
// a worker thread can report progress and stop between them and a server hands over bounded
// results. Failed: the database could not be read (lastError says why).
ReportResult readSalesReport(Database& db, const ReportDay& first, const ReportDay& last,
                             SalesReport& report, const ReportProgress& progress = {});

}  // namespace cz
