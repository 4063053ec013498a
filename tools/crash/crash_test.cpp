// Kills a process that stores sales and purchases in a loop, at random moments, and checks after
// every kill that the store is whole: no order half stored, stock and points matching the stored
// orders, no log entry claiming an order that is not there, no order number stored twice.
//
//   crash_test [--kills N] [--seed S] [--dir DIR] [--server CONNECTION]
//   crash_test --tills N --sales M [--seed S] [--dir DIR] [--server CONNECTION]
//   crash_test --help
//
// The store is a small generated data.db in DIR (default: a fresh temp directory; a given one
// must be new, empty or left by an earlier run, since a run that passes removes it), or with
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
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "crash_workload.h"
#include "storage/database.h"
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

constexpr const char* kUsage =
    "usage: crash_test [--kills N] [--seed S] [--dir DIR] [--server CONNECTION]\n"
    "       crash_test --tills N --sales M [--seed S] [--dir DIR] [--server CONNECTION]\n"
    "       crash_test --help\n"
    "Kills a process storing orders N times (default 1000) at random moments and checks the\n"
    "store after each kill; with --tills, N processes sell M sales each at once. DIR must be new,\n"
    "empty or left by an earlier run (it is removed when all is well). Exit status 0: no fault.\n";

// Marks a folder as this tool's, so that a later run may use it again and remove it.
constexpr const char* kOwnMark = ".chenzhou-crash-test";

bool number(const std::string& text, long long most, long long& value) {
  if (text.empty() || text.size() > 12 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  value = std::stoll(text);
  return value <= most;
}

// The options, or an exit code when the run ends here (--help, a mistake).
std::optional<int> parse(int argc, char** argv, Options& options) {
  const auto wrong = [](const std::string& text) {
    std::fprintf(stderr, "crash_test: %s\n%s", text.c_str(), kUsage);
    return 2;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (flag == "--help" || flag == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (flag != "--kills" && flag != "--seed" && flag != "--dir" && flag != "--server" &&
        flag != "--tills" && flag != "--sales") {
      return wrong("unknown argument: " + flag);
    }
    if (i + 1 >= argc) return wrong(flag + " needs a value");
    const std::string value = argv[++i];
    long long n = 0;
    if (flag == "--dir") {
      if (value.empty()) return wrong("--dir needs a folder");
      options.dir = value;
    } else if (flag == "--server") {
      options.server = value;
    } else if (!number(value, flag == "--seed" ? 4294967295LL : 100000000LL, n)) {
      return wrong(flag + " needs a whole number: " + value);
    } else if (flag == "--kills") {
      options.kills = static_cast<int>(n);
    } else if (flag == "--seed") {
      options.seed = static_cast<unsigned>(n);
    } else if (flag == "--tills") {
      options.tills = static_cast<int>(n);
    } else {
      options.sales = static_cast<int>(n);
    }
  }
  if (options.tills > 0 && options.sales <= 0) return wrong("--tills needs --sales");
  if (options.dir.empty()) {
    options.dir = fs::temp_directory_path() / ("chenzhou-crash-" + std::to_string(::getpid()));
  }
  // The folder is removed when the run passes: only one that holds nothing else may be used.
  std::error_code error;
  if (fs::exists(options.dir, error)) {
    if (!fs::is_directory(options.dir, error))
      return wrong(options.dir.string() + " is not a folder");
    const bool empty = fs::is_empty(options.dir, error);
    if (error || (!empty && !fs::exists(options.dir / kOwnMark, error))) {
      return wrong(options.dir.string() +
                   " holds other files; give a new or empty folder (it is removed after a run "
                   "that passes)");
    }
  }
  return std::nullopt;
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
  Options options;
  if (const std::optional<int> exitCode = parse(argc, argv, options)) return *exitCode;
  std::error_code error;
  fs::create_directories(options.dir, error);
  std::FILE* mark = std::fopen((options.dir / kOwnMark).c_str(), "w");
  if (!mark) {
    std::fprintf(stderr, "crash_test: cannot write in %s\n", options.dir.c_str());
    return 2;
  }
  std::fclose(mark);
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
