#pragma once

#include <string>

namespace cz {
class Database;
}

namespace cz::crash {

// Where the orders go: data.db in `dir`, or the PostgreSQL database of `server` (a connection
// string) when it is not empty.
struct Store {
  std::string dir;
  std::string server;
  bool open(Database& db) const;
};

// Creates every table, goods with ample stock (and a few with little), members and suppliers.
bool prepareStore(const Store& store);

// Opens the store and, through the same presenters the windows use, completes sales (some with
// a member, some with a return line) and purchase submissions in a loop: until `sales` sales are
// stored when it is not negative, else until the process is killed.
void runWorkload(const Store& store, unsigned seed, int sales = -1);

}  // namespace cz::crash
