#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/sale_tally.h"

namespace cz {

class Clock;
class Database;
struct LocalDateTime;


// What one account took in a shift.
struct ClerkTakings {
  std::string account;  // 制单人
  std::int64_t orders = 0;
  double received = 0;  // 总实收, rounded to one decimal
};

// The figures of one shift: the 销售 rows whose 日期 lies between `start` and `end`, both
// included (timestamp texts). Every sum is rounded to one decimal.
struct ShiftFigures {
  std::string start;
  std::string end;
  std::int64_t orders = 0;
  double due = 0;       // 总应收
  double received = 0;  // 总实收
  double discount = 0;  // 应收 − 实收
  std::int64_t saleLines = 0;
  double saleAmount = 0;  // 实收 of the 售出 lines
  std::int64_t returnLines = 0;
  double returnAmount = 0;             // 实收 of the 退货 lines (negative)
  double byPayment[4] = {0, 0, 0, 0};  // in the order of kPaymentMethods
  double points = 0;                   // 积分 granted
  std::string firstOrder;              // 日期 of the first and last order; empty without orders
  std::string lastOrder;
  std::vector<ClerkTakings> clerks;  // by account name
  double openingFloat = 0;           // typed at the previous close
  double cashExpected = 0;           // opening float + 现金支付 实收
  std::int64_t parkedOrders = 0;     // 挂单 waiting, whatever their shift
};

// The start of the current shift: one second after the end of the last close, or, before the
// first close, 00:00:00 of `now`'s day. A timestamp text.
std::string currentShiftStart(Database& db, const LocalDateTime& now);

// Reads the figures of the shift from `start` to `end` (timestamp texts) in one walk of its rows
// on the 日期 index. The opening float is the last close's next float. False when the database
// cannot be read (lastError says why); `figures` is then incomplete.
bool readShiftFigures(Database& db, const std::string& start, const std::string& end,
                      ShiftFigures& figures);

// The figures as the report window and the printout show them, one line each. `title` is
// "当班报表" or "交班报表".
std::vector<std::string> shiftReportLines(const ShiftFigures& figures, const std::string& title);

// A money amount as the reports write it (one decimal at most).
std::string moneyText(double value);

// What the cashier typed at a close: the counted cash (none when the box was empty or the
// window was closed with its close mark) and the next shift's float.
struct ShiftCount {
  std::optional<double> counted;
  double nextFloat = 0;
};

// Counted cash − cash expected, rounded to one decimal.
double cashDifference(const ShiftFigures& figures, double counted);

// Stores one 交班记录 row for the shift: time, account, the figures and the report text, the
// counted cash and difference (NULL when not counted) and the next float. False on failure
// (lastError says why).
bool storeShiftClose(Database& db, const std::string& time, const std::string& account,
                     const ShiftFigures& figures, const ShiftCount& count,
                     const std::vector<std::string>& reportLines);

// Closes the shift in one transaction under the writers' lock: reads the clock, the shift's start
// and its figures up to that moment, and stores the close (时间 and 结束 that moment) with the
// report `reportLines` makes of those figures. A sale another till commits before this
// transaction is in the figures or, stamped later, in the next shift; one committed after it is
// stamped after the close (see saleTimeAfterLastClose). So every stored sale falls in exactly one
// shift. `figures` gets what was stored. False on failure (lastError says why; nothing stored).
bool closeShift(Database& db, const Clock& clock, const std::string& account,
                const ShiftCount& count,
                const std::function<std::vector<std::string>(const ShiftFigures&)>& reportLines,
                ShiftFigures& figures);

// The time to stamp a sale stored now: `now`, or the first second after the last close's end when
// `now` is not later (a till whose clock runs behind, or a sale in the second of the close), so
// the sale falls in the open shift. Call it within the storing transaction, after
// Database::lockWriters(). Nothing when the closes cannot be read (lastError says why).
std::optional<LocalDateTime> saleTimeAfterLastClose(Database& db, const LocalDateTime& now);

// One stored close, as the settings window lists it.
struct StoredShiftClose {
  std::int64_t id = 0;  // 编号
  std::string time;     // 时间 (timestamp text)
  std::string account;
  std::string received;
  std::string difference;  // empty when the cash was not counted
  std::string report;      // the report text as printed at the close, lines joined by "\r\n"
};

// The latest `limit` closes, newest first. Empty when none or the table cannot be read.
std::vector<StoredShiftClose> recentShiftCloses(Database& db, int limit);

}  // namespace cz
