#pragma once
// Helpers of the backup tests: settling the backup work, reading files without writing to them,
// spoiling a page on purpose.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/backup_service.h"
#include "storage/schema.h"
#include "support/test_app.h"
#include "util/ini_file.h"

namespace cz::test {

using Rows = std::vector<std::vector<std::string>>;
using Names = std::vector<std::string>;

inline void settle(TestApp& app, Backups& backups) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while ((backups.busy() || app.ui.pending() > 0) && std::chrono::steady_clock::now() < end) {
    app.ui.drain();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_FALSE(backups.busy()) << "the backup did not end";
}

// The names of the files in `folder`, sorted.
inline Names namesIn(const std::filesystem::path& folder) {
  Names names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The rows of a query on a file, read without writing to it (the program's Database would turn
// the file to the write-ahead log).
inline Rows query(const std::string& file, const std::string& sql) {
  Rows rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << file << ": " << sqlite3_errmsg(db);
    sqlite3_close(db);
    return rows;
  }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
  }
  while (statement && sqlite3_step(statement) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int i = 0; i < sqlite3_column_count(statement); ++i) {
      const auto* text = sqlite3_column_text(statement, i);
      row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

// Every row of every table, the 错误 entries of the log left out (a failure adds one).
inline Rows contents(TestApp& app) {
  Rows all;
  for (const TableDef& table : schemaTables()) {
    std::string sql = "select * from " + table.name;
    if (table.name == "日志") sql += " where 类型<>'6'";
    for (auto& row : app.rows(sql + " order by rowid")) {
      row.insert(row.begin(), table.name);
      all.push_back(std::move(row));
    }
  }
  return all;
}

// Flips every bit of one byte: the first byte of page 2 is its page type, so the b-tree there is
// no longer one the engine knows.
inline void flipByte(const std::string& file, std::streamoff offset) {
  std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
  ASSERT_TRUE(stream);
  stream.seekg(offset);
  char byte = 0;
  stream.read(&byte, 1);
  byte = static_cast<char>(~byte);
  stream.seekp(offset);
  stream.write(&byte, 1);
}

inline std::streamoff secondPage(const std::string& file) {
  return std::stoll(query(file, "pragma page_size").at(0).at(0));
}

inline void writeKey(const TestApp& app, const char* key, const std::string& value) {
  ASSERT_TRUE(IniFile(app.session.settingsFilePath()).write("备份", key, value));
}

inline bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace cz::test
