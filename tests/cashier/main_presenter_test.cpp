#include "cashier/main_presenter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "cashier/sale_actions.h"
#include "catalogue/goods_presenter.h"
#include "catalogue/member_presenter.h"
#include "core/permissions.h"
#include "support/fake_hotkeys.h"
#include "support/test_app.h"
#include "util/ini_file.h"
#include "util/numbers.h"

namespace cz {
namespace {

using test::FakeHotkeys;

// Records what the main window asks of the sale; `checkoutHotkey` submits only while the
// 超级收款 button is enabled, as the sale does.
class FakeSale : public SaleActions {
 public:
  void startNewOrder() override {
    calls.push_back("startNewOrder");
    if (onStart) onStart();
  }
  void checkoutHotkey() override {
    calls.push_back("checkoutHotkey");
    if (checkoutEnabled) ++submitted;
  }
  std::vector<std::string> calls;
  bool checkoutEnabled = false;
  int submitted = 0;
  std::function<void()> onStart;
};

class FakeFrame : public MainWindowFrame {
 public:
  bool isMaximised() const override { return maximised; }
  void minimise() override { calls.push_back("minimise"); }
  void maximise() override {
    calls.push_back("maximise");
    maximised = true;
  }
  void showNormalCentred() override {
    calls.push_back("normalCentred");
    maximised = false;
  }
  std::optional<Rgb> chooseColour(Rgb initial) override {
    calls.push_back("chooseColour");
    offered = initial;
    if (during) during();
    return picked;
  }
  bool maximised = false;
  std::optional<Rgb> picked;
  Rgb offered = 0;
  std::function<void()> during;
  std::vector<std::string> calls;
};

// Dialogs that run a hook while a question is open, like a key arriving during it.
class HookedDialogs : public Dialogs {
 public:
  void message(const std::string& text, const std::string&, MessageIcon) override {
    shown.push_back(text);
    if (during) during();
  }
  bool ask(const std::string& text, const std::string&, Answer) override {
    shown.push_back(text);
    if (during) during();
    return false;
  }
  std::optional<std::string> input(const std::string&, const std::string&,
                                   const std::string&) override {
    return std::nullopt;
  }
  std::vector<std::string> shown;
  std::function<void()> during;
};

class MainPresenterTest : public ::testing::Test {
 protected:
  void SetUp() override { test::startAndLogIn(app); }

  std::unique_ptr<MainPresenter> create() {
    auto presenter = std::make_unique<MainPresenter>(app.context, app.dialogs, hotkeys);
    presenter->setSaleActions(&sale);
    presenter->setFrame(&frame);
    app.windows.calls.clear();
    return presenter;
  }

  // The log entries written after login, each as type label and text.
  std::vector<std::pair<std::string, std::string>> errorsLogged() {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& row : app.listed()) {
      if (row[3] == "错误") out.emplace_back(row[3], row[4]);
    }
    return out;
  }

  test::TempDir dir;
  test::TestApp app{dir.path()};
  FakeHotkeys hotkeys;
  FakeSale sale;
  FakeFrame frame;
};

TEST_F(MainPresenterTest, BuildsTheSeventeenItemsInOrder) {
  auto p = create();
  const auto& items = p->toolbarItems();
  ASSERT_EQ(items.size(), 17u);
  const char* captions[] = {"",     "指标", "交班",     "新增会员", "会员列表", "供应商",
                            "设置", "进货", "采购报表", "销售",     "库存",     "日志",
                            "",     "",     "最小化",   "最大化",   "关"};
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(static_cast<size_t>(items[i].id), i);
    EXPECT_EQ(items[i].caption, captions[i]) << i;
  }
  // Captioned items from 交班 to the colour item are 88 pixels apart on y 15.
  for (size_t i = 2; i <= 13; ++i) {
    EXPECT_EQ(items[i].x, 210 + 88 * static_cast<int>(i - 2)) << i;
    EXPECT_EQ(items[i].y, 15);
  }
  EXPECT_EQ(p->item(ToolbarItemId::Close)->y, -50);
  EXPECT_EQ(p->caption().rfind("晨舟收银系统", 0), 0u);
}

TEST_F(MainPresenterTest, PermissionItemsRefuseWithTheirTextsAndOpenNothing) {
  const struct {
    ToolbarItemId item;
    Permission permission;
    const char* refusal;
    const char* opened;
  } cases[] = {
      {ToolbarItemId::AddMember, Permission::AddMember,
       "当前账号没有[新增会员]权限，请联系管理员提升权限", "openAddMember"},
      {ToolbarItemId::Purchase, Permission::Purchase,
       "当前账号没有[进货采购]权限，请联系管理员提升权限", "openPurchase"},
      {ToolbarItemId::PurchaseReport, Permission::ViewPurchases,
       "当前账号没有[查看采购报表]权限，请联系管理员提升权限", "openPurchaseList"},
  };
  auto p = create();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.refusal);
    auto& flags = app.session.permissions.flags;
    flags.fill(true);
    flags[static_cast<size_t>(c.permission)] = false;
    app.dialogs.calls.clear();
    app.windows.calls.clear();
    p->itemClicked(c.item);
    ASSERT_EQ(app.dialogs.calls.size(), 1u);
    EXPECT_EQ(app.dialogs.calls[0].kind, "message");
    EXPECT_EQ(app.dialogs.calls[0].text, c.refusal);
    EXPECT_EQ(app.dialogs.calls[0].title, "信息：");
    EXPECT_EQ(app.dialogs.calls[0].icon, MessageIcon::None);
    EXPECT_TRUE(app.windows.calls.empty());

    // Every other flag missing does not matter; with this one the window opens silently.
    flags.fill(false);
    flags[static_cast<size_t>(c.permission)] = true;
    app.dialogs.calls.clear();
    p->itemClicked(c.item);
    EXPECT_TRUE(app.dialogs.calls.empty());
    EXPECT_EQ(app.windows.calls, std::vector<std::string>{c.opened});
  }
}

TEST_F(MainPresenterTest, ItemsOpenTheirWindows) {
  const struct {
    ToolbarItemId item;
    std::vector<std::string> calls;
  } cases[] = {
      {ToolbarItemId::MemberList, {"openMemberList"}},
      {ToolbarItemId::Suppliers, {"openSettings:1"}},
      {ToolbarItemId::Settings, {"openSettings:0"}},
      {ToolbarItemId::Sales, {"openSalesList"}},
      {ToolbarItemId::Stock, {"openStock"}},
      {ToolbarItemId::Log, {"showLog"}},
      {ToolbarItemId::Logo, {}},
      {ToolbarItemId::HoverIndicator, {}},
  };
  auto p = create();
  for (const auto& c : cases) {
    app.windows.calls.clear();
    p->itemClicked(c.item);
    EXPECT_EQ(app.windows.calls, c.calls) << static_cast<int>(c.item);
  }
  EXPECT_TRUE(app.dialogs.calls.empty());
  EXPECT_TRUE(sale.calls.empty());
}

TEST_F(MainPresenterTest, WindowItemsMinimiseMaximiseAndRestore) {
  auto p = create();
  p->itemClicked(ToolbarItemId::Minimise);
  p->itemClicked(ToolbarItemId::Maximise);
  p->itemClicked(ToolbarItemId::Maximise);
  EXPECT_EQ(frame.calls, (std::vector<std::string>{"minimise", "maximise", "normalCentred"}));

  // 关 asks the exit question; 否 leaves everything as it was.
  app.dialogs.answer(false);
  p->itemClicked(ToolbarItemId::Close);
  ASSERT_EQ(app.dialogs.calls.size(), 1u);
  EXPECT_EQ(app.dialogs.calls[0].kind, "ask");
  EXPECT_TRUE(app.windows.calls.empty());

  // The window system's close (Alt+F4) does the same as 关.
  app.dialogs.answer(true);
  p->closeRequested();
  EXPECT_EQ(app.dialogs.calls.back().text, app.dialogs.calls[0].text);
  ASSERT_FALSE(app.windows.calls.empty());
  EXPECT_EQ(app.windows.calls[0], "destroyMain");
}

TEST_F(MainPresenterTest, NewOrderItemStartsAnOrderAndIsHarmlessWithoutASale) {
  auto p = create();
  p->itemClicked(ToolbarItemId::NewOrder);
  EXPECT_EQ(sale.calls, std::vector<std::string>{"startNewOrder"});
  p->setSaleActions(nullptr);
  p->itemClicked(ToolbarItemId::NewOrder);
  hotkeys.press(Hotkey::F1);
  hotkeys.press(Hotkey::F4);
  EXPECT_EQ(sale.calls.size(), 1u);
}

TEST_F(MainPresenterTest, ResizePlacesTheWindowItemsAndStretchesTheSaleArea) {
  auto p = create();
  p->resized(1500, 800);
  EXPECT_EQ(p->layout().stripWidth, 1500);
  const struct {
    ToolbarItemId id;
    int x;
  } placed[] = {{ToolbarItemId::Close, 1466},
                {ToolbarItemId::Maximise, 1438},
                {ToolbarItemId::Minimise, 1410}};
  for (const auto& c : placed) {
    EXPECT_EQ(p->item(c.id)->x, c.x);
    EXPECT_EQ(p->item(c.id)->y, 0);
  }
  const MainLayout& l = p->layout();
  EXPECT_EQ(l.cart, (ControlGeometry{4, 121, 1493, 800 - 121 - 80 - 15}));
  EXPECT_EQ(l.checkout, (ControlGeometry{1500 - 232 - 10, 800 - 120 + 40 - 10, 232, 80}));
  EXPECT_EQ(l.bottomBar.y, l.checkout.y);
  EXPECT_EQ(l.goodsChoices.y, l.checkout.y - 245);
  EXPECT_EQ(l.memberChoices.y, l.checkout.y - 210);
  // 1493 − (the other columns, 1250) − 60 leaves 183 for the goods name.
  EXPECT_EQ(p->saleArea().cart.columnWidth(kCartName), 183);

  // At the initial width the formula gives −134; the name column keeps a usable width.
  p->resized(1183, 707);
  EXPECT_EQ(p->saleArea().cart.columnWidth(kCartName), 180);
  EXPECT_EQ(p->item(ToolbarItemId::Close)->x, 1149);
}

TEST_F(MainPresenterTest, HoverMovesTheIndicator) {
  auto p = create();
  p->resized(1183, 707);
  auto indicator = [&] {
    const ToolbarItem* it = p->item(ToolbarItemId::HoverIndicator);
    return std::pair{it->x, it->y};
  };
  EXPECT_EQ(indicator(), (std::pair{-2000, -2000}));
  p->mouseOverItem(ToolbarItemId::Maximise);
  EXPECT_EQ(indicator(), (std::pair{1183 - 62 - 25, 15}));
  p->mouseOverItem(ToolbarItemId::Sales);
  EXPECT_EQ(indicator(), (std::pair{826, 95}));
  p->mouseOverItem(ToolbarItemId::Logo);  // the logo leaves it where it is
  EXPECT_EQ(indicator(), (std::pair{826, 95}));
  p->mouseLeftStrip();
  EXPECT_EQ(indicator(), (std::pair{-2000, 95}));
}

TEST_F(MainPresenterTest, HotkeysRouteToTheSaleAndF4LeavesADisabledCheckoutAlone) {
  auto p = create();
  EXPECT_EQ(hotkeys.attempts, (std::vector<Hotkey>{Hotkey::F1, Hotkey::F4}));
  EXPECT_NE(p->hotkeyId(Hotkey::F1), 0);
  EXPECT_NE(p->hotkeyId(Hotkey::F4), 0);

  ASSERT_TRUE(hotkeys.press(Hotkey::F1));
  EXPECT_EQ(sale.calls, std::vector<std::string>{"startNewOrder"});
  // After a checkout 超级收款 is disabled: F4 goes to the sale's hotkey path, which submits
  // nothing, rather than to a checkout of its own.
  sale.calls.clear();
  ASSERT_TRUE(hotkeys.press(Hotkey::F4));
  ASSERT_TRUE(hotkeys.press(Hotkey::F4));
  EXPECT_EQ(sale.calls, (std::vector<std::string>{"checkoutHotkey", "checkoutHotkey"}));
  EXPECT_EQ(sale.submitted, 0);
  EXPECT_TRUE(errorsLogged().empty());

  // Destroying the window gives both keys back, so the next main window can take them.
  p->aboutToBeDestroyed();
  EXPECT_FALSE(hotkeys.isRegistered(Hotkey::F1));
  EXPECT_FALSE(hotkeys.isRegistered(Hotkey::F4));
}

TEST_F(MainPresenterTest, ARefusedHotkeyIsLoggedAndDoesNothingWhileTheOtherWorks) {
  hotkeys.taken = {Hotkey::F1};
  app.dialogs.calls.clear();
  auto p = create();
  EXPECT_EQ(hotkeys.attempts, (std::vector<Hotkey>{Hotkey::F1, Hotkey::F4}));
  EXPECT_EQ(p->hotkeyId(Hotkey::F1), 0);
  EXPECT_NE(p->hotkeyId(Hotkey::F4), 0);
  EXPECT_EQ(
      errorsLogged(),
      (std::vector<std::pair<std::string, std::string>>{{"错误", "注册快捷键F1失败，可能被占用"}}));
  const auto stored = app.rows("SELECT 类型, 日志 FROM 日志 WHERE 类型='6'");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_TRUE(app.dialogs.calls.empty());  // nothing is shown

  EXPECT_FALSE(hotkeys.press(Hotkey::F1));
  p->hotkeyPressed(Hotkey::F1);
  EXPECT_TRUE(sale.calls.empty());
  EXPECT_TRUE(hotkeys.press(Hotkey::F4));
  EXPECT_EQ(sale.calls, std::vector<std::string>{"checkoutHotkey"});
  // The toolbar still starts orders.
  p->itemClicked(ToolbarItemId::NewOrder);
  EXPECT_EQ(sale.calls.back(), "startNewOrder");
}

TEST_F(MainPresenterTest, BothKeysTakenLogsF1First) {
  hotkeys.taken = {Hotkey::F1, Hotkey::F4};
  auto p = create();
  EXPECT_EQ(errorsLogged(), (std::vector<std::pair<std::string, std::string>>{
                                {"错误", "注册快捷键F1失败，可能被占用"},
                                {"错误", "注册快捷键F4失败，可能被占用"}}));
}

TEST_F(MainPresenterTest, HotkeysArrivingWhileABoxIsOpenAreIgnored) {
  HookedDialogs dialogs;
  MainPresenter p(app.context, dialogs, hotkeys);
  p.setSaleActions(&sale);
  // F1 asks (an order is open); F1 and F4 pressed during that question must not run inside it.
  sale.onStart = [&] { p.dialogs().ask("开始新订单？", kDefaultTitle); };
  dialogs.during = [&] {
    hotkeys.press(Hotkey::F1);
    hotkeys.press(Hotkey::F4);
  };
  hotkeys.press(Hotkey::F1);
  EXPECT_EQ(sale.calls, std::vector<std::string>{"startNewOrder"});

  // Also during the main window's own boxes: a refusal, the exit question, the colour chooser.
  app.session.permissions.flags.fill(false);
  p.itemClicked(ToolbarItemId::Purchase);
  p.itemClicked(ToolbarItemId::Close);
  EXPECT_EQ(dialogs.shown.size(), 3u);
  FakeFrame chooser;
  chooser.during = dialogs.during;
  p.setFrame(&chooser);
  p.itemClicked(ToolbarItemId::Colour);
  EXPECT_EQ(chooser.calls.size(), 1u);
  EXPECT_EQ(sale.calls.size(), 1u);

  // Once the boxes are closed the keys work again.
  dialogs.during = nullptr;
  sale.onStart = nullptr;
  hotkeys.press(Hotkey::F4);
  EXPECT_EQ(sale.calls.back(), "checkoutHotkey");
}

TEST_F(MainPresenterTest, HotkeysDoNothingOnceTheShiftIsBeingClosed) {
  auto p = create();
  app.dialogs.answer(false);
  p->itemClicked(ToolbarItemId::ShiftChange);
  hotkeys.press(Hotkey::F1);
  EXPECT_EQ(sale.calls, std::vector<std::string>{"startNewOrder"});
  // 是: the shift's report is open until the shift change ends the sale.
  app.dialogs.answer(true);
  p->itemClicked(ToolbarItemId::ShiftChange);
  hotkeys.press(Hotkey::F1);
  hotkeys.press(Hotkey::F4);
  EXPECT_EQ(sale.calls, std::vector<std::string>{"startNewOrder"});
}

TEST_F(MainPresenterTest, CreationLoadsTheSettingsAndTheThemeColours) {
  const std::string path = app.session.settingsFilePath();
  {
    IniFile ini(path);
    ASSERT_TRUE(ini.write("颜色", "颜色", std::to_string(rgb(10, 20, 30))));
    ASSERT_TRUE(ini.write("颜色", "背景", ""));
    ASSERT_TRUE(ini.write("打印机", "票尾", "谢谢惠顾&欢迎再来"));
    ASSERT_TRUE(ini.write("打印机", "打印", "否"));
    ASSERT_TRUE(ini.write("打印机", "打印对话", "是"));
    ASSERT_TRUE(ini.write("页数", "页数", "50"));
  }
  auto p = create();
  EXPECT_EQ(p->theme().base, rgb(10, 20, 30));
  EXPECT_EQ(p->theme().background, kNoColour);  // empty: the designed colour stays
  EXPECT_EQ(p->theme().second, kNoColour);      // missing
  const Settings& s = app.session.settings;
  EXPECT_EQ(s.receiptFooter, "谢谢惠顾\r\n欢迎再来");
  EXPECT_TRUE(s.printingEnabled);      // only 假 turns printing off
  EXPECT_FALSE(s.printDialogEnabled);  // only 真 turns the dialog on
  EXPECT_EQ(s.rowsPerPage, 50);
  EXPECT_EQ(s.receiptHeader, "欢迎使用晨舟收银系统");
}

TEST_F(MainPresenterTest, ColourChoiceAppliesAndStoresTheThemeAndCancelChangesNothing) {
  auto p = create();
  const std::string path = app.session.settingsFilePath();

  frame.picked = std::nullopt;
  p->itemClicked(ToolbarItemId::Colour);
  EXPECT_EQ(frame.calls, std::vector<std::string>{"chooseColour"});
  EXPECT_EQ(frame.offered, kNoColour);
  EXPECT_EQ(p->theme().base, kNoColour);
  EXPECT_EQ(IniFile(path).read("颜色", "颜色", "none"), "none");

  // No channel of 240 can be lightened by 50, so every shade stays 240, 240, 240.
  frame.picked = rgb(240, 240, 240);
  p->itemClicked(ToolbarItemId::Colour);
  const Rgb grey = rgb(240, 240, 240);
  EXPECT_EQ(p->theme().base, grey);
  EXPECT_EQ(p->theme().background, grey);
  EXPECT_EQ(p->theme().second, grey);
  const IniFile ini(path);
  for (const char* key : {"颜色", "背景", "表格"}) EXPECT_EQ(ini.read("颜色", key), "15790320");
  EXPECT_TRUE(app.dialogs.calls.empty());

  // The next pick starts at the chosen colour.
  frame.picked = std::nullopt;
  p->itemClicked(ToolbarItemId::Colour);
  EXPECT_EQ(frame.offered, grey);
  EXPECT_EQ(p->theme().base, grey);
}

// The add windows open on the background the main window shows: the one loaded from the file,
// then each chosen one, also when the file could not be written.
TEST_F(MainPresenterTest, TheAddWindowsShowTheBackgroundTheMainWindowShows) {
  const std::string path = app.session.settingsFilePath();
  ASSERT_TRUE(IniFile(path).write("颜色", "背景", integerText(rgb(1, 2, 3))));
  auto p = create();
  auto addWindowBackgrounds = [&] {
    return std::vector<Rgb>{CreateGoodsPresenter(app.context, app.dialogs).background(),
                            AddMemberPresenter(app.context, app.dialogs).background()};
  };
  EXPECT_EQ(addWindowBackgrounds(), std::vector<Rgb>(2, rgb(1, 2, 3)));

  const struct {
    const char* what;
    Rgb picked;
    bool fileWritable;
  } cases[] = {
      {"stored", rgb(100, 110, 120), true},
      {"not stored", rgb(10, 20, 30), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.fileWritable) {
      // A directory where 配置.ini should be: no write can replace it, not even root's.
      std::filesystem::remove(path);
      std::filesystem::create_directory(path);
    }
    app.dialogs.calls.clear();
    frame.picked = c.picked;
    p->itemClicked(ToolbarItemId::Colour);
    EXPECT_EQ(app.dialogs.calls.size(), c.fileWritable ? 0u : 1u);
    const Rgb shown = p->theme().background;
    EXPECT_EQ(shown, deriveTheme(c.picked).background);
    EXPECT_EQ(addWindowBackgrounds(), std::vector<Rgb>(2, shown));
  }
}

}  // namespace
}  // namespace cz
