#include "core/order_number.h"

#include "storage/database.h"
#include "util/timestamp.h"

namespace cz {

std::optional<std::string> freeOrderNumber(Database& db, const std::string& table,
                                           const std::string& prefix, LocalDateTime& time,
                                           const std::string& number) {
  // Looked up through the order-number index, so a shop with a million orders waits no longer.
  const std::string sql = "select 1 from " + table + " where 订单号=? limit 1";
  std::string candidate = number;
  for (;;) {
    RecordSet set(db);
    if (!set.open(sql, {candidate})) return std::nullopt;
    const bool taken = set.next();
    if (!db.lastError().empty()) return std::nullopt;
    if (!taken) return candidate;
    time = dateTimeFromSeconds(secondsSinceEpoch(time) + 1);
    candidate = orderNumber(prefix, time);
  }
}

}  // namespace cz
