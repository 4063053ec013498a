#include "core/bootstrap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "core/branding.h"
#include "core/login_presenter.h"
#include "storage/schema.h"
#include "support/test_app.h"

namespace cz {
namespace {

using Rows = std::vector<std::vector<std::string>>;

const std::string kWelcome = std::string(kWelcomeText) + kSupportContact;
const std::string kNow = "2026-12-10 09:05:03";

// Starts the program once on `dir`: the login window's creation runs the bootstrap.
std::unique_ptr<test::TestApp> start(const std::filesystem::path& dir) {
  auto app = std::make_unique<test::TestApp>(dir);
  LoginPresenter login(app->context, app->dialogs);
  login.created();
  return app;
}

// A store holding only a log table with `count` entries "entry 1" … "entry <count>": data.db, or
// on the server the folder's database.
void makeLog(const std::filesystem::path& dir, int count, const std::string& type = "3") {
  test::TestApp{dir};  // names the folder's database on the server
  Database db;
  ASSERT_TRUE(test::openStore(db, dir)) << db.lastError();
  const auto& tables = schemaTables();
  const auto log = std::find_if(tables.begin(), tables.end(),
                                [](const TableDef& table) { return table.name == "日志"; });
  ASSERT_NE(log, tables.end());
  ASSERT_TRUE(db.createTable(log->name, log->columns)) << db.lastError();
  ASSERT_TRUE(db.begin());
  for (int i = 1; i <= count; ++i) {
    ASSERT_TRUE(db.execute("insert into 日志(时间,类型,账号,日志) values(?,?,?,?)",
                           {"2025-01-01 00:00:00", type, "clerk", "entry " + std::to_string(i)}));
  }
  ASSERT_TRUE(db.commit());
}

const std::vector<std::string> kIndexes = {"会员_姓名", "会员_联系方式", "库存_名称",
                                           "库存_条码", "进货_日期",     "进货_订单号",
                                           "销售_日期", "销售_订单号"};

TEST(Bootstrap, FirstStartCreatesEveryTableTheAdminAndTheFirstEntries) {
  test::TempDir dir;
  auto app = start(dir.path());

  EXPECT_EQ(app->session.dataDirectory, dir.str() + "/");
  EXPECT_EQ(test::tableColumns(app->db),
            (Rows{{"账号", "账号", "密码", "查看进货", "进货权限", "编辑进货", "修改折扣",
                   "修改积分", "新增会员", "清除日志", "新增供应商", "改删供应商", "查看底价",
                   "账号最低折扣", "修改商品权限", "删除销售订单", "删除采购订单"},
                  {"会员", "编号", "姓名", "联系方式", "备注", "折扣率", "积分", "创建者"},
                  {"日志", "时间", "类型", "账号", "日志"},
                  {"进货", "订单号", "日期", "供应商", "电话", "订单详情", "应付", "实付",
                   "付款方式", "制单人"},
                  {"库存", "名称", "条码", "规格", "备注", "进货价", "销售价", "当前库存",
                   "最低折扣", "参与积分"},
                  {"供应商", "名称", "联系方式", "编号", "创建者"},
                  {"销售", "订单号", "日期", "客户", "客户编号", "订单详情", "总应收", "总实收",
                   "积分", "付款方式", "制单人"},
                  // The till's own tables follow.
                  {"交班记录", "编号", "时间", "账号", "开始", "结束", "订单数", "总应收", "总实收",
                   "现金支付", "微信支付", "支付宝支付", "其他支付", "备用金", "应有现金",
                   "实点现金", "差额", "下班备用金", "报表"},
                  {"挂单", "编号", "时间", "订单号", "客户", "客户编号", "折扣率", "付款方式",
                   "应收", "行数", "订单详情", "制单人"},
                  {"商品属性", "条码", "称重", "预警"}}));
  EXPECT_EQ(test::indexNames(app->db), kIndexes);
  // The file keeps each table's statement as written; the server keeps no statement text.
  if (!app->db.onServer()) {
    EXPECT_EQ(
        app->rows("select sql from sqlite_master where type='table' order by rowid"),
        (Rows{{"CREATE TABLE 账号 (账号 TEXT(50), 密码 TEXT(50), 查看进货 INTEGER, 进货权限 "
               "INTEGER, 编辑进货 INTEGER, 修改折扣 INTEGER, 修改积分 INTEGER, 新增会员 INTEGER, "
               "清除日志 INTEGER, 新增供应商 INTEGER, 改删供应商 INTEGER, 查看底价 INTEGER, "
               "账号最低折扣 NUMERIC, 修改商品权限 INTEGER, 删除销售订单 INTEGER, 删除采购订单 "
               "INTEGER)"},
              {"CREATE TABLE 会员 (编号 INTEGER PRIMARY KEY, 姓名 TEXT(50), 联系方式 TEXT(15), "
               "备注 TEXT(200), 折扣率 INTEGER, 积分 NUMERIC, 创建者 TEXT(15))"},
              {"CREATE TABLE 日志 (时间 TEXT(13), 类型 TEXT(20), 账号 TEXT(20), 日志 TEXT)"},
              {"CREATE TABLE 进货 (订单号 TEXT(20), 日期 TEXT, 供应商 TEXT(50), 电话 TEXT(20), "
               "订单详情 TEXT, 应付 NUMERIC, 实付 NUMERIC, 付款方式 TEXT(20), 制单人 TEXT(50))"},
              {"CREATE TABLE 库存 (名称 TEXT(50), 条码 TEXT(50), 规格 TEXT(50), 备注 TEXT(200), "
               "进货价 NUMERIC, 销售价 NUMERIC, 当前库存 INTEGER, 最低折扣 TEXT, 参与积分 "
               "INTEGER)"},
              {"CREATE TABLE 供应商 (名称 TEXT(50), 联系方式 TEXT(50), 编号 INTEGER PRIMARY KEY, "
               "创建者 TEXT(50))"},
              {"CREATE TABLE 销售 (订单号 TEXT(20), 日期 TEXT, 客户 TEXT(50), 客户编号 TEXT(50), "
               "订单详情 TEXT, 总应收 NUMERIC, 总实收 NUMERIC, 积分 INTEGER, 付款方式 TEXT(20), "
               "制单人 TEXT(20))"},
              // The till's own tables follow.
              {"CREATE TABLE 交班记录 (编号 INTEGER PRIMARY KEY, 时间 TEXT, 账号 TEXT(20), 开始 "
               "TEXT, 结束 TEXT, 订单数 INTEGER, 总应收 NUMERIC, 总实收 NUMERIC, 现金支付 NUMERIC, "
               "微信支付 NUMERIC, 支付宝支付 NUMERIC, 其他支付 NUMERIC, 备用金 NUMERIC, 应有现金 "
               "NUMERIC, 实点现金 NUMERIC, 差额 NUMERIC, 下班备用金 NUMERIC, 报表 TEXT)"},
              {"CREATE TABLE 挂单 (编号 INTEGER PRIMARY KEY, 时间 TEXT, 订单号 TEXT(20), 客户 "
               "TEXT(50), 客户编号 TEXT(50), 折扣率 NUMERIC, 付款方式 TEXT(20), 应收 NUMERIC, 行数 "
               "INTEGER, 订单详情 TEXT, 制单人 TEXT(20))"},
              {"CREATE TABLE 商品属性 (条码 TEXT PRIMARY KEY, 称重 TEXT, 预警 NUMERIC)"}}));
  }
  EXPECT_EQ(app->rows("select * from 账号"),
            (Rows{{"admin", "", "真", "真", "真", "真", "真", "真", "真", "真", "真", "真", "0",
                   "真", "真", "真"}}));
  EXPECT_EQ(app->rows("select * from 日志"),
            (Rows{{kNow, "0", "", "成功创建数据库"}, {kNow, "0", "", kWelcome}}));
  // The creation entry is listed when written and again by the reload.
  EXPECT_EQ(app->listed(), (Rows{{"1", kNow, "", "系统", "成功创建数据库"},
                                 {"2", kNow, "", "系统", "成功创建数据库"},
                                 {"3", kNow, "系统", "系统", kWelcome}}));
  EXPECT_EQ(app->windows.calls, std::vector<std::string>{"loadLog"});
  EXPECT_TRUE(app->dialogs.calls.empty());
}

TEST(Bootstrap, ALaterStartCreatesNothingAndListsWhatWasStored) {
  test::TempDir dir;
  start(dir.path());
  auto again = start(dir.path());
  // Seven tables and the till's three, and the lookup indexes.
  EXPECT_EQ(test::tableNames(again->db).size(), 10u);
  EXPECT_EQ(test::indexNames(again->db), kIndexes);
  EXPECT_EQ(again->rows("select count(*) from 账号"), (Rows{{"1"}}));
  EXPECT_EQ(again->listed(), (Rows{{"1", kNow, "", "系统", "成功创建数据库"},
                                   {"2", kNow, "", "系统", kWelcome},
                                   {"3", kNow, "系统", "系统", kWelcome}}));
}

TEST(Bootstrap, ReloadListsTheLatestHundredOldestFirst) {
  const struct {
    int stored;
    int firstListed;  // number of the first stored entry that is listed
  } cases[] = {{1000, 901}, {100, 1}, {101, 2}, {3, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    test::TempDir dir;
    makeLog(dir.path(), c.stored);
    auto app = start(dir.path());
    const Rows listed = app->listed();
    const int reloaded = c.stored - c.firstListed + 1;
    ASSERT_EQ(listed.size(), static_cast<size_t>(reloaded + 1));
    EXPECT_EQ(listed.front(),
              (std::vector<std::string>{"1", "2025-01-01 00:00:00", "clerk", "更新库存",
                                        "entry " + std::to_string(c.firstListed)}));
    EXPECT_EQ(listed[static_cast<size_t>(reloaded - 1)][4], "entry " + std::to_string(c.stored));
    EXPECT_EQ(listed.back()[0], std::to_string(reloaded + 1));
    EXPECT_EQ(listed.back()[4], kWelcome);
    // Nothing created.
    EXPECT_EQ(test::tableNames(app->db), std::vector<std::string>{"日志"});
    EXPECT_TRUE(test::indexNames(app->db).empty());
  }
}

TEST(Bootstrap, ReloadedTypesShowTheirLabelAndColour) {
  const struct {
    const char* stored;
    const char* label;
    Rgb colour;
  } cases[] = {{"6", "错误", rgb(255, 0, 0)},
               {"1", "销售", rgb(0, 0, 255)},
               {"8", "更新供应商", rgb(255, 80, 128)},
               {"abc", "系统", rgb(128, 128, 128)},
               {"42", "系统", rgb(128, 128, 128)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    test::TempDir dir;
    makeLog(dir.path(), 1, c.stored);
    auto app = start(dir.path());
    EXPECT_EQ(app->logList.text(0, 3), c.label);
    EXPECT_EQ(app->logList.itemTextColour(0), c.colour);
    EXPECT_EQ(app->logList.itemBackColour(0), rgb(255, 255, 255));
  }
}

TEST(Bootstrap, AnEmptyFileGetsTheSchemaAFileWithTablesIsUsedAsItIs) {
  test::TempDir dir;
  // The file exists with 0 bytes; the server has no file, its database is new and as empty.
  std::ofstream(dir.path() / "data.db").close();
  auto app = start(dir.path());
  // The seven tables and the till's three.
  EXPECT_EQ(test::tableNames(app->db).size(), 10u);
  EXPECT_EQ(app->rows("select 账号 from 账号"), (Rows{{"admin"}}));

  test::TempDir other;
  makeLog(other.path(), 1);
  auto used = start(other.path());
  EXPECT_EQ(test::tableNames(used->db), std::vector<std::string>{"日志"});
  EXPECT_TRUE(test::indexNames(used->db).empty());
}

TEST(Bootstrap, ASchemaStepThatFailsRollsEverythingBackAndSaysWhich) {
  // A view of a table's name makes that table's creation fail.
  const struct {
    const char* name;
    const char* title;
  } cases[] = {{"账号", "创建账号失败"}, {"会员", "创建会员失败"}, {"日志", "创建日志失败"},
               {"进货", "创建进货失败"}, {"库存", "创建库存失败"}, {"供应商", "创建供应商失败"},
               {"销售", "创建销售失败"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    {
      test::TestApp{dir.path()};  // names the folder's database on the server
      Database db;
      ASSERT_TRUE(test::openStore(db, dir.path())) << db.lastError();
      ASSERT_TRUE(db.execute(std::string("CREATE VIEW ") + c.name + " AS SELECT 1"));
    }
    auto app = start(dir.path());
    ASSERT_EQ(app->dialogs.calls.size(), 1u);
    EXPECT_EQ(app->dialogs.calls[0].title, c.title);
    EXPECT_EQ(app->dialogs.calls[0].text,
              app->db.onServer() ? std::string("relation \"") + c.name + "\" already exists"
                                 : std::string("view ") + c.name + " already exists");
    EXPECT_EQ(app->dialogs.calls[0].icon, MessageIcon::Information);
    EXPECT_TRUE(test::tableNames(app->db).empty());
    // Nothing claims the database was created; the welcome entry is still listed.
    ASSERT_EQ(app->listed().size(), 1u);
    EXPECT_EQ(app->listed()[0][4], kWelcome);
  }
}

TEST(Bootstrap, ADatabaseThatCannotBeOpenedIsReportedAndStartUpGoesOn) {
  test::TempDir dir;
  const auto blocker = dir.path() / "not-a-directory";
  std::ofstream(blocker).close();
  test::TestApp app(blocker);
  LoginPresenter login(app.context, app.dialogs);
  login.created();
  ASSERT_EQ(app.dialogs.calls.size(), 1u);
  EXPECT_EQ(app.dialogs.calls[0].title, "打开数据库失败");
  EXPECT_EQ(app.dialogs.calls[0].text, "unable to open database file");
  ASSERT_EQ(app.listed().size(), 1u);
  EXPECT_EQ(app.listed()[0][4], kWelcome);
  // Every account is then unknown.
  login.accountChanged("admin");
  login.loginClicked();
  EXPECT_EQ(app.dialogs.messages().back(), "账号不存在");
}

}  // namespace
}  // namespace cz
