// Kills a process that stores sales and purchases in a loop, at random moments, and checks after
// every kill that the store is whole: no order half stored, stock and points matching the stored
// orders, no log entry claiming an order that is not there, no order number stored twice.
//
//   crash_test [--kills N] [--seed S] [--dir DIR] [--server CONNECTION]
//   crash_test --tills N --sales M [--seed S] [--dir DIR] [--server CONNECTION]
//
// The store is a small generated data.db in DIR (default: a fresh temp directory), or with
// --server a database of its own that it creates on that PostgreSQL server (and drops again when
// all is well). With --tills, N processes sell at once from the same goods until each has stored
// M sales, and the same checks run once they are done, plus: exactly N×M sales stored.
// Exit status 0 when no violation was found.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/database.h"
#include "crash_workload.h"
#include "store_check.h"

namespace fs = std::filesystem;

namespace {

struct Options {
  int kills = 1000;
  int tills = 0;
  int sales = 0;
  unsigned seed = 20261210;
  fs::path dir;
  std::string server;
};

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--kills") options.kills = std::atoi(argv[i + 1]);
    if (flag == "--seed")
      options.seed = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
    if (flag == "--dir") options.dir = argv[i + 1];
    if (flag == "--server") options.server = argv[i + 1];
    if (flag == "--tills") options.tills = std::atoi(argv[i + 1]);
    if (flag == "--sales") options.sales = std::atoi(argv[i + 1]);
  }
  if (options.dir.empty()) {
    options.dir = fs::temp_directory_path() / ("chenzhou-crash-" + std::to_string(::getpid()));
  }
  return options;
}

// A database of its own on the server, named after this process.
std::string serverDatabase(const std::string& server, bool create) {
  const std::string name = "chenzhou_crash_" + std::to_string(::getpid());
  cz::Database admin;
  if (!admin.openServer(server)) {
    std::fprintf(stderr, "cannot reach the server: %s\n", admin.lastError().c_str());
    return {};
  }
  admin.execute("drop database if exists " + name);
  if (create && !admin.execute("create database " + name)) {
    std::fprintf(stderr, "cannot create the database: %s\n", admin.lastError().c_str());
    return {};
  }
  return server + " dbname=" + name;
}

// Runs `tills` processes at once, each until it has stored `sales` sales.
int runTills(const Options& options, const cz::crash::Store& store, cz::StoreChecker& checker) {
  std::mt19937 random(options.seed);
  std::vector<pid_t> children;
  for (int till = 0; till < options.tills; ++till) {
    const unsigned childSeed = random();
    const pid_t child = ::fork();
    if (child < 0) {
      std::perror("fork");
      return 2;
    }
    if (child == 0) {
      cz::crash::runWorkload(store, childSeed, options.sales);
      ::_exit(0);
    }
    children.push_back(child);
  }
  int violations = 0;
  for (const pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::printf("till %d ended with status %d\n", static_cast<int>(child), status);
      ++violations;
    }
  }
  cz::Database db;
  if (!store.open(db)) {
    std::printf("the store does not open: %s\n", db.lastError().c_str());
    return 1;
  }
  for (const std::string& violation : checker.check(db)) {
    std::printf("%s\n", violation.c_str());
    ++violations;
  }
  const long long expected = static_cast<long long>(options.tills) * options.sales;
  if (checker.sales() != expected) {
    std::printf("%lld sales stored, the tills stored %lld\n", checker.sales(), expected);
    ++violations;
  }
  std::printf("tills: %d, sales stored: %lld, orders stored: %lld, violations: %d\n", options.tills,
              checker.sales(), checker.orders(), violations);
  return violations == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = parse(argc, argv);
  fs::create_directories(options.dir);
  cz::crash::Store store{options.dir.string(), {}};
  const std::string db = (options.dir / "data.db").string();
  if (options.server.empty()) {
    // A journal or write-ahead log left beside an old file must not be replayed into the new one.
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) fs::remove(db + suffix);
  } else {
    store.server = serverDatabase(options.server, true);
    if (store.server.empty()) return 2;
  }
  if (!cz::crash::prepareStore(store)) {
    std::fprintf(stderr, "could not prepare the store\n");
    return 2;
  }
  cz::StoreBaseline baseline;
  {
    cz::Database opened;
    if (!store.open(opened)) return 2;
    baseline = cz::readBaseline(opened);
  }

  // The checker must see a fault: a store whose stock moved without an order fails it.
  {
    cz::Database tampered;
    if (!store.open(tampered) || !tampered.begin() ||
        !tampered.execute("update 库存 set 当前库存=当前库存-1 where 条码=?", {"6900000000001"}) ||
        cz::StoreChecker(baseline).check(tampered).empty()) {
      std::fprintf(stderr, "the store check does not see a stock change without an order\n");
      return 2;
    }
    tampered.rollback();
  }

  cz::StoreChecker checker(baseline);
  int result = 0;
  if (options.tills > 0) {
    result = runTills(options, store, checker);
  } else {
    std::mt19937 random(options.seed);
    // A till reaching a server takes longer to start than one opening a file.
    std::uniform_int_distribution<int> delayMs(1, options.server.empty() ? 150 : 400);
    int violations = 0;
    for (int kill = 1; kill <= options.kills; ++kill) {
      const unsigned childSeed = random();
      const pid_t child = ::fork();
      if (child < 0) {
        std::perror("fork");
        return 2;
      }
      if (child == 0) {
        cz::crash::runWorkload(store, childSeed);  // loops until killed
        ::_exit(0);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
      ::kill(child, SIGKILL);
      int status = 0;
      ::waitpid(child, &status, 0);

      cz::Database opened;
      if (!store.open(opened)) {
        std::printf("kill %d: the store does not open: %s\n", kill, opened.lastError().c_str());
        ++violations;
        continue;
      }
      // On a server the killed till's session goes on until it reads the end of its connection:
      // a COMMIT it sent just before the kill may still be carried out. Check once it ended.
      for (int wait = 0; opened.onServer() && wait < 200; ++wait) {
        cz::RecordSet others(opened);
        if (!others.open("select count(*) from pg_stat_activity where datname=current_database() "
                         "and pid<>pg_backend_pid() and backend_type='client backend'") ||
            !others.next() || others.field(1) == "0") {
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
      }
      for (const std::string& violation : checker.check(opened)) {
        std::printf("kill %d: %s\n", kill, violation.c_str());
        ++violations;
      }
    }
    std::printf("kills: %d, orders stored: %lld, violations: %d\n", options.kills, checker.orders(),
                violations);
    result = violations == 0 ? 0 : 1;
  }
  if (result == 0) {
    if (options.server.empty()) {
      fs::remove_all(options.dir);
    } else {
      serverDatabase(options.server, false);
      fs::remove_all(options.dir);
    }
  }
  return result;
}
