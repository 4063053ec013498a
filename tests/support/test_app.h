#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/app_context.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "printing/print_spooler.h"
#include "storage/database.h"
#include "support/fakes.h"
#include "util/list_model.h"

namespace cz::test {

// A fresh directory under the system's temp directory, removed when it goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return m_path; }
  std::string str() const { return m_path.string(); }

 private:
  std::filesystem::path m_path;
};

// Everything a presenter needs, on a real data.db in its own directory: one "process".
// A second TestApp over the same directory stands for the next start of the program.
class TestApp {
 public:
  // `dir` is the data folder (data.db, 配置.ini); it also holds the account memory file.
  explicit TestApp(const std::filesystem::path& dir);

  Database db;
  Session session;
  ListModel logList;
  FixedClock clock;
  RecordingWindows windows;
  ManualUiQueue ui;
  // Sends the ESC/POS jobs of the presenters; short limits keep failing printers quick.
  PrintSpooler spooler{
      ui, PrintLimits{std::chrono::milliseconds(1500), std::chrono::milliseconds(200)}};
  OperationLog log{db, session, clock, logList};
  AppContext context;
  ScriptedDialogs dialogs;

  // Runs the outcomes the UI queue gets within `timeout`, until at least one ran; false when none
  // came.
  bool waitForUiTask(std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // Runs the outcomes the UI queue gets until `done` holds; false when it did not within `timeout`.
  bool waitUntil(const std::function<bool()>& done,
                 std::chrono::milliseconds timeout = std::chrono::seconds(5));

  // All rows of a query, each as the texts of its columns.
  std::vector<std::vector<std::string>> rows(const std::string& sql, const SqlParams& params = {});
  // The log list's items, each as its five column texts.
  std::vector<std::vector<std::string>> listed() const;
};

// Makes each `event` ("insert", "update" or "delete") on `table` fail with `message` while
// `condition` holds (an expression over new.x / old.x; empty: always), on either back end: a
// RAISE trigger on SQLite, a trigger function raising the message on the server. False with the
// database's error when it could not be set up.
bool failWhen(Database& db, const std::string& table, const std::string& event,
              const std::string& message, const std::string& condition = "");
// Lifts what failWhen set up for that table and event.
bool stopFailing(Database& db, const std::string& table, const std::string& event);

// Makes the commit of a transaction that inserted into `table` fail, through a deferred foreign
// key that each insert breaks. Returns the text the commit then fails with, which is the
// engine's own; empty when it could not be set up.
std::string failCommitAfterInsert(Database& db, const std::string& table);
// Lifts what failCommitAfterInsert set up.
bool stopFailingCommit(Database& db, const std::string& table);

// The engine's text for a statement on a table that is not there.
std::string missingTableError(const Database& db, const std::string& table);

// Opens the store a TestApp over `dir` uses: the folder's database on the test run's server (the
// TestApp must have been made first, it names the database), else the folder's data.db.
bool openStore(Database& db, const std::filesystem::path& dir);

// Each table, in creation order, as its name followed by its column names in column order. The
// server adds a `rowid` identity column to tables without a key of their own, and a table 行数
// of its own (the order counts); both are left out, so that the same list holds on both back
// ends.
std::vector<std::vector<std::string>> tableColumns(Database& db);
// The table names in creation order (views left out).
std::vector<std::string> tableNames(Database& db);
// The names of the indexes made by statement, sorted; those the server makes for primary keys are
// left out, as SQLite's INTEGER PRIMARY KEY has none.
std::vector<std::string> indexNames(Database& db);

// Runs the bootstrap on the directory, then logs in as admin (empty password).
void startAndLogIn(TestApp& app);

}  // namespace cz::test
