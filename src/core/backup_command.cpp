#include "core/backup_command.h"

#include <filesystem>
#include <system_error>

#include "core/backup_service.h"
#include "core/command_line.h"
#include "storage/backup.h"
#include "storage/database_kind.h"
#include "storage/server_copy.h"
#include "util/clock.h"

namespace cz {

namespace fs = std::filesystem;

namespace {

std::string databaseIn(const std::string& dataDir) {
  return (fs::path(dataDir) / "data.db").string();
}

// The text with the "\r\n" line breaks of messages as the terminal's.
std::string terminalLines(std::string text) {
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
    text.erase(at, 1);
  }
  return text;
}

bool databaseMissing(const std::string& path, std::ostream& out) {
  std::error_code error;
  if (fs::is_regular_file(path, error)) return false;
  out << "找不到数据库：" << path << "\n";
  return true;
}

}  // namespace

int runBackupCommand(const std::string& dataDir, const std::string& targetDir, std::ostream& out) {
  const std::string database = databaseIn(dataDir);
  if (databaseMissing(database, out)) return 1;
  const BackupOptions options =
      readBackupOptions((fs::path(dataDir) / "配置.ini").string(), database);
  if (!options.keepError.empty()) out << options.keepError << "\n";
  CopyControl control;
  const BackupResult result =
      writeBackup(database, targetDir, options.keep, SystemClock().now(), control);
  if (!result.ok) {
    out << terminalLines(result.error) << "\n";
    return 1;
  }
  out << "已备份到：" << result.path << "\n";
  for (const std::string& removed : result.removed) out << "已删除较早的备份：" << removed << "\n";
  for (const std::string& kept : result.notRemoved) out << "删除旧备份失败：" << kept << "\n";
  return 0;
}

int runCheckCommand(const std::string& dataDir, std::ostream& out) {
  const std::string database = databaseIn(dataDir);
  if (databaseMissing(database, out)) return 2;
  const IntegrityReport report = checkDatabaseFile(database, CheckDepth::Full);
  if (report.ok && report.shopTables == 0) {
    out << kNoShopDataText << "：" << database << "\n";
    return 1;
  }
  if (report.ok) {
    out << "数据库完好\n";
    return 0;
  }
  out << "数据库有错误：" << database << "\n";
  for (const std::string& line : report.problems) out << terminalLines(line) << "\n";
  return 1;
}

std::optional<int> runTerminalCommand(const CommandLine& options, const std::string& dataDir,
                                      std::ostream& out, std::ostream* progress) {
  if (options.check || options.backupFolder) {
    // data.db is the shop's data only when the settings say so: a server shop's file is stale.
    const DatabaseChoice choice = readDatabaseChoice((fs::path(dataDir) / "配置.ini").string());
    if (choice.kind != DatabaseKind::File) {
      out << (choice.kind == DatabaseKind::Server ? kOnServerText : choice.error) << "\n";
      return 2;
    }
  }
  // Both: the copy is taken only of a file that passed the check.
  if (options.check) {
    const int checked = runCheckCommand(dataDir, out);
    if (checked != 0 || !options.backupFolder) return checked;
  }
  if (options.backupFolder) return runBackupCommand(dataDir, *options.backupFolder, out);
  if (options.copyToServer) {
    return runCopyToServerCommand(dataDir, *options.copyToServer, out, progress);
  }
  return std::nullopt;
}

std::string executableDirectory() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string() : self.parent_path().string();
}

}  // namespace cz
