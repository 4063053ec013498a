#include "core/command_line.h"

#include <gtest/gtest.h>

#include <sstream>

namespace cz {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, ReadsEveryForm) {
  const struct {
    Args args;
    bool help;
    bool version;
    std::optional<std::string> data;
  } cases[] = {
      {{}, false, false, std::nullopt},
      {{"--help"}, true, false, std::nullopt},
      {{"-h"}, true, false, std::nullopt},
      {{"--version"}, false, true, std::nullopt},
      {{"--data", "/media/店 铺/收银 数据"}, false, false, "/media/店 铺/收银 数据"},
      {{"--data=/media/店 铺/收银 数据"}, false, false, "/media/店 铺/收银 数据"},
      // The value after the option is taken whole, even when it looks like an option or holds "=".
      {{"--data", "-数据"}, false, false, "-数据"},
      {{"--data", "a=b"}, false, false, "a=b"},
      {{"--data=a=b"}, false, false, "a=b"},
      {{"--data", "relative", "--version", "--help"}, true, true, "relative"},
      {{"--help", "--help"}, true, false, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const ParsedCommandLine parsed = parseCommandLine(c.args);
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.help, c.help);
    EXPECT_EQ(parsed.options.version, c.version);
    EXPECT_EQ(parsed.options.dataFolder, c.data);
  }
}

TEST(CommandLine, RefusesWhatItDoesNotUnderstandInOneLine) {
  const struct {
    Args args;
    const char* error;
  } cases[] = {
      {{"--bogus"}, "chenzhou-pos: 未知的选项：--bogus（--help 列出所有选项）"},
      {{"--bogus=1"}, "chenzhou-pos: 未知的选项：--bogus（--help 列出所有选项）"},
      {{"-x"}, "chenzhou-pos: 未知的选项：-x（--help 列出所有选项）"},
      {{"--"}, "chenzhou-pos: 未知的选项：--（--help 列出所有选项）"},
      {{"-"}, "chenzhou-pos: 多余的参数：-（--help 列出所有选项）"},
      {{"数据"}, "chenzhou-pos: 多余的参数：数据（--help 列出所有选项）"},
      {{""}, "chenzhou-pos: 多余的参数：（--help 列出所有选项）"},
      {{"--data"}, "chenzhou-pos: 选项 --data 缺少 DIR：--data DIR（--help 列出所有选项）"},
      {{"--data", ""},
       "chenzhou-pos: 选项 --data 的 DIR 不能为空：--data DIR（--help 列出所有选项）"},
      {{"--data="}, "chenzhou-pos: 选项 --data 的 DIR 不能为空：--data DIR（--help 列出所有选项）"},
      {{"--data", "a", "--data", "b"},
       "chenzhou-pos: 选项 --data 只能给一次（--help 列出所有选项）"},
      {{"--data=a", "--data=a"}, "chenzhou-pos: 选项 --data 只能给一次（--help 列出所有选项）"},
      {{"--copy-to-postgres"},
       "chenzhou-pos: 选项 --copy-to-postgres 缺少 CONN：--copy-to-postgres CONN（--help "
       "列出所有选项）"},
      {{"--help=yes"}, "chenzhou-pos: 选项 --help 不带值（--help 列出所有选项）"},
      // An error anywhere wins over --help, so a mistyped command never half-works.
      {{"--help", "--bogus"}, "chenzhou-pos: 未知的选项：--bogus（--help 列出所有选项）"},
      {{"--data", "/x", "extra"}, "chenzhou-pos: 多余的参数：extra（--help 列出所有选项）"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const std::string error = parseCommandLine(c.args).error;
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

TEST(CommandLine, AnOptionWithSeveralValuesTakesThemAsSeparateArguments) {
  const ParsedCommandLine parsed =
      parseCommandLine(Args{"--export-sales", "2026-11-01", "2026-11-30", "-11月.csv", "--data", "d"});
  EXPECT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.options.exportSales, (Args{"2026-11-01", "2026-11-30", "-11月.csv"}));
  EXPECT_EQ(parsed.options.dataFolder, "d");
  EXPECT_TRUE(parseCommandLine(Args{"--data", "d"}).options.exportSales.empty());

  const struct {
    Args args;
    const char* error;
  } cases[] = {
      {{"--export-sales", "a", "b"},
       "chenzhou-pos: 选项 --export-sales 缺少 FROM TO FILE：--export-sales FROM TO FILE（--help "
       "列出所有选项）"},
      {{"--export-sales=a", "b", "c"},
       "chenzhou-pos: 选项 --export-sales 的值须分开写：--export-sales FROM TO FILE（--help "
       "列出所有选项）"},
      {{"--export-sales", "a", "", "c"},
       "chenzhou-pos: 选项 --export-sales 的 FROM TO FILE 不能为空：--export-sales FROM TO "
       "FILE（--help 列出所有选项）"},
      {{"--export-sales", "a", "b", "c", "--export-sales", "a", "b", "c"},
       "chenzhou-pos: 选项 --export-sales 只能给一次（--help 列出所有选项）"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    EXPECT_EQ(parseCommandLine(c.args).error, c.error);
  }
}

TEST(CommandLine, ReadsArgvAfterTheProgramName) {
  const char* argv[] = {"/usr/bin/chenzhou-pos", "--data", "/srv/收银"};
  const ParsedCommandLine parsed = parseCommandLine(3, argv);
  EXPECT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.options.dataFolder, "/srv/收银");
  EXPECT_EQ(parseCommandLine(1, argv).options.dataFolder, std::nullopt);
}

TEST(CommandLine, AnswersHelpVersionAndMistakesWithoutStarting) {
  const struct {
    Args args;
    std::optional<int> exitCode;
    std::string out;
    std::string err;
  } cases[] = {
      {{}, std::nullopt, "", ""},
      {{"--data", "/srv/收银"}, std::nullopt, "", ""},
      {{"--help"}, 0, helpText(), ""},
      {{"--version", "--help"}, 0, helpText(), ""},
      {{"--version"}, 0, versionText(), ""},
      {{"--bogus"}, 2, "", "chenzhou-pos: 未知的选项：--bogus（--help 列出所有选项）\n"},
      {{"--help", "--data"},
       2,
       "",
       "chenzhou-pos: 选项 --data 缺少 DIR：--data DIR（--help 列出所有选项）\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(answerWithoutWindows(parseCommandLine(c.args), out, err), c.exitCode);
    EXPECT_EQ(out.str(), c.out);
    EXPECT_EQ(err.str(), c.err);
  }
}

TEST(CommandLine, HelpListsEveryOptionAndVersionNamesTheProgram) {
  const std::string help = helpText();
  EXPECT_EQ(help.rfind("用法：chenzhou-pos [选项]\n", 0), 0u);
  for (const CommandLineOption& option : kCommandLineOptions) {
    SCOPED_TRACE(option.name);
    EXPECT_NE(help.find(option.name), std::string::npos);
    EXPECT_NE(help.find(option.help), std::string::npos);
  }
  EXPECT_NE(help.find("  --data DIR                    数据（data.db、配置.ini、备份/）"),
            std::string::npos);
  EXPECT_NE(help.find("  -h, --help                    显示本帮助后退出\n"), std::string::npos);
  EXPECT_NE(help.find("  --copy-to-postgres CONN       把 data.db 复制到空的 PostgreSQL 数据库"),
            std::string::npos);
  EXPECT_NE(help.find("  --export-sales FROM TO FILE   把 FROM 至 TO"), std::string::npos);
  EXPECT_EQ(versionText().rfind("晨舟收银系统 (chenzhou-pos) ", 0), 0u);
  EXPECT_EQ(versionText().back(), '\n');
}

}  // namespace
}  // namespace cz
