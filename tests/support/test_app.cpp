#include "support/test_app.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <thread>

#include <cstdlib>
#include <functional>

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

std::vector<std::vector<std::string>> TestApp::rows(const std::string& sql,
                                                    const SqlParams& params) {
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

std::vector<std::vector<std::string>> TestApp::listed() const {
  std::vector<std::vector<std::string>> items;
  for (int i = 0; i < logList.itemCount(); ++i) {
    std::vector<std::string> item;
    for (int c = 0; c < 5; ++c) item.push_back(logList.text(i, c));
    items.push_back(std::move(item));
  }
  return items;
}

void startAndLogIn(TestApp& app) {
  LoginPresenter login(app.context, app.dialogs);
  login.created();
  login.accountChanged("admin");
  login.loginClicked();
  ASSERT_EQ(app.session.currentAccount, "admin");
}

}  // namespace cz::test
