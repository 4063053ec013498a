#include "storage/statement_cache.h"

#include <sqlite3.h>

#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

namespace cz {

namespace {

size_t textHash(std::string_view sql) {
  return std::hash<std::string_view>{}(sql);
}

}  // namespace

StatementCache::~StatementCache() {
  clear();
}

sqlite3_stmt* StatementCache::take(const std::string& sql) {
  const size_t hash = textHash(sql);
  std::lock_guard lock(m_mutex);
  if (m_closed) return nullptr;
  for (auto it = m_idle.begin(); it != m_idle.end(); ++it) {
    if (it->hash != hash) continue;
    const char* text = sqlite3_sql(it->statement);
    if (!text || sql.size() != std::strlen(text) || sql.compare(text) != 0) continue;
    sqlite3_stmt* statement = it->statement;
    m_idle.erase(it);
    return statement;
  }
  return nullptr;
}

void StatementCache::give(sqlite3_stmt* statement) {
  if (!statement) return;
  sqlite3_stmt* evicted = nullptr;
  {
    std::unique_lock lock(m_mutex);
    if (m_closed) {
      lock.unlock();
      sqlite3_finalize(statement);
      return;
    }
  }
  // Ends a run still stepping (its read lock goes with it) and forgets the values bound.
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  const char* text = sqlite3_sql(statement);
  {
    std::lock_guard lock(m_mutex);
    if (m_closed || !text) {
      evicted = statement;
    } else {
      m_idle.push_front({textHash(text), statement});
      if (m_idle.size() > kCapacity) {
        evicted = m_idle.back().statement;
        m_idle.pop_back();
      }
    }
  }
  // Outside the cache's lock: finalizing takes the connection's.
  sqlite3_finalize(evicted);
}

void StatementCache::clear() {
  std::vector<sqlite3_stmt*> dropped;
  {
    std::lock_guard lock(m_mutex);
    for (const Entry& entry : m_idle) dropped.push_back(entry.statement);
    m_idle.clear();
  }
  for (sqlite3_stmt* statement : dropped) sqlite3_finalize(statement);
}

void StatementCache::close() {
  {
    std::lock_guard lock(m_mutex);
    m_closed = true;
  }
  clear();
}

size_t StatementCache::size() {
  std::lock_guard lock(m_mutex);
  return m_idle.size();
}

}  // namespace cz
