#include <gtest/gtest.h>

#include "catalogue/lookups.h"
#include "catalogue/supplier_add.h"
#include "catalogue/supplier_page_presenter.h"
#include "storage/database.h"
#include "support/test_app.h"

namespace cz {
namespace {

class SupplierTest : public testing::Test {
 protected:
  void SetUp() override {
    test::startAndLogIn(app);
    app.dialogs.calls.clear();
    app.windows.calls.clear();
    for (const auto& [name, contact] : std::vector<std::pair<std::string, std::string>>{
             {"甲方", "111"}, {"乙方", "甲222"}, {"甲方", "333"}, {"丙", ""}}) {
      EXPECT_TRUE(app.db.execute("insert into 供应商(名称,联系方式,创建者) values(?,?,'admin')",
                                 {name, contact}));
    }
  }

  // Runs a load to its end: the worker's rows reach the grid on the (test's) UI thread.
  void finishLoad() {
    page.waitForLoad();
    app.ui.drain();
    EXPECT_FALSE(page.loading());
  }
  void search(const std::string& text) {
    page.searchChanged(text);
    page.searchKeyDown(13);
    finishLoad();
  }
  // The grid's name column, row by row.
  std::vector<std::string> names() {
    std::vector<std::string> shown;
    for (int row = 1; row < page.grid().rowCount(); ++row) {
      EXPECT_EQ(page.grid().text(row, 0), std::to_string(row));
      shown.push_back(page.grid().text(row, SupplierName));
    }
    return shown;
  }
  std::vector<std::vector<std::string>> stored() {
    return app.rows("select 名称,联系方式 from 供应商 order by 编号");
  }
  // The last log entry's type label and text.
  std::pair<std::string, std::string> lastEntry() {
    const auto last = app.listed().back();
    return {last[3], last[4]};
  }
  void edit(int row, int col, const std::string& text) {
    page.grid().setCurrentCell(row, col);
    page.editBegins(row);
    page.grid().setText(row, col, text);
    page.editCommitted(row);
  }
  void deny(Permission permission) {
    app.session.permissions.flags[static_cast<size_t>(permission)] = false;
  }

  test::TempDir dir;
  test::TestApp app{dir.path()};
  SupplierPagePresenter page{app.context, app.dialogs};
};

TEST_F(SupplierTest, LoadListsTheSuppliersWhoseNameContainsTheSearch) {
  search("");
  EXPECT_EQ(names(), (std::vector<std::string>{"甲方", "乙方", "甲方", "丙"}));
  EXPECT_EQ(page.grid().text(0, SupplierName), "供应商");
  EXPECT_EQ(page.grid().text(2, SupplierContact), "甲222");
  EXPECT_EQ(page.grid().text(2, SupplierCreator), "admin");
  EXPECT_EQ(page.grid().text(2, SupplierNumber), "2");
  EXPECT_EQ(page.grid().columnWidth(SupplierNumber), 0);
  // The name only, never the contact.
  search("甲");
  EXPECT_EQ(names(), (std::vector<std::string>{"甲方", "甲方"}));
  search("无此");
  EXPECT_TRUE(names().empty());
}

TEST_F(SupplierTest, ALaterLoadDropsTheEarlierOne) {
  page.searchChanged("甲");
  page.load();
  page.searchChanged("丙");
  page.refreshClicked();  // before the first load's rows reached the grid
  finishLoad();
  EXPECT_EQ(names(), std::vector<std::string>{"丙"});
}

TEST_F(SupplierTest, EditCommitsNameAndContactByNumber) {
  search("甲");
  const int listed = app.logList.itemCount();
  edit(2, SupplierContact, "444");  // the second 甲方, number 3
  EXPECT_EQ(stored(), (std::vector<std::vector<std::string>>{
                          {"甲方", "111"}, {"乙方", "甲222"}, {"甲方", "444"}, {"丙", ""}}));
  EXPECT_EQ(lastEntry(),
            std::make_pair(std::string("更新供应商"),
                           std::string("更新供应商编号[3]的名称为：甲方；联系方式为：444")));
  EXPECT_EQ(app.rows("select 类型 from 日志 order by rowid desc limit 1")[0][0], "8");

  // Retyping the same text, or editing the creator, writes and logs nothing.
  edit(1, SupplierName, "甲方");
  edit(1, SupplierCreator, "someone");
  EXPECT_EQ(app.logList.itemCount(), listed + 1);

  // A quote is an ordinary character.
  edit(1, SupplierName, "甲'方");
  EXPECT_EQ(stored()[0][0], "甲'方");
  EXPECT_TRUE(app.dialogs.calls.empty());
  search("'");
  EXPECT_EQ(names(), std::vector<std::string>{"甲'方"});
}

TEST_F(SupplierTest, AFailedUpdateIsLoggedAndShown) {
  search("");
  ASSERT_TRUE(app.db.execute("alter table 供应商 rename to 旧供应商"));
  edit(1, SupplierName, "新名");
  EXPECT_EQ(app.dialogs.messages(),
            std::vector<std::string>{test::missingTableError(app.db, "供应商")});
  EXPECT_EQ(lastEntry(),
            std::make_pair(std::string("错误"), "更新供应商编号[1]的名称为：新名 失败，原因：" +
                                                    test::missingTableError(app.db, "供应商")));
  EXPECT_EQ(page.grid().text(1, SupplierName), "新名");
}

TEST_F(SupplierTest, DeleteAsksAndReloadsWithTheSearchKept) {
  search("甲");
  page.grid().setCurrentCell(1, 1);
  app.dialogs.answer(false);
  page.deleteClicked();
  EXPECT_EQ(app.dialogs.calls.back().text, "确定删除供应商[甲方]吗？");
  EXPECT_EQ(stored().size(), 4u);

  app.dialogs.answer(true);
  page.deleteClicked();
  finishLoad();
  EXPECT_EQ(stored(), (std::vector<std::vector<std::string>>{
                          {"乙方", "甲222"}, {"甲方", "333"}, {"丙", ""}}));
  EXPECT_EQ(lastEntry(),
            std::make_pair(std::string("更新供应商"), std::string("删除供应商[甲方]")));
  EXPECT_EQ(names(), std::vector<std::string>{"甲方"});
  EXPECT_EQ(page.grid().text(1, SupplierNumber), "3");

  // No current row: nothing happens.
  page.grid().setCurrentCell(-1, -1);
  page.deleteClicked();
  EXPECT_EQ(app.dialogs.calls.size(), 2u);
}

TEST_F(SupplierTest, AFailedDeleteIsLoggedAndShown) {
  search("丙");
  page.grid().setCurrentCell(1, 1);
  ASSERT_TRUE(app.db.execute("alter table 供应商 rename to 旧供应商"));
  app.dialogs.answer(true);
  page.deleteClicked();
  EXPECT_EQ(app.dialogs.messages().back(),
            std::string("删除失败，原因：") + test::missingTableError(app.db, "供应商"));
  EXPECT_EQ(lastEntry(),
            std::make_pair(std::string("错误"), "删除供应商[丙]失败，原因：" +
                                                    test::missingTableError(app.db, "供应商")));
  EXPECT_EQ(names(), std::vector<std::string>{"丙"});
}

TEST_F(SupplierTest, AllowEditRule) {
  search("");
  page.allowEditClicked();
  EXPECT_TRUE(page.allowEdit());
  page.grid().setCurrentCell(1, SupplierCreator);
  page.cellDoubleClicked();
  EXPECT_FALSE(page.grid().editable());
  page.grid().setCurrentCell(1, SupplierName);
  page.cellDoubleClicked();
  EXPECT_TRUE(page.grid().editable());
  page.allowEditClicked();  // a click never unchecks it
  EXPECT_TRUE(page.allowEdit());
  EXPECT_TRUE(app.dialogs.calls.empty());
}

TEST_F(SupplierTest, RefusalsWithoutTheFlags) {
  search("");
  deny(Permission::EditSupplier);
  deny(Permission::AddSupplier);
  page.allowEditClicked();
  EXPECT_FALSE(page.allowEdit());
  EXPECT_FALSE(page.grid().editable());
  page.grid().setCurrentCell(1, 1);
  page.cellDoubleClicked();
  EXPECT_FALSE(page.grid().editable());
  page.deleteClicked();
  page.addClicked();
  EXPECT_EQ(app.dialogs.messages(),
            (std::vector<std::string>{"当前账号没有[删除\\修改 供应商]权限，请联系管理员提升权限",
                                      "当前账号没有[删除供应商]权限，请联系管理员提升权限",
                                      "当前账号没有[增加供应商]权限，请联系管理员提升权限"}));
  EXPECT_EQ(stored().size(), 4u);
  EXPECT_TRUE(app.windows.calls.empty());
}

TEST_F(SupplierTest, AddSupplierStaysOpenForTheNext) {
  page.addClicked();
  EXPECT_EQ(app.windows.calls, std::vector<std::string>{"openAddSupplier"});

  SupplierAddPresenter add(app.context, app.dialogs);
  add.nameChanged("丁's");
  add.contactChanged("555");
  add.addClicked();
  EXPECT_EQ(add.name(), "");
  EXPECT_EQ(add.contact(), "");
  EXPECT_EQ(lastEntry(), std::make_pair(std::string("新增供应商"),
                                        std::string("添加新供应商：丁's；联系方式：555")));
  EXPECT_EQ(
      app.rows("select 创建者,类型 from 供应商, 日志 where 名称='丁''s' and 日志 like '添加%'")[0],
      (std::vector<std::string>{"admin", "7"}));
  // An empty name is stored and found by an empty search.
  add.addClicked();
  std::vector<SupplierRecord> found;
  EXPECT_EQ(findSuppliers(app.db, "", found), 6);
  EXPECT_EQ(found.back().name, "");
  EXPECT_EQ(found.back().number, "6");
  EXPECT_TRUE(app.dialogs.calls.empty());

  ASSERT_TRUE(app.db.execute("alter table 供应商 rename to 旧供应商"));
  add.nameChanged("戊");
  add.addClicked();
  EXPECT_EQ(add.name(), "戊");
  ASSERT_EQ(app.dialogs.calls.size(), 1u);
  EXPECT_EQ(app.dialogs.calls[0].text, test::missingTableError(app.db, "供应商"));
  EXPECT_EQ(app.dialogs.calls[0].icon, MessageIcon::Warning);
  EXPECT_EQ(lastEntry().second, std::string("添加新供应商：戊 失败，原因：") +
                                    test::missingTableError(app.db, "供应商"));
}

}  // namespace
}  // namespace cz
