#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace cz {

// Prepared statements of one SQLite connection kept for reuse, keyed by their text. Preparing
// (parsing and planning) costs far more than running most of the program's statements, and the
// program runs the same few hundred texts again and again with other values bound.
//
// A statement taken out belongs to its taker until it is given back, so a text used twice at
// once (a query run inside the rows of the same query) gets a second statement of its own. A
// statement given back is reset and its values cleared first; at most kCapacity are kept, the
// least recently used going first. SQLite prepares a kept statement again by itself when the
// schema has changed; clear() drops them all, for statements that change the schema.
class StatementCache {
 public:
  static constexpr size_t kCapacity = 64;

  explicit StatementCache(sqlite3* db) : m_db(db) {}
  ~StatementCache();
  StatementCache(const StatementCache&) = delete;
  StatementCache& operator=(const StatementCache&) = delete;

  // A kept statement of exactly this text, reset with nothing bound; nullptr when none is idle.
  sqlite3_stmt* take(const std::string& sql);
  // Takes a statement back (or finalizes it once the connection is closing).
  void give(sqlite3_stmt* statement);
  // Finalizes every kept statement.
  void clear();
  // The connection is about to close: finalizes every kept statement, and from now on each one
  // given back.
  void close();
  size_t size();

 private:
  struct Entry {
    size_t hash;
    sqlite3_stmt* statement;
  };
  std::mutex m_mutex;
  sqlite3* const m_db;
  bool m_closed = false;
  // Most recently given back first.
  std::list<Entry> m_idle;
};

}  // namespace cz
