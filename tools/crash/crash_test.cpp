// Kills a process that stores sales and purchases in a loop, at random moments, and checks after
// every kill that the file is whole: no order half stored, stock and points matching the stored
// orders, no log entry claiming an order that is not there.
//
//   crash_test [--kills N] [--seed S] [--dir DIR]
//
// The store is a small generated data.db in DIR (default: a fresh temp directory). Exit status 0
// when no violation was found.

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

#include "core/database.h"
#include "crash_workload.h"
#include "store_check.h"

namespace fs = std::filesystem;

namespace {

struct Options {
  int kills = 1000;
  unsigned seed = 20261210;
  fs::path dir;
};

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--kills") options.kills = std::atoi(argv[i + 1]);
    if (flag == "--seed")
      options.seed = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
    if (flag == "--dir") options.dir = argv[i + 1];
  }
  if (options.dir.empty()) {
    options.dir = fs::temp_directory_path() / ("chenzhou-crash-" + std::to_string(::getpid()));
  }
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = parse(argc, argv);
  fs::create_directories(options.dir);
  const std::string db = (options.dir / "data.db").string();
  // A journal or write-ahead log left beside an old file must not be replayed into the new one.
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) fs::remove(db + suffix);
  if (!cz::crash::prepareStore(options.dir.string())) {
    std::fprintf(stderr, "could not prepare the store in %s\n", options.dir.c_str());
    return 2;
  }
  cz::StoreBaseline baseline;
  {
    cz::Database store;
    if (!store.open(db)) return 2;
    baseline = cz::readBaseline(store);
  }

  // The checker must see a fault: a copy whose stock moved without an order fails it.
  {
    const std::string copy = (options.dir / "tampered.db").string();
    fs::copy_file(db, copy, fs::copy_options::overwrite_existing);
    cz::Database tampered;
    if (!tampered.open(copy) ||
        !tampered.execute("update 库存 set 当前库存=当前库存-1 where rowid=1") ||
        cz::StoreChecker(baseline).check(tampered).empty()) {
      std::fprintf(stderr, "the store check does not see a stock change without an order\n");
      return 2;
    }
  }

  std::mt19937 random(options.seed);
  std::uniform_int_distribution<int> delayMs(1, 150);
  int violations = 0;
  cz::StoreChecker checker(baseline);
  for (int kill = 1; kill <= options.kills; ++kill) {
    const unsigned childSeed = random();
    const pid_t child = ::fork();
    if (child < 0) {
      std::perror("fork");
      return 2;
    }
    if (child == 0) {
      cz::crash::runWorkload(options.dir.string(), childSeed);  // loops until killed
      ::_exit(0);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);

    cz::Database store;
    if (!store.open(db)) {
      std::printf("kill %d: the store does not open: %s\n", kill, store.lastError().c_str());
      ++violations;
      continue;
    }
    for (const std::string& violation : checker.check(store)) {
      std::printf("kill %d: %s\n", kill, violation.c_str());
      ++violations;
    }
  }
  std::printf("kills: %d, orders stored: %lld, violations: %d\n", options.kills, checker.orders(),
              violations);
  if (violations == 0) fs::remove_all(options.dir);
  return violations == 0 ? 0 : 1;
}
