#pragma once

#include <string>
#include <unordered_map>

namespace cz {

class Database;

// Every goods' weighed flag and warning level, held in memory so that a checkout checks its
// lines without a query. Read once and again whenever this till changes an attribute.
class GoodsAttributeCache {
 public:
  // Reads the whole table; goods without a level of their own take `defaultLevel` (0 or less:
  // none). A failing read leaves nothing weighed and only the default levels.
  void load(Database& db, double defaultLevel);
  // Changes one goods' entry after this till stored it.
  void set(const std::string& barcode, bool weighed, const std::string& level);

  bool weighed(const std::string& barcode) const;
  // The level that warns for this goods: its own, else the default; 0 or less warns of nothing.
  double level(const std::string& barcode) const;
  // The highest level any goods has (worked out once after each change).
  double highestLevel() const;

 private:
  struct Entry {
    bool weighed = false;
    bool ownLevel = false;
    double level = 0;
  };
  std::unordered_map<std::string, Entry> m_entries;
  double m_defaultLevel = 0;
  // The highest own level, worked out again only after a change.
  mutable double m_highestOwn = 0;
  mutable bool m_highestKnown = true;
};

// True when a goods with `stock` left is at or below `level`, a level above 0.
bool atWarningLevel(double stock, double level);

}  // namespace cz
