#include <gtest/gtest.h>

#include <functional>

#include "cashier/checkout.h"
#include "catalogue/member_presenter.h"
#include "catalogue/members.h"
#include "support/test_app.h"
#include "util/ini_file.h"

namespace cz {
namespace {

void setFlag(test::TestApp& app, Permission p, bool on) {
  app.session.permissions.flags[static_cast<size_t>(p)] = on;
}

// A logged-in admin (every flag, minimum 0) on a fresh data.db.
class MemberTest : public ::testing::Test {
 protected:
  void SetUp() override { test::startAndLogIn(app); }

  void addMember(const std::string& name, const std::string& contact = "",
                 const std::string& discount = "9", const std::string& points = "0") {
    ASSERT_TRUE(app.db.execute(
        "insert into 会员(姓名,联系方式,备注,折扣率,积分,创建者) values(?,?,'注',?,?,'admin')",
        {name, contact, discount, points}));
  }
  void finishLoad(MemberListPresenter& p) {
    p.waitForReader();
    app.ui.drain();
  }
  std::vector<std::string> names(MemberListPresenter& p) {
    std::vector<std::string> got;
    for (int r = 1; r < p.grid().rowCount(); ++r) got.push_back(p.grid().text(r, MemberName));
    return got;
  }
  void edit(MemberListPresenter& p, int row, int col, const std::string& text) {
    p.grid().setCurrentCell(row, col);
    p.currentCellChanged(row, col);
    p.editBegins(row, col);
    p.grid().setText(row, col, text);
    p.cellEdited(row, col);
  }
  std::string lastLog() { return app.listed().back()[4]; }
  std::string lastLogType() { return app.listed().back()[3]; }

  test::TempDir dir;
  test::TestApp app{dir.path()};
};

TEST_F(MemberTest, LoadsEveryMemberIntoItsColumns) {
  addMember("张三", "13800", "9.5", "12.5");
  addMember("李四");
  MemberListPresenter p(app.context, app.dialogs);
  p.created();
  finishLoad(p);
  TextGrid& g = p.grid();
  ASSERT_EQ(g.rowCount(), 3);
  const std::vector<std::string> first{"1", "张三", "1", "13800", "9.5", "12.5", "注"};
  for (int c = 0; c < kMemberColumnCount; ++c)
    EXPECT_EQ(g.text(1, c), first[static_cast<size_t>(c)]);
  EXPECT_EQ(g.headerText(MemberDiscount), "折扣率");
  EXPECT_EQ(g.columnWidth(MemberNote), 180);
  EXPECT_EQ(g.text(2, 0), "2");
  EXPECT_FALSE(g.editable());
}

TEST_F(MemberTest, SearchAsksForTheTextAndACancelChangesNothing) {
  addMember("张三", "13800");
  addMember("李四", "13911");
  MemberListPresenter p(app.context, app.dialogs);
  p.created();
  app.dialogs.answerInput(std::nullopt);
  p.searchChosen();
  finishLoad(p);
  EXPECT_EQ(names(p), (std::vector<std::string>{"张三", "李四"}));
  EXPECT_EQ(app.dialogs.calls[0].text, "支持模糊查询 会员名，手机号，编号");

  for (const auto& [text, expected] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"139", {"李四"}}, {"张", {"张三"}}, {"2", {"李四"}}, {"'", {}}}) {
    app.dialogs.answerInput(text);
    p.searchChosen();
    finishLoad(p);
    EXPECT_EQ(names(p), expected) << text;
  }
}

TEST_F(MemberTest, DeleteAsksFirstThenRemovesAndReloads) {
  addMember("张三");
  addMember("李四");
  MemberListPresenter p(app.context, app.dialogs);
  p.created();
  finishLoad(p);
  p.deleteChosen();  // no current row: no question (an unexpected one fails the test)
  EXPECT_EQ(app.rows("select count(*) from 会员")[0][0], "2");

  // 否 changes nothing.
  p.grid().setCurrentCell(1, MemberName);
  const int logged = app.logList.itemCount();
  app.dialogs.answer(false);
  p.deleteChosen();
  ASSERT_EQ(app.dialogs.calls.size(), 1u);
  EXPECT_EQ(app.dialogs.calls[0].kind, "ask");
  EXPECT_EQ(app.dialogs.calls[0].text, "确定删除会员[张三]吗？");
  EXPECT_EQ(app.dialogs.calls[0].byDefault, Answer::No);
  EXPECT_EQ(app.rows("select count(*) from 会员")[0][0], "2");
  EXPECT_EQ(app.logList.itemCount(), logged);
  EXPECT_FALSE(p.loading());
  EXPECT_EQ(names(p), (std::vector<std::string>{"张三", "李四"}));

  app.db.execute("insert into 会员(姓名) values('王五')");  // added elsewhere since loading
  app.dialogs.calls.clear();
  app.dialogs.answer(true);
  p.deleteChosen();
  finishLoad(p);
  EXPECT_EQ(names(p), (std::vector<std::string>{"李四", "王五"}));
  EXPECT_EQ(lastLogType(), "更新会员");
  EXPECT_EQ(lastLog(), "删除会员编号为[1]");
  ASSERT_EQ(app.dialogs.calls.size(), 1u);
  EXPECT_EQ(app.dialogs.calls[0].text, "确定删除会员[张三]吗？");

  ASSERT_TRUE(test::failWhen(app.db, "会员", "delete", "boom"));
  p.grid().setCurrentCell(1, MemberName);
  app.dialogs.calls.clear();
  app.dialogs.answer(true);
  p.deleteChosen();
  ASSERT_EQ(app.dialogs.calls.size(), 2u);
  EXPECT_EQ(app.dialogs.calls[1].text, "boom");
  EXPECT_EQ(app.dialogs.calls[1].title, "删除失败");
  EXPECT_EQ(app.dialogs.calls[1].icon, MessageIcon::Warning);
  EXPECT_EQ(lastLog(), "删除会员编号为[2]失败，原因：boom");
}

// The question may stay open while a load refills the grid: the member deleted is the one the
// question named, not the one that row shows afterwards.
TEST_F(MemberTest, TheMemberDeletedIsTheOneAskedAbout) {
  struct LoadingWhileAsked : test::ScriptedDialogs {
    bool ask(const std::string& text, const std::string& title, Answer byDefault) override {
      if (during) during();
      return ScriptedDialogs::ask(text, title, byDefault);
    }
    std::function<void()> during;
  } dialogs;
  addMember("张三");
  addMember("李四");
  MemberListPresenter p(app.context, dialogs);
  p.grid().appendRow({"1", "李四", "2"});  // shown, say, by a search
  p.grid().setCurrentCell(1, MemberName);
  dialogs.during = [&] {
    p.refresh();
    finishLoad(p);
    ASSERT_EQ(p.grid().text(1, MemberName), "张三");
  };
  dialogs.answer(true);
  p.deleteChosen();
  EXPECT_EQ(dialogs.calls[0].text, "确定删除会员[李四]吗？");
  EXPECT_EQ(app.rows("select 姓名 from 会员"), (std::vector<std::vector<std::string>>{{"张三"}}));
}

TEST_F(MemberTest, ADeleteDuringTheOpeningLoadWins) {
  ASSERT_TRUE(
      app.db.execute("with recursive n(i) as (select 1 union all select i+1 from n "
                     "where i<3000) insert into 会员(姓名) select '员'||i from n"));
  MemberListPresenter p(app.context, app.dialogs);
  p.created();
  p.grid().appendRow({"1", "员1", "1"});  // the first row has arrived; the rest are coming
  p.grid().setCurrentCell(1, MemberName);
  app.dialogs.answer(true);
  p.deleteChosen();
  finishLoad(p);
  EXPECT_EQ(p.grid().rowCount(), 3000);
  EXPECT_EQ(p.grid().text(1, MemberName), "员2");
}

TEST_F(MemberTest, MovingOntoRateOrPointsNeedsBothFlags) {
  addMember("张三");
  MemberListPresenter p(app.context, app.dialogs);
  p.created();
  finishLoad(p);
  struct Case {
    int col;
    bool discountFlag, pointsFlag;
    bool editable;
    std::string message;
  };
  const Case cases[] = {
      {MemberName, false, false, true, ""},
      {MemberNote, false, false, true, ""},
      {MemberNumber, true, true, false, ""},
      {0, true, true, false, ""},
      {MemberDiscount, false, true, false, "当前账号无[修改折扣]权限，请联系管理员提升权限"},
      {MemberPoints, false, false, false, "当前账号无[修改折扣]权限，请联系管理员提升权限"},
      {MemberPoints, true, false, false, "当前账号无[修改积分]权限，请联系管理员提升权限"},
      {MemberDiscount, true, true, true, ""},
  };
  for (const Case& c : cases) {
    setFlag(app, Permission::ChangeDiscount, c.discountFlag);
    setFlag(app, Permission::ChangePoints, c.pointsFlag);
    app.dialogs.calls.clear();
    p.grid().setEditable(!c.editable);
    p.currentCellChanged(1, c.col);
    EXPECT_EQ(p.grid().editable(), c.editable) << c.col;
    if (c.message.empty()) {
      EXPECT_TRUE(app.dialogs.calls.empty()) << c.col;
    } else {
      ASSERT_EQ(app.dialogs.messages(), std::vector<std::string>{c.message});
      EXPECT_EQ(app.dialogs.calls[0].icon, MessageIcon::Information);
    }
  }
}

TEST_F(MemberTest, CommitChecksTheRangeThenTheAccountMinimum) {
  struct Case {
    float minimum;
    std::string text;
    std::string message;  // empty: stored
  };
  const Case cases[] = {
      {0, "0", ""},
      {0, "10", ""},
      {0, "abc", "[折扣率]不是有效的数字"},
      {0, "", "[折扣率]不是有效的数字"},
      {0, "9..5", "[折扣率]不是有效的数字"},
      {0, "10.5", "折扣率在1-10之间"},
      {0, "-1", "折扣率在1-10之间"},
      {5, "4", "当前账号允许最低折扣为：5"},
      {5, "5", ""},
  };
  addMember("张三", "138", "8");
  MemberListPresenter p(app.context, app.dialogs);
  p.created();
  finishLoad(p);
  for (const Case& c : cases) {
    app.session.permissions.minimumDiscount = c.minimum;
    ASSERT_TRUE(app.db.execute("update 会员 set 折扣率='8'"));
    p.grid().setText(1, MemberDiscount, "8");
    app.dialogs.calls.clear();
    edit(p, 1, MemberDiscount, c.text);
    const std::string stored = app.rows("select 折扣率 from 会员")[0][0];
    if (c.message.empty()) {
      EXPECT_TRUE(app.dialogs.calls.empty()) << c.text;
      EXPECT_EQ(stored, c.text);
    } else {
      ASSERT_EQ(app.dialogs.messages(), std::vector<std::string>{c.message}) << c.text;
      EXPECT_EQ(app.dialogs.calls[0].title, "修改失败");
      EXPECT_EQ(app.dialogs.calls[0].icon, MessageIcon::None);
      EXPECT_EQ(stored, "8");
      EXPECT_EQ(p.grid().text(1, MemberDiscount), "8");
    }
  }

  // A member stored below the minimum refuses a name edit too.
  app.session.permissions.minimumDiscount = 9;
  app.dialogs.calls.clear();
  edit(p, 1, MemberName, "张三丰");
  EXPECT_EQ(app.dialogs.messages(), std::vector<std::string>{"当前账号允许最低折扣为：9"});
  EXPECT_EQ(app.rows("select 姓名 from 会员")[0][0], "张三");
}

TEST_F(MemberTest, PointsTakeOnlyANumberNotBelowZero) {
  addMember("张三", "138", "9", "10");
  MemberListPresenter p(app.context, app.dialogs);
  p.created();
  finishLoad(p);
  const std::pair<std::string, std::string> cases[] = {
      {"abc", "[积分]不是有效的数字"},
      {"1e3", "[积分]不是有效的数字"},
      {"-5", "[积分]必须在0到99999999之间"},
      {"", "[积分]不是有效的数字"},
      {"12.5", ""},
      {"0", ""},
  };
  for (const auto& [text, message] : cases) {
    const std::string before = p.grid().text(1, MemberPoints);
    const std::string storedBefore = app.rows("select 积分 from 会员")[0][0];
    const size_t logged = app.listed().size();
    app.dialogs.calls.clear();
    edit(p, 1, MemberPoints, text);
    const std::string stored = app.rows("select 积分 from 会员")[0][0];
    if (message.empty()) {
      EXPECT_TRUE(app.dialogs.calls.empty()) << text;
      EXPECT_EQ(stored, text);
    } else {
      EXPECT_EQ(app.dialogs.messages(), std::vector<std::string>{message}) << text;
      EXPECT_EQ(app.dialogs.calls[0].title, "修改失败");
      EXPECT_EQ(p.grid().text(1, MemberPoints), before) << text;
      EXPECT_EQ(stored, storedBefore) << text;
      EXPECT_EQ(app.listed().size(), logged) << text;
    }
  }
}

TEST_F(MemberTest, PointsEarnedAfterLoadingSurviveANameEdit) {
  addMember("张三", "138", "9", "10");
  MemberListPresenter p(app.context, app.dialogs);
  p.created();
  finishLoad(p);
  ASSERT_TRUE(app.db.execute("update 会员 set 积分=积分+2.5"));  // a sale since loading
  edit(p, 1, MemberName, "O'张");
  EXPECT_EQ(app.rows("select 姓名, 积分 from 会员")[0], (std::vector<std::string>{"O'张", "12.5"}));
  EXPECT_EQ(lastLogType(), "更新会员");
  EXPECT_EQ(lastLog(),
            "[修改会员信息]：编号为：1 名称=O'张；联系方式=138；折扣率=9；积分=12.5；备注=注");
  EXPECT_EQ(p.grid().text(1, MemberPoints), "12.5");

  ASSERT_TRUE(test::failWhen(app.db, "会员", "update", "boom"));
  edit(p, 1, MemberNote, "新");
  EXPECT_EQ(app.dialogs.messages(), std::vector<std::string>{"boom"});
  EXPECT_EQ(app.dialogs.calls[0].title, "修改失败");
  EXPECT_EQ(lastLogType(), "错误");
  EXPECT_EQ(lastLog(), "[修改会员信息失败]：boom");
}

TEST_F(MemberTest, PointsTypedOverAViewOlderThanASaleAreRefusedAndTheRowReadAgain) {
  addMember("张三", "138", "9", "10");
  MemberListPresenter p(app.context, app.dialogs);
  p.created();
  finishLoad(p);
  // Another till's sale (a second program on the same data) earns points after the list was
  // loaded.
  test::TestApp till{dir.path()};
  test::startAndLogIn(till);
  ASSERT_TRUE(addMemberPoints(till.db, till.log, "1", "2.5").ok);
  const size_t logged = app.listed().size();
  edit(p, 1, MemberPoints, "100");
  EXPECT_EQ(app.dialogs.messages(), std::vector<std::string>{"该会员已被其他收银台修改，已重新读取"});
  EXPECT_EQ(app.dialogs.calls[0].title, "修改失败");
  EXPECT_EQ(app.rows("select 积分 from 会员")[0][0], "12.5");
  EXPECT_EQ(p.grid().text(1, MemberPoints), "12.5");
  EXPECT_EQ(app.listed().size(), logged);

  app.dialogs.calls.clear();
  edit(p, 1, MemberPoints, "100");
  EXPECT_TRUE(app.dialogs.calls.empty());
  EXPECT_EQ(app.rows("select 积分 from 会员")[0][0], "100");

  // A discount edit after another sale keeps that sale's points.
  ASSERT_TRUE(addMemberPoints(till.db, till.log, "1", "1").ok);
  edit(p, 1, MemberDiscount, "8");
  EXPECT_TRUE(app.dialogs.calls.empty());
  EXPECT_EQ(app.rows("select 折扣率, 积分 from 会员")[0], (std::vector<std::string>{"8", "101"}));
  EXPECT_EQ(p.grid().text(1, MemberPoints), "101");

  ASSERT_TRUE(app.db.execute("delete from 会员"));
  edit(p, 1, MemberNote, "x");
  EXPECT_EQ(app.dialogs.messages().back(), "该会员已被其他收银台修改，已重新读取");
  EXPECT_EQ(p.grid().rowCount(), 1);
}

TEST_F(MemberTest, TheDiscountBoxIsCheckedOnEveryKeystroke) {
  struct Case {
    float minimum;
    std::string typed;
    std::string box;
    std::string message;
  };
  const Case cases[] = {
      {0, "", "10", "折扣有效参数在1-10之间"},
      {0, "0", "10", "折扣有效参数在1-10之间"},
      {0, "0.5", "0.5", ""},
      {0, "9", "9", ""},
      {0, "10.5", "10", "折扣有效参数在1-10之间"},
      {5, "4", "10", "当前账号权限允许最低折扣为：5"},
      {12, "9", "10", "当前账号权限允许最低折扣为：12"},  // one message, no endless reset
  };
  for (const Case& c : cases) {
    app.session.permissions.minimumDiscount = c.minimum;
    app.dialogs.calls.clear();
    AddMemberPresenter p(app.context, app.dialogs);
    EXPECT_EQ(p.discount(), "10");
    p.discountChanged(c.typed);
    EXPECT_EQ(p.discount(), c.box) << c.typed;
    if (c.message.empty()) {
      EXPECT_TRUE(app.dialogs.calls.empty()) << c.typed;
    } else {
      ASSERT_EQ(app.dialogs.messages(), std::vector<std::string>{c.message}) << c.typed;
      EXPECT_EQ(app.dialogs.calls[0].icon, MessageIcon::Information);
    }
  }
}

// A duplicate is a member with exactly the same name, or exactly the same non-empty contact,
// blanks at either end of the typed and the stored text aside. Nothing else is refused.
TEST_F(MemberTest, AddRefusesOnlyTheSameNameOrTheSameContact) {
  const std::string fullWidthSpace = "\u3000";
  addMember("张三丰", "13912345678");
  addMember(" 王五\t", fullWidthSpace + "13800 ");  // stored with blanks
  const std::string nameTaken = "该姓名已经存在会员了";
  const std::string contactTaken = "该联系方式已经存在会员了";
  struct Case {
    const char* what;
    std::string name, contact;
    std::string message;  // empty: added
  };
  const Case cases[] = {
      {"a name inside a stored one", "张三", "177", ""},
      {"the same name", "张三丰", "177", "[张三丰]" + nameTaken},
      {"the same name with blanks", " 张三丰" + fullWidthSpace, "177",
       "[ 张三丰" + fullWidthSpace + "]" + nameTaken},
      {"a name stored with blanks", "王五", "177", "[王五]" + nameTaken},
      {"a name inside a member number", "1", "177", ""},
      {"an empty name with members on file", "", "177", ""},
      {"an empty contact with members on file", "李四", "", ""},
      {"a blank contact", "李四", " \t", ""},
      {"a contact inside a stored one", "李四", "139", ""},
      {"the same contact", "李四", "13912345678", "[13912345678]" + contactTaken},
      {"the same contact with blanks", "李四", " 13912345678\r\n",
       "[ 13912345678\r\n]" + contactTaken},
      {"a contact stored with blanks", "李四", "13800", "[13800]" + contactTaken},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    app.dialogs.calls.clear();
    AddMemberPresenter p(app.context, app.dialogs);
    p.name = c.name;
    p.contact = c.contact;
    p.addClicked();
    const auto added = app.rows("select 姓名,联系方式 from 会员 where 编号>2");
    if (c.message.empty()) {
      EXPECT_TRUE(app.dialogs.calls.empty());
      EXPECT_EQ(added, (std::vector<std::vector<std::string>>{{c.name, c.contact}}));
    } else {
      ASSERT_EQ(app.dialogs.messages(), std::vector<std::string>{c.message});
      EXPECT_EQ(app.dialogs.calls[0].icon, MessageIcon::Information);
      EXPECT_TRUE(added.empty());
    }
    ASSERT_TRUE(app.db.execute("delete from 会员 where 编号>2"));
  }
}

TEST_F(MemberTest, AddInsertsAndClearsAllButTheDiscount) {
  AddMemberPresenter p(app.context, app.dialogs);
  p.discountChanged("8.5");
  p.contact = "139";
  p.note = "常客";
  p.addClicked();  // an empty name is accepted while there is no member at all
  ASSERT_TRUE(app.dialogs.calls.empty());
  p.name = "李四";
  p.contact = "158";
  p.addClicked();
  EXPECT_TRUE(app.dialogs.calls.empty());
  EXPECT_EQ(app.rows("select 姓名,联系方式,备注,折扣率,积分,创建者 from 会员 where 编号=2")[0],
            (std::vector<std::string>{"李四", "158", "", "8.5", "0", "admin"}));
  EXPECT_EQ(lastLogType(), "增加会员");
  EXPECT_EQ(lastLog(), "增加会员[李四]");
  EXPECT_EQ(p.name + p.contact + p.note, "");
  EXPECT_EQ(p.discount(), "8.5");

  ASSERT_TRUE(test::failWhen(app.db, "会员", "insert", "boom"));
  p.name = "王五";
  p.contact = "177";
  p.addClicked();
  EXPECT_EQ(app.dialogs.messages(), std::vector<std::string>{"boom"});
  EXPECT_EQ(app.dialogs.calls[0].icon, MessageIcon::None);
  EXPECT_EQ(lastLogType(), "错误");
  EXPECT_EQ(lastLog(), "增加会员[王五]失败，原因：boom");
  EXPECT_EQ(p.name, "王五");
}

// The colour the main window shows, held in memory; the file may say otherwise when its write
// failed.
TEST_F(MemberTest, TheAddWindowTakesTheThemeBackgroundTheMainWindowShows) {
  EXPECT_EQ(AddMemberPresenter(app.context, app.dialogs).background(), kNoColour);
  IniFile(app.session.settingsFilePath()).write("颜色", "背景", "15790320");
  app.session.settings.theme.background = rgb(10, 20, 30);
  EXPECT_EQ(AddMemberPresenter(app.context, app.dialogs).background(), rgb(10, 20, 30));
}

}  // namespace
}  // namespace cz
