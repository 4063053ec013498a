#include "support/test_app.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <thread>

#include <cstdlib>
#include <functional>

#include "core/bootstrap.h"
#include "core/login_presenter.h"
#include "util/ini_file.h"

namespace cz::test {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  m_path = std::filesystem::temp_directory_path() /
           ("chenzhou-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(m_path);
  std::filesystem::create_directories(m_path);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(m_path, ignored);
}

TestApp::TestApp(const std::filesystem::path& dir)
    : context{db,      session, log,          clock,
              windows, ui,      dir.string(), (dir / "config-home" / "配置.ini").string()} {
  context.printSpooler = &spooler;
  // The PostgreSQL run: each data folder gets a database of its own on the test run's server,
  // named after the folder, so a second TestApp over the folder finds the same data.
  if (const char* server = std::getenv("CZ_TEST_DATABASE")) {
    const std::string name =
        "f" + std::to_string(std::hash<std::string>{}(dir.string()) % 1000000000);
    Database admin;
    if (!admin.openServer(server)) {
      ADD_FAILURE() << "test server: " << admin.lastError();
      return;
    }
    RecordSet found(admin);
    if (!found.open("select 1 from pg_database where datname=?", {name}) || !found.next()) {
      admin.execute("create database " + name);
    }
    IniFile settings((dir / "配置.ini").string());
    if (settings.read("数据库", "类型").empty()) {
      settings.write("数据库", "类型", "PostgreSQL");
      settings.write("数据库", "连接", std::string(server) + " dbname=" + name);
    }
  }
}

bool TestApp::waitForUiTask(std::chrono::milliseconds timeout) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  do {
    if (ui.drain() > 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  } while (std::chrono::steady_clock::now() < until);
  return false;
}

bool TestApp::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    if (ui.drain() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

namespace {

// All rows of a query, each as the texts of its columns; a failed query fails the test.
std::vector<std::vector<std::string>> queryRows(Database& db, const std::string& sql,
                                                const SqlParams& params = {}) {
  std::vector<std::vector<std::string>> result;
  RecordSet set(db);
  if (!set.open(sql, params)) {
    ADD_FAILURE() << "query failed: " << sql << ": " << db.lastError();
    return result;
  }
  while (set.next()) {
    std::vector<std::string> row;
    for (int i = 1; i <= set.columnCount(); ++i) row.push_back(set.field(i));
    result.push_back(std::move(row));
  }
  return result;
}

}  // namespace

std::vector<std::vector<std::string>> TestApp::rows(const std::string& sql,
                                                    const SqlParams& params) {
  return queryRows(db, sql, params);
}

std::vector<std::vector<std::string>> TestApp::listed() const {
  std::vector<std::vector<std::string>> items;
  for (int i = 0; i < logList.itemCount(); ++i) {
    std::vector<std::string> item;
    for (int c = 0; c < 5; ++c) item.push_back(logList.text(i, c));
    items.push_back(std::move(item));
  }
  return items;
}

namespace {

std::string sqlText(const std::string& text) {
  std::string out = "'";
  for (const char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

}  // namespace

bool failWhen(Database& db, const std::string& table, const std::string& event,
              const std::string& message, const std::string& condition) {
  const std::string name = "fail_" + table + "_" + event;
  if (!db.onServer()) {
    return db.execute("create trigger " + name + " before " + event + " on " + table +
                      (condition.empty() ? "" : " when " + condition) +
                      " begin select raise(abort," + sqlText(message) + "); end");
  }
  // The message is raised as it is: a % in it would read as a format placeholder.
  std::string raised;
  for (const char c : message) raised += c == '%' ? std::string("%%") : std::string(1, c);
  return db.execute("create or replace function " + name +
                    "() returns trigger language plpgsql as $$ begin if " +
                    (condition.empty() ? "true" : condition) + " then raise exception " +
                    sqlText(raised) + "; end if; return " + (event == "delete" ? "old" : "new") +
                    "; end $$") &&
         db.execute("create trigger " + name + " before " + event + " on " + table +
                    " for each row execute function " + name + "()");
}

bool stopFailing(Database& db, const std::string& table, const std::string& event) {
  const std::string name = "fail_" + table + "_" + event;
  return db.execute("drop trigger if exists " + name + (db.onServer() ? " on " + table : ""));
}

std::string failCommitAfterInsert(Database& db, const std::string& table) {
  const bool made = db.execute("create table cz_parent(id integer primary key)") &&
                    db.execute(
                        "create table cz_child(pid integer references cz_parent(id) deferrable "
                        "initially deferred)");
  if (!made) return {};
  if (!db.onServer()) {
    if (!db.execute("create trigger cz_commit_" + table + " after insert on " + table +
                    " begin insert into cz_child values(42); end") ||
        !db.execute("pragma foreign_keys=on"))
      return {};
    return "FOREIGN KEY constraint failed";
  }
  if (!db.execute("create or replace function cz_commit_" + table +
                  "() returns trigger language plpgsql as $$ begin insert into cz_child "
                  "values(42); return new; end $$") ||
      !db.execute("create trigger cz_commit_" + table + " after insert on " + table +
                  " for each row execute function cz_commit_" + table + "()"))
    return {};
  return "insert or update on table \"cz_child\" violates foreign key constraint "
         "\"cz_child_pid_fkey\"";
}

bool stopFailingCommit(Database& db, const std::string& table) {
  return db.execute("drop trigger if exists cz_commit_" + table +
                    (db.onServer() ? " on " + table : "")) &&
         db.execute("drop table if exists cz_child") &&
         db.execute("drop table if exists cz_parent");
}

std::string missingTableError(const Database& db, const std::string& table) {
  return db.onServer() ? "relation \"" + table + "\" does not exist" : "no such table: " + table;
}

bool openStore(Database& db, const std::filesystem::path& dir) {
  return openDatabase(db, (dir / "配置.ini").string(), (dir / "data.db").string());
}

std::vector<std::vector<std::string>> tableColumns(Database& db) {
  // Table oids grow in creation order, as a file's rowids do.
  const auto columns = queryRows(
      db, db.onServer()
              ? "select c.relname, a.attname from pg_class c join pg_attribute a on "
                "a.attrelid=c.oid where c.relnamespace=current_schema()::regnamespace and "
                "c.relkind in ('r','p') and a.attnum>0 and not a.attisdropped and "
                "a.attname<>'rowid' and c.relname<>'行数' order by c.oid, a.attnum"
              : "select m.name, p.name from sqlite_master m join pragma_table_info(m.name) p "
                "where m.type='table' and m.name not like 'sqlite%' order by m.rowid, p.cid");
  std::vector<std::vector<std::string>> tables;
  for (const auto& column : columns) {
    if (tables.empty() || tables.back().front() != column[0]) tables.push_back({column[0]});
    tables.back().push_back(column[1]);
  }
  return tables;
}

std::vector<std::string> tableNames(Database& db) {
  std::vector<std::string> names;
  for (const auto& table : tableColumns(db)) names.push_back(table.front());
  return names;
}

std::vector<std::string> indexNames(Database& db) {
  const auto rows = queryRows(
      db, db.onServer() ? "select indexname from pg_indexes where schemaname=current_schema() "
                          "and indexname not in (select conname from pg_constraint)"
                        : "select name from sqlite_master where type='index' and sql is not null");
  std::vector<std::string> names;
  for (const auto& row : rows) names.push_back(row[0]);
  std::sort(names.begin(), names.end());
  return names;
}

void startAndLogIn(TestApp& app) {
  LoginPresenter login(app.context, app.dialogs);
  login.created();
  login.accountChanged("admin");
  login.loginClicked();
  ASSERT_EQ(app.session.currentAccount, "admin");
}

}  // namespace cz::test
