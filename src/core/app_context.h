#pragma once

#include <string>

namespace cz {

class Backups;
class Clock;
class Database;
class OperationLog;
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
  // Directory of the executable (without a trailing separator); the bootstrap derives the
  // program directory from it.
  std::string executableDirectory;
  // The file that remembers the account name typed last.
  std::string accountMemoryPath;
  // The backups of data.db; none where nothing backs up (tests, tools).
  Backups* backups = nullptr;
};

}  // namespace cz
