#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace cz {

// What the command line asked for. Each field is filled by one row of kOptions below.
struct CommandLine {
  bool help = false;
  bool version = false;
  // The data folder (data.db, 配置.ini, 备份/), as typed.
  std::optional<std::string> dataFolder;
  // Terminal jobs that run without a window: one checked copy of data.db into this folder, and
  // the integrity check of data.db.
  std::optional<std::string> backupFolder;
  bool check = false;
  // A libpq connection string: copy data.db into that empty server database.
  std::optional<std::string> copyToServer;
  // FROM TO FILE: the sales report of those days written to FILE; empty when not asked for.
  std::vector<std::string> exportSales;
};

// One option: its name, an optional short alias, the name of its value (none for a switch), its
// line of --help and the field it fills. A switch fills a bool; an option with a value fills an
// optional text and may be given once; an option whose value name has several words (such as
// "FROM TO FILE") takes that many values, each as its own argument, and fills a list.
struct CommandLineOption {
  const char* name;
  const char* alias;
  const char* valueName;
  const char* help;
  std::variant<bool CommandLine::*, std::optional<std::string> CommandLine::*,
               std::vector<std::string> CommandLine::*>
      field;
};

// Every option the program understands, in the order --help lists them. A new option is one row
// here and its field above.
inline const CommandLineOption kCommandLineOptions[] = {
    {"--data", nullptr, "DIR", "数据（data.db、配置.ini、备份/）放在文件夹 DIR，没有时创建",
     &CommandLine::dataFolder},
    {"--backup", nullptr, "DIR", "把 data.db 备份一份到已有的文件夹 DIR（保留最新的若干份）后退出",
     &CommandLine::backupFolder},
    {"--check", nullptr, nullptr, "检查 data.db 是否完好后退出（0 完好，1 有错误，2 没有 data.db）",
     &CommandLine::check},
    {"--copy-to-postgres", nullptr, "CONN",
     "把 data.db 复制到空的 PostgreSQL 数据库（CONN 是连接串，如 \"host=… dbname=shop "
     "user=till1\"），核对后退出",
     &CommandLine::copyToServer},
    {"--export-sales", nullptr, "FROM TO FILE",
     "把 FROM 至 TO（如 2026-11-01 2026-11-30）的销售统计（按日、按商品）写成 FILE（.csv 或 "
     ".xlsx）后退出（0 完成，1 失败，2 用法有误）",
     &CommandLine::exportSales},
    {"--help", "-h", nullptr, "显示本帮助后退出", &CommandLine::help},
    {"--version", nullptr, nullptr, "显示版本后退出", &CommandLine::version},
};

struct ParsedCommandLine {
  CommandLine options;
  // One line saying what was wrong; empty when every argument was understood.
  std::string error;
};

// Reads the arguments that follow the program's name. A value follows its option as the next
// argument or after "=" (--data DIR, --data=DIR). Fails on an unknown option, on any argument
// that is no option, on a missing or empty value, on a value given to a switch and on an option
// with a value given twice.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments);
ParsedCommandLine parseCommandLine(int argc, const char* const* argv);

// The texts of --help and --version, each ending in a line break.
std::string helpText();
std::string versionText();

// Answers what needs no window: the error (on `err`, exit code 2), --help or --version (on
// `out`, exit code 0). Returns nothing when the program should start.
std::optional<int> answerWithoutWindows(const ParsedCommandLine& parsed, std::ostream& out,
                                        std::ostream& err);

}  // namespace cz
