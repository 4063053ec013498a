#include "catalogue/goods_attributes.h"

#include <gtest/gtest.h>

#include "cashier/checkout.h"
#include "catalogue/goods_presenter.h"
#include "history/shift_report_presenter.h"
#include "support/recording_printer.h"
#include "support/test_app.h"

namespace cz {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// A logged-in admin on a fresh store, with goods to mark.
class GoodsAttributesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::startAndLogIn(app);
    app.dialogs.calls.clear();
  }
  void addGoods(const std::string& name, const std::string& barcode, const std::string& stock) {
    ASSERT_TRUE(app.db.execute("insert into 库存 values(?,?,'','','1','20',?,'0','真')",
                               {name, barcode, stock}))
        << app.db.lastError();
  }
  void mark(const std::string& barcode, bool weighed, const std::string& level) {
    ASSERT_TRUE(writeGoodsAttributes(app.db, barcode, {weighed, level})) << app.db.lastError();
  }
  void reloadLevels(double defaultLevel) {
    app.session.settings.stockWarningLevel = defaultLevel;
    app.session.goodsAttributes.load(app.db, defaultLevel);
  }
  std::string stock(const std::string& barcode) {
    const Rows rows = app.rows("select 当前库存 from 库存 where 条码=?", {barcode});
    return rows.empty() ? "<none>" : rows[0][0];
  }
  void finishLoad(StockListPresenter& p) {
    p.waitForReader();
    app.ui.drain();
  }
  static std::vector<std::string> column(const TextGrid& grid, int col) {
    std::vector<std::string> texts;
    for (int r = 1; r < grid.rowCount(); ++r) texts.push_back(grid.text(r, col));
    return texts;
  }

  test::TempDir dir;
  test::TestApp app{dir.path()};
};

TEST_F(GoodsAttributesTest, StoredBesideTheStockAndReplacedByTheNextWrite) {
  EXPECT_TRUE(app.db.hasTable("商品属性"));
  const GoodsAttributes none = readGoodsAttributes(app.db, "A");
  EXPECT_FALSE(none.weighed);
  EXPECT_EQ(none.level, "");

  mark("A", true, "5");
  mark("B", false, "");
  EXPECT_EQ(app.rows("select 条码,称重,预警 from 商品属性 order by 条码"),
            (Rows{{"A", "真", "5"}, {"B", "假", ""}}));
  mark("A", false, "0.5");
  EXPECT_EQ(app.rows("select 条码,称重,预警 from 商品属性 order by 条码"),
            (Rows{{"A", "假", "0.5"}, {"B", "假", ""}}));
  const GoodsAttributes a = readGoodsAttributes(app.db, "A");
  EXPECT_FALSE(a.weighed);
  EXPECT_EQ(a.level, "0.5");

  // Another tool's row with a barcode of quotes is read like any other.
  ASSERT_TRUE(app.db.execute("insert into 商品属性 values('O''K','真',NULL)"));
  EXPECT_TRUE(readGoodsAttributes(app.db, "O'K").weighed);
}

TEST_F(GoodsAttributesTest, LevelsComeFromTheGoodsOrTheDefault) {
  mark("OWN", false, "5");
  mark("OFF", false, "0");
  mark("KG", true, "");
  reloadLevels(3);
  const GoodsAttributeCache& cache = app.session.goodsAttributes;
  EXPECT_EQ(cache.level("OWN"), 5);
  EXPECT_EQ(cache.level("OFF"), 0);
  EXPECT_EQ(cache.level("KG"), 3);
  EXPECT_EQ(cache.level("NONE"), 3);
  EXPECT_TRUE(cache.weighed("KG"));
  EXPECT_FALSE(cache.weighed("OWN"));
  EXPECT_FALSE(cache.weighed("NONE"));
  EXPECT_EQ(cache.highestLevel(), 5);

  struct Case {
    double stock;
    double level;
    bool warns;
  };
  const Case cases[] = {{4, 5, true},   {5, 5, true},     {5.001, 5, false},       {0, 0, false},
                        {-1, 0, false}, {0.4, 0.5, true}, {5 - 0.6 - 0.4, 4, true}};
  for (const Case& c : cases) EXPECT_EQ(atWarningLevel(c.stock, c.level), c.warns) << c.stock;
}

TEST_F(GoodsAttributesTest, StockListShowsOnlyTheGoodsAtOrBelowTheirLevel) {
  addGoods("六个", "A", "6");
  addGoods("四个", "B", "4");
  addGoods("两个", "C", "2");
  addGoods("关掉", "D", "1");
  addGoods("散称", "E", "0.4");
  addGoods("空的", "F", "");
  mark("A", false, "5");
  mark("B", false, "5");
  mark("D", false, "0");
  mark("E", true, "0.5");

  StockListPresenter p(app.context, app.dialogs);
  p.created();
  finishLoad(p);
  reloadLevels(0);
  p.showLowStock();
  finishLoad(p);
  EXPECT_EQ(column(p.grid(), GoodsBarcode), (std::vector<std::string>{"B", "E"}));
  EXPECT_EQ(column(p.grid(), GoodsNumber), (std::vector<std::string>{"1", "2"}));

  reloadLevels(3);  // C now warns too, D keeps its own 0
  p.showLowStock();
  finishLoad(p);
  EXPECT_EQ(column(p.grid(), GoodsBarcode), (std::vector<std::string>{"B", "C", "E"}));
  EXPECT_EQ(lowStockReportLines(app.db, app.session.goodsAttributes),
            (std::vector<std::string>{"库存预警：", "[四个]剩余4（预警5）", "[两个]剩余2（预警3）",
                                      "[散称]剩余0.4（预警0.5）"}));
  EXPECT_EQ(stockWarningText(lowStockGoods(app.db, app.session.goodsAttributes)),
            "库存预警：[四个]剩余4，[两个]剩余2，[散称]剩余0.4");

  p.showAll();
  finishLoad(p);
  EXPECT_EQ(p.grid().rowCount(), 7);

  // Without any level: nothing listed and nothing in the report.
  ASSERT_TRUE(app.db.execute("delete from 商品属性"));
  reloadLevels(0);
  p.showLowStock();
  finishLoad(p);
  EXPECT_EQ(p.grid().rowCount(), 1);
  EXPECT_TRUE(lowStockReportLines(app.db, app.session.goodsAttributes).empty());
}

TEST_F(GoodsAttributesTest, ACheckoutWarnsOfEachSoldGoodsAtOrBelowItsLevelOnce) {
  mark("A", false, "5");
  mark("KG", true, "1");
  mark("OFF", false, "0");
  reloadLevels(0);
  const GoodsAttributeCache& cache = app.session.goodsAttributes;
  EXPECT_EQ(checkoutStockWarning(cache, {{"六个", "A", 6}, {"关掉", "OFF", 0}, {"别的", "X", 0}}),
            "");
  EXPECT_EQ(checkoutStockWarning(cache, {{"五个", "A", 5}}), "库存预警：[五个]剩余5");
  // Two labels of one weighed goods: named once, with the lowest stock read.
  EXPECT_EQ(checkoutStockWarning(cache, {{"散称", "KG", 1.0 - 0.1 + 0.000000001},
                                         {"五个", "A", 4},
                                         {"散称", "KG", 10 - 9.383 - 0.2}}),
            "库存预警：[散称]剩余0.417，[五个]剩余4");
  reloadLevels(3);  // the default reaches goods without a level of their own
  EXPECT_EQ(checkoutStockWarning(cache, {{"别的", "X", -2}}), "库存预警：[别的]剩余-2");
}

TEST_F(GoodsAttributesTest, TheShiftLookEndsWithTheLowGoodsAndTheCloseDoesNot) {
  addGoods("四个", "B", "4");
  addGoods("六个", "A", "6");
  mark("B", false, "5");
  reloadLevels(0);
  test::RecordingPrinter printer;
  ShiftReportPresenter look(app.context, app.dialogs, printer, false);
  const auto& lines = look.state().lines;
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "库存预警：");
  EXPECT_EQ(lines.back(), "[四个]剩余4（预警5）");

  mark("B", false, "3");
  reloadLevels(0);
  ShiftReportPresenter nothingLow(app.context, app.dialogs, printer, false);
  EXPECT_EQ(nothingLow.state().lines.back(), "库存预警：无");
  ShiftReportPresenter close(app.context, app.dialogs, printer, true);
  EXPECT_EQ(close.state().lines.back().find("库存预警"), std::string::npos);
}

TEST_F(GoodsAttributesTest, MarkedFromTheStockListWithPermissionAndAValidLevel) {
  addGoods("苹果", "A", "10");
  StockListPresenter p(app.context, app.dialogs);
  p.created();
  finishLoad(p);
  p.grid().setCurrentCell(1, GoodsName);

  // No row chosen: nothing asked.
  p.grid().setCurrentCell(0, GoodsName);
  p.markChosen();
  EXPECT_TRUE(app.dialogs.calls.empty());
  p.grid().setCurrentCell(1, GoodsName);

  app.session.permissions.flags[static_cast<size_t>(Permission::EditGoods)] = false;
  p.markChosen();
  ASSERT_EQ(app.dialogs.calls.size(), 1u);
  EXPECT_EQ(app.dialogs.calls[0].kind, "message");
  app.session.permissions.flags[static_cast<size_t>(Permission::EditGoods)] = true;
  app.dialogs.calls.clear();

  // A level that is no number is asked again; a cancel stores nothing.
  app.dialogs.answer(true);
  app.dialogs.answerInput("五");
  app.dialogs.answerInput(std::nullopt);
  p.markChosen();
  EXPECT_EQ(app.dialogs.messages(), (std::vector<std::string>{"[库存预警]不是有效的数字"}));
  EXPECT_TRUE(app.rows("select * from 商品属性").empty());
  app.dialogs.calls.clear();

  app.dialogs.answer(true);
  app.dialogs.answerInput(" 2.5 ");
  p.markChosen();
  EXPECT_EQ(app.rows("select 条码,称重,预警 from 商品属性"), (Rows{{"A", "真", "2.5"}}));
  EXPECT_TRUE(app.session.goodsAttributes.weighed("A"));
  EXPECT_EQ(app.session.goodsAttributes.level("A"), 2.5);
  EXPECT_EQ(app.listed().back()[4], "更新商品条码[A]的称重为[真]，库存预警为[2.5]");
  // The question offers what is stored.
  app.dialogs.calls.clear();
  app.dialogs.answer(false);
  app.dialogs.answerInput("");
  p.markChosen();
  EXPECT_EQ(app.dialogs.calls[0].byDefault, Answer::Yes);
  EXPECT_EQ(app.rows("select 条码,称重,预警 from 商品属性"), (Rows{{"A", "假", ""}}));
  EXPECT_EQ(app.session.goodsAttributes.level("A"), app.session.settings.stockWarningLevel);
}

TEST_F(GoodsAttributesTest, WeighedStockIsTypedWithUpToThreeDecimals) {
  addGoods("苹果", "A", "10");
  addGoods("散称", "KG", "10");
  mark("KG", true, "");
  reloadLevels(0);
  StockListPresenter p(app.context, app.dialogs);
  p.created();
  finishLoad(p);
  p.allowEditClicked(true);
  const auto edit = [&](int row, const std::string& text) {
    p.grid().setCurrentCell(row, GoodsStock);
    p.currentCellChanged(row, GoodsStock);
    p.editBegins(row, GoodsStock);
    p.grid().setText(row, GoodsStock, text);
    p.cellEdited(row, GoodsStock);
  };
  edit(2, "9.383");
  edit(1, "9.5");
  edit(2, "1.2345");
  EXPECT_EQ(stock("KG"), "9.383");
  EXPECT_EQ(stock("A"), "10");
  EXPECT_EQ(app.dialogs.messages(),
            (std::vector<std::string>{"[当前库存]必须是0到999999999之间的整数",
                                      "[当前库存]必须在0到999999999之间，最多三位小数"}));
}

TEST_F(GoodsAttributesTest, StockChangesByDecimalKilograms) {
  addGoods("散称", "KG", "10");
  StepResult step =
      updateStock(app.db, app.log, "KG", std::string("0.617"), StockDirection::Subtract, "散称");
  ASSERT_TRUE(step.ok) << step.error;
  EXPECT_EQ(stock("KG"), "9.383");
  step = updateStock(app.db, app.log, "KG", std::string("1.5"), StockDirection::Add, "散称");
  ASSERT_TRUE(step.ok) << step.error;
  EXPECT_EQ(stock("KG"), "10.883");
  EXPECT_EQ(app.listed().back()[4], "增加商品：[散称][KG]库存数量：1.5");
  const StockLeft left = stockLeftAfterSale(app.db, {"KG"});
  EXPECT_FALSE(left.shortIndex);
  ASSERT_EQ(left.left.count("KG"), 1u);
  EXPECT_DOUBLE_EQ(left.left.at("KG"), 10.883);
}

}  // namespace
}  // namespace cz
