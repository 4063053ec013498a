#pragma once

#include <optional>
#include <string>

#include "util/colour.h"

namespace cz {

class Clock;
class Database;
class ListModel;
struct Session;

// Log type codes.
namespace LogType {
inline constexpr int System = 0;
inline constexpr int Sale = 1;
inline constexpr int Purchase = 2;
inline constexpr int Stock = 3;
inline constexpr int AddMember = 4;
inline constexpr int UpdateMember = 5;
inline constexpr int Error = 6;
inline constexpr int AddSupplier = 7;
inline constexpr int UpdateSupplier = 8;
}  // namespace LogType

// The label of a log type as listed ("系统", "销售", …) and its row text colour. A code outside
// 0 to 8 is listed as 系统.
const char* logTypeLabel(int type);
Rgb logTypeColour(int type);

// A log text as the list shows it with 加强安全: a new-account entry's password as "******".
// Other texts unchanged.
std::string withoutPassword(const std::string& text);

// Columns of the log list: number, 时间, 账号, 类型, 日志.
enum LogColumn { LogNumber = 0, LogTime = 1, LogAccount = 2, LogTypeName = 3, LogText = 4 };

// Writes operation-log entries to the 日志 table and lists them in the log list.
class OperationLog {
 public:
  struct Entry {
    int type = LogType::System;
    std::string text;
    // Shown in the list's account column instead of the current account.
    std::optional<std::string> displayAccount;
    // Time text to list and store instead of now.
    std::optional<std::string> time;
    // False: list the entry without storing it.
    bool store = true;
  };

  // Sets up the log list's columns.
  OperationLog(Database& db, const Session& session, const Clock& clock, ListModel& list);

  // Stores the entry with the current account and the time of now, and lists it. A failed
  // insert is not reported: the log must never stop the operation it records.
  void write(int type, const std::string& text);
  void write(const Entry& entry);

  // Lists the latest 100 stored entries, oldest first, after the rows already listed. Reads only
  // those 100 rows, however long the log is.
  void reloadRecent();

  // The time text of now.
  std::string now() const;

  ListModel& list() { return m_list; }

  // Hides the passwords of the new-account entries already listed (加强安全 switched on).
  void hidePasswordsInList();

 private:
  Database& m_db;
  const Session& m_session;
  const Clock& m_clock;
  ListModel& m_list;
};

}  // namespace cz
