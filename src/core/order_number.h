#pragma once

#include <optional>
#include <string>

#include "util/clock.h"

namespace cz {

class Database;

// The number to store an order of `table` (销售 or 进货) under: `number` itself when no stored
// order of that table holds it, else the number of the first later second that is free, with
// `time` moved to that second. Two tills that opened an order in the same second so never
// store the same number, and the number keeps its form. Call it inside the storing transaction,
// after Database::lockWriters(). Nothing when a query fails (the reason is in db.lastError()).
std::optional<std::string> freeOrderNumber(Database& db, const std::string& table,
                                           const std::string& prefix, LocalDateTime& time,
                                           const std::string& number);

}  // namespace cz
