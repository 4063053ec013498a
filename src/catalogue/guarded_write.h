#pragma once

namespace cz {

// How a write guarded by the value it replaces went (a grid cell written only while the stored
// column still holds what the list showed).
enum class GuardedWrite {
  Written,  // stored
  Changed,  // the row no longer holds the value it was loaded with (or is gone): nothing written
  Failed,   // the statement failed; the reason is the database's last error
};

}  // namespace cz
