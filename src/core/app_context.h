#pragma once

#include <string>

namespace cz {

class Backups;
class Clock;
class Database;
class OperationLog;
class PrintSpooler;
class UiQueue;
class Windows;
struct Session;

// The process-wide objects that presenters share, created once at start-up and handed to every
// presenter. Nothing here is a singleton: tests build their own.
struct AppContext {
  Database& db;
  Session& session;
  OperationLog& log;
  const Clock& clock;
  Windows& windows;
  // Where worker-thread loads hand their rows to the UI thread.
  UiQueue& ui;
  // The data folder (data.db, 配置.ini, 备份/), without a trailing separator, chosen before the
  // first window; the bootstrap derives the session's data directory from it.
  std::string dataFolder;
  // The file that remembers the account name typed last.
  std::string accountMemoryPath;
  // Sends ESC/POS jobs off the UI thread for every window; a window makes its own when none is
  // given.
  PrintSpooler* printSpooler = nullptr;
  // The backups of data.db; none where nothing backs up (tests, tools).
  Backups* backups = nullptr;
};

}  // namespace cz
