#include "core/goods_attribute_cache.h"

#include <algorithm>

#include "storage/database.h"
#include "util/numbers.h"

namespace cz {

void GoodsAttributeCache::load(Database& db, double defaultLevel) {
  m_entries.clear();
  m_defaultLevel = defaultLevel;
  m_highestOwn = 0;
  m_highestKnown = true;
  RecordSet rows(db);
  if (!rows.open("select 条码,称重,预警 from 商品属性")) return;
  while (rows.next()) {
    set(rows.field(1), rows.field(2) == "真", rows.field(3));
  }
}

void GoodsAttributeCache::set(const std::string& barcode, bool weighed, const std::string& level) {
  Entry entry;
  entry.weighed = weighed;
  entry.ownLevel = !level.empty();
  entry.level = entry.ownLevel ? readNumber(level) : 0;
  m_entries[barcode] = entry;
  m_highestKnown = false;
}

bool GoodsAttributeCache::weighed(const std::string& barcode) const {
  const auto found = m_entries.find(barcode);
  return found != m_entries.end() && found->second.weighed;
}

double GoodsAttributeCache::level(const std::string& barcode) const {
  const auto found = m_entries.find(barcode);
  if (found == m_entries.end() || !found->second.ownLevel) return m_defaultLevel;
  return found->second.level;
}

double GoodsAttributeCache::highestLevel() const {
  if (!m_highestKnown) {
    m_highestOwn = 0;
    for (const auto& [barcode, entry] : m_entries) {
      if (entry.ownLevel) m_highestOwn = std::max(m_highestOwn, entry.level);
    }
    m_highestKnown = true;
  }
  return std::max(m_defaultLevel, m_highestOwn);
}

bool atWarningLevel(double stock, double level) {
  // Stock of weighed goods is a sum of decimals: a gram's fraction of slack keeps 5 - 0.6 - 0.4
  // at the level 4 where it belongs.
  return level > 0 && stock <= level + 0.0000005;
}

}  // namespace cz
