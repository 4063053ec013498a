#include <gtest/gtest.h>

#include <QCheckBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "catalogue/goods.h"
#include "catalogue/members.h"
#include "catalogue/ui/add_member_window.h"
#include "catalogue/ui/create_goods_window.h"
#include "catalogue/ui/member_list_window.h"
#include "catalogue/ui/stock_window.h"
#include "support/test_app.h"
#include "ui/window_probe.h"
#include "util/ui/grid_view.h"
#include "util/ui/qt_ui_queue.h"

namespace cz {
namespace {

// Types text the way an input method commits it (QTest's key clicks know ASCII only).
void typeText(QWidget* box, const QString& text) {
  box->setFocus();
  QInputMethodEvent commit;
  commit.setCommitString(text);
  QApplication::sendEvent(box, &commit);
}

// Edits one cell through the view: the editor opens, gets the text, and Enter commits it.
void editCell(GridView* grid, int row, int col, const QString& text) {
  const QModelIndex index = grid->model()->index(row, col);
  grid->setCurrentIndex(index);
  QTest::keyClick(grid, Qt::Key_F2);  // the edit key opens the editor
  auto* editor = grid->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->setText(text);
  QTest::keyClick(editor, Qt::Key_Return);
  QCoreApplication::processEvents();  // the delegate commits from the event loop
}

class CatalogueWindows : public ::testing::Test {
 protected:
  void SetUp() override { test::startAndLogIn(app); }
  void fill(const char* sql, int n) {
    ASSERT_TRUE(app.db.execute(std::string("with recursive n(i) as (select 1 union all select "
                                           "i+1 from n where i<") +
                               std::to_string(n) + ") " + sql));
  }

  test::TempDir dir;
  test::TestApp app{dir.path()};
};

TEST_F(CatalogueWindows, StockWindowBuildsLoadsAndSearches) {
  fill("insert into 库存(名称,条码,当前库存) select '物'||i, 'C'||i, i from n", 3);
  StockWindow window(app.context);
  EXPECT_EQ(window.size(), QSize(1091, 686));
  auto* search = child<QLineEdit>(window, "编辑框1");
  auto* find = child<QPushButton>(window, "超级查询");
  auto* add = child<QPushButton>(window, "超级添加");
  auto* allow = child<QCheckBox>(window, "选择框1");
  auto* grid = child<GridView>(window, "高级表格");
  auto* menu = child<QMenu>(window, "菜单");
  ASSERT_TRUE(search && find && add && allow && grid && menu);
  EXPECT_EQ(search->geometry(), QRect(4, 7, 300, 26));
  EXPECT_EQ(search->toolTip(), "支持模糊查询 商品名称、条码、规格、备注");
  EXPECT_EQ(find->geometry(), QRect(307, 7, 97, 26));
  EXPECT_EQ(add->text(), "添加新商品");
  EXPECT_EQ(allow->geometry(), QRect(519, 5, 80, 32));
  EXPECT_FALSE(allow->isChecked());
  EXPECT_EQ(grid->geometry(), QRect(0, 41, 1081, 616));
  QStringList items;
  for (QAction* a : menu->actions()) items << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(items, QStringList({"显示所有库存", "库存预警", "-", "删除选中", "称重与预警", "-",
                                "创建新商品"}));
  auto* lowStock = child<QPushButton>(window, "超级预警");
  ASSERT_TRUE(lowStock);
  EXPECT_EQ(lowStock->geometry(), QRect(605, 7, 97, 26));

  window.presenter().waitForReader();
  app.ui.drain();
  ASSERT_EQ(grid->model()->rowCount(), 3);
  EXPECT_EQ(grid->model()->index(2, GoodsStock).data().toString(), "3");
  EXPECT_EQ(grid->model()->index(2, GoodsStock).data(Qt::ForegroundRole).value<QColor>(),
            QColor(0, 0, 255));
  EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), "商品名称");
  EXPECT_EQ(grid->columnWidth(1), 200);

  QTest::keyClicks(search, "C2");
  QTest::keyClick(search, Qt::Key_Return);
  window.presenter().waitForReader();
  app.ui.drain();
  ASSERT_EQ(grid->model()->rowCount(), 1);
  EXPECT_EQ(grid->model()->index(0, GoodsName).data().toString(), "物2");

  // 允许编辑 with the permission makes the grid editable, an edit is written at once, and
  // unchecking ends editing.
  QTest::mouseClick(allow, Qt::LeftButton);
  EXPECT_TRUE(allow->isChecked());
  editCell(grid, 0, GoodsName, "pear");
  EXPECT_EQ(app.rows("select 名称 from 库存 where 条码='C2'")[0][0], "pear");
  EXPECT_EQ(app.listed().back()[4].rfind("更新商品条码[C2]的新名称为[pear]成功；", 0), 0u);
  grid->setCurrentIndex(grid->model()->index(0, GoodsBarcode));
  EXPECT_FALSE(grid->model()->flags(grid->model()->index(0, GoodsBarcode)) & Qt::ItemIsEditable);
  grid->setCurrentIndex(grid->model()->index(0, GoodsName));
  EXPECT_TRUE(grid->model()->flags(grid->model()->index(0, GoodsName)) & Qt::ItemIsEditable);
  QTest::mouseClick(allow, Qt::LeftButton);
  EXPECT_FALSE(grid->model()->flags(grid->model()->index(0, GoodsName)) & Qt::ItemIsEditable);

  QTest::mouseClick(add, Qt::LeftButton);
  EXPECT_EQ(app.windows.calls.back(), "openCreateGoods");
  window.grab().save("/tmp/catalogue_stock.png");

  // 库存预警 lists only the goods at or below their level: C2 holds 2, its level is 2.
  ASSERT_TRUE(app.db.execute("insert into 商品属性 values('C2','假','2')"));
  app.session.goodsAttributes.load(app.db, 0);
  QTest::mouseClick(lowStock, Qt::LeftButton);
  window.presenter().waitForReader();
  app.ui.drain();
  ASSERT_EQ(grid->model()->rowCount(), 1);
  EXPECT_EQ(grid->model()->index(0, GoodsBarcode).data().toString(), "C2");
}

TEST_F(CatalogueWindows, AWordTypedAsASalePriceIsRefusedAndNotStored) {
  ASSERT_TRUE(app.db.execute("insert into 库存(名称,条码,销售价,当前库存,最低折扣) "
                             "values('梨','P1','9.9','5','10')"));
  StockWindow window(app.context);
  window.presenter().waitForReader();
  app.ui.drain();
  auto* allow = child<QCheckBox>(window, "选择框1");
  auto* grid = child<GridView>(window, "高级表格");
  ASSERT_TRUE(allow && grid);
  QTest::mouseClick(allow, Qt::LeftButton);
  const size_t logged = app.listed().size();

  // The refusal is a real message box: note its text and close it.
  std::vector<std::string> seen;
  QTimer closer;
  closer.setInterval(20);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    seen.push_back(box->text().toStdString());
    box->button(QMessageBox::Ok)->click();
  });
  closer.start();
  editCell(grid, 0, GoodsSalePrice, "abc");
  EXPECT_EQ(seen, std::vector<std::string>{"[销售价]不是有效的数字"});
  EXPECT_EQ(grid->model()->index(0, GoodsSalePrice).data().toString(), "9.9");
  EXPECT_EQ(app.rows("select 销售价 from 库存")[0][0], "9.9");
  EXPECT_EQ(app.listed().size(), logged);

  // The refused edit's editor goes as the event loop would let it, so the next edit opens its own.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  editCell(grid, 0, GoodsSalePrice, "0");
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_EQ(app.rows("select 销售价 from 库存")[0][0], "0");
}

TEST_F(CatalogueWindows, CreateGoodsWindowAddsAndClearsItsBoxes) {
  app.session.settings.theme.background = rgb(240, 240, 240);  // as the main window shows it
  CreateGoodsWindow window(app.context);
  EXPECT_EQ(window.size(), QSize(333, 313));
  EXPECT_EQ(window.windowTitle(), "创建新物品");
  EXPECT_EQ(window.palette().color(QPalette::Window), QColor(240, 240, 240));
  const std::pair<const char*, QRect> labels[] = {{"透明标签1", {8, 12, 49, 24}},
                                                  {"透明标签2", {8, 58, 49, 24}},
                                                  {"透明标签5", {69, 92, 248, 24}},
                                                  {"透明标签3", {8, 127, 49, 24}},
                                                  {"透明标签4", {8, 167, 49, 24}}};
  for (const auto& [name, place] : labels) {
    auto* label = child<QLabel>(window, name);
    if (label) {
      EXPECT_EQ(label->geometry(), place) << name;
    }
  }
  auto* name = child<QLineEdit>(window, "编辑框名称");
  auto* barcode = child<QLineEdit>(window, "编辑框条码");
  auto* size = child<QLineEdit>(window, "编辑框规格");
  auto* note = child<QLineEdit>(window, "编辑框备注");
  auto* add = child<QPushButton>(window, "超级添加");
  ASSERT_TRUE(name && barcode && size && note && add);
  EXPECT_EQ(note->geometry(), QRect(68, 165, 250, 75));
  EXPECT_EQ(add->geometry(), QRect(220, 250, 97, 26));

  typeText(name, "梨");
  QTest::keyClicks(barcode, "P1");
  typeText(size, "大");
  QTest::mouseClick(add, Qt::LeftButton);
  EXPECT_EQ(app.rows("select 名称,规格 from 库存 where 条码='P1'")[0],
            (std::vector<std::string>{"梨", "大"}));
  EXPECT_TRUE(name->text().isEmpty() && barcode->text().isEmpty() && size->text().isEmpty());
  window.grab().save("/tmp/catalogue_create_goods.png");
}

TEST_F(CatalogueWindows, MemberListWindowBuildsAndLoads) {
  fill("insert into 会员(姓名,积分) select '员'||i, i from n", 4);
  MemberListWindow window(app.context);
  EXPECT_EQ(window.size(), QSize(797, 667));
  EXPECT_EQ(window.windowTitle(), "会员列表");
  auto* grid = child<GridView>(window, "高级表格");
  auto* menu = child<QMenu>(window, "菜单");
  ASSERT_TRUE(grid && menu);
  EXPECT_EQ(grid->geometry(), QRect(0, 0, 792, 640));
  QStringList items;
  for (QAction* a : menu->actions()) items << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(items, QStringList({"刷新列表", "-", "查询会员", "-", "删除会员"}));
  window.presenter().waitForReader();
  app.ui.drain();
  ASSERT_EQ(grid->model()->rowCount(), 4);
  EXPECT_EQ(grid->model()->index(3, MemberPoints).data().toString(), "4");

  // Moving onto 编号 keeps the grid read-only; onto 姓名 makes it editable.
  grid->setCurrentIndex(grid->model()->index(0, MemberNumber));
  EXPECT_FALSE(grid->model()->flags(grid->model()->index(0, MemberNumber)) & Qt::ItemIsEditable);
  grid->setCurrentIndex(grid->model()->index(0, MemberName));
  EXPECT_TRUE(grid->model()->flags(grid->model()->index(0, MemberName)) & Qt::ItemIsEditable);
  editCell(grid, 1, MemberName, "Li");
  EXPECT_EQ(app.rows("select 姓名 from 会员 where 编号=2")[0][0], "Li");
  EXPECT_EQ(app.listed().back()[4],
            "[修改会员信息]：编号为：2 名称=Li；联系方式=；折扣率=；积分=2；备注=");
  window.grab().save("/tmp/catalogue_members.png");
}

TEST_F(CatalogueWindows, AddMemberWindowChecksEachKeystroke) {
  AddMemberWindow window(app.context);
  EXPECT_EQ(window.size(), QSize(364, 225));
  auto* name = child<QLineEdit>(window, "编辑框姓名");
  auto* contact = child<QLineEdit>(window, "编辑框联系");
  auto* discount = child<QLineEdit>(window, "编辑框折扣");
  auto* add = child<QPushButton>(window, "超级增加");
  ASSERT_TRUE(name && contact && discount && add);
  EXPECT_EQ(discount->text(), "10");
  EXPECT_EQ(discount->geometry(), QRect(96, 120, 248, 24));
  EXPECT_EQ(add->geometry(), QRect(237, 153, 106, 33));
  EXPECT_EQ(add->text(), "增加");

  // Backspace leaves "1" (accepted), a second one empties the box: reset with a message. The
  // scripted dialogs stand in for the window's own, so the message is read from the presenter.
  discount->setFocus();
  discount->end(false);
  QTest::keyClick(discount, Qt::Key_Backspace);
  EXPECT_EQ(discount->text(), "1");
  typeText(name, "张三");
  QTest::keyClicks(contact, "138");
  QTest::mouseClick(add, Qt::LeftButton);
  EXPECT_EQ(app.rows("select 姓名,联系方式,折扣率 from 会员")[0],
            (std::vector<std::string>{"张三", "138", "1"}));
  EXPECT_TRUE(name->text().isEmpty());
  EXPECT_EQ(discount->text(), "1");
  window.grab().save("/tmp/catalogue_add_member.png");
}

// Owned windows go with their owner, also while their worker loads are still delivering rows
// through the real event loop.
TEST_F(CatalogueWindows, OwnedWindowsGoWithTheirOwnerEvenMidLoad) {
  fill("insert into 库存(名称,条码) select '物'||i, 'C'||i from n", 50000);
  fill("insert into 会员(姓名) select '员'||i from n", 5000);
  QtUiQueue qtQueue;
  AppContext context{app.db,      app.session, app.log,   app.clock,
                     app.windows, qtQueue,     dir.str(), (dir.path() / "memory.ini").string()};
  auto* owner = new QWidget;
  auto* stock = new StockWindow(context, owner);
  new CreateGoodsWindow(context, stock);
  auto* members = new MemberListWindow(context, owner);
  new AddMemberWindow(context, owner);
  EXPECT_TRUE(stock->isWindow());
  QPointer<StockWindow> watchedStock = stock;
  QPointer<MemberListWindow> watchedMembers = members;

  // Some batches reach the grids, then the owner goes while the rest are on their way.
  QCoreApplication::processEvents();
  owner->deleteLater();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(watchedStock.isNull());
  EXPECT_TRUE(watchedMembers.isNull());
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

}  // namespace
}  // namespace cz
