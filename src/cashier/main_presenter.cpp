#include "cashier/main_presenter.h"

#include <algorithm>

#include "cashier/sale_actions.h"
#include "core/app_context.h"
#include "core/branding.h"
#include "core/login.h"
#include "core/operation_log.h"
#include "core/permissions.h"
#include "core/session.h"
#include "core/windows.h"

namespace cz {

namespace {

constexpr int kHiddenX = -2000;

}  // namespace

bool isWindowItem(ToolbarItemId id) {
  return id == ToolbarItemId::Close || id == ToolbarItemId::Maximise ||
         id == ToolbarItemId::Minimise;
}

MainPresenter::MainPresenter(AppContext& app, Dialogs& dialogs, Hotkeys& hotkeys)
    : m_app(app), m_dialogs(dialogs), m_hotkeys(hotkeys) {
  registerHotkeys();
  loadSettings(m_app.session.settingsFilePath(), m_app.session.settings);
  m_app.session.goodsAttributes.load(m_app.db, m_app.session.settings.stockWarningLevel);
  // Created in this order; the captioned items are 88 pixels apart, and the window's own items
  // start above the strip until the first resize places them.
  m_items = {
      {ToolbarItemId::Logo, "", 5, 15},
      {ToolbarItemId::HoverIndicator, "指标", kHiddenX, kHiddenX},
      {ToolbarItemId::ShiftChange, "交班", 210, 15},
      {ToolbarItemId::AddMember, "新增会员", 298, 15},
      {ToolbarItemId::MemberList, "会员列表", 386, 15},
      {ToolbarItemId::Suppliers, "供应商", 474, 15},
      {ToolbarItemId::Settings, "设置", 562, 15},
      {ToolbarItemId::Purchase, "进货", 650, 15},
      {ToolbarItemId::PurchaseReport, "采购报表", 738, 15},
      {ToolbarItemId::Sales, "销售", 826, 15},
      {ToolbarItemId::Stock, "库存", 914, 15},
      {ToolbarItemId::Log, "日志", 1002, 15},
      {ToolbarItemId::NewOrder, "", 1090, 15},
      {ToolbarItemId::Colour, "", 1178, 15},
      {ToolbarItemId::Minimise, "最小化", 10, -50},
      {ToolbarItemId::Maximise, "最大化", 38, -50},
      {ToolbarItemId::Close, "关", 66, -50},
  };
  setUpSaleArea(m_saleArea);
}

const ThemeColours& MainPresenter::theme() const {
  return m_app.session.settings.theme;
}

MainPresenter::~MainPresenter() {
  m_hotkeys.unregisterAll();
}

void MainPresenter::registerHotkeys() {
  // F1 first: when both are taken, the log lists F1's failure first.
  if (m_hotkeys.registerHotkey(Hotkey::F1, [this] { hotkeyPressed(Hotkey::F1); })) {
    m_f1Id = 1;
  } else {
    m_app.log.write(LogType::Error, "注册快捷键F1失败，可能被占用");
  }
  if (m_hotkeys.registerHotkey(Hotkey::F4, [this] { hotkeyPressed(Hotkey::F4); })) {
    m_f4Id = 2;
  } else {
    m_app.log.write(LogType::Error, "注册快捷键F4失败，可能被占用");
  }
}

std::string MainPresenter::caption() const {
  return std::string(kProductName) + kSupportContact;
}

int MainPresenter::hotkeyId(Hotkey key) const {
  return key == Hotkey::F1 ? m_f1Id : m_f4Id;
}

const ToolbarItem* MainPresenter::item(ToolbarItemId id) const {
  for (const ToolbarItem& item : m_items) {
    if (item.id == id) return &item;
  }
  return nullptr;
}

ToolbarItem* MainPresenter::mutableItem(ToolbarItemId id) {
  return const_cast<ToolbarItem*>(static_cast<const MainPresenter*>(this)->item(id));
}

void MainPresenter::moveItem(ToolbarItemId id, int x, int y) {
  if (ToolbarItem* it = mutableItem(id)) {
    it->x = x;
    it->y = y;
  }
}

void MainPresenter::itemClicked(ToolbarItemId id) {
  const PermissionRecord& permissions = m_app.session.permissions;
  switch (id) {
    case ToolbarItemId::Logo:
    case ToolbarItemId::HoverIndicator:
      break;
    case ToolbarItemId::ShiftChange:
      // Once 是 is answered the shift's report is on screen and the sale is about to go, so
      // F1 and F4 no longer start or store an order. Set before the call: on 是 the shift change
      // may already have destroyed this presenter when the call returns.
      m_closingShift = true;
      if (!changeShift(m_app, m_dialogs)) m_closingShift = false;
      break;
    case ToolbarItemId::AddMember:
      if (checkPermission(permissions, Permission::AddMember, m_dialogs, refusalText("新增会员"))) {
        m_app.windows.openAddMemberWindow();
      }
      break;
    case ToolbarItemId::MemberList:
      m_app.windows.openMemberListWindow();
      break;
    case ToolbarItemId::Suppliers:
      m_app.windows.openSettingsWindow(SettingsPage::Suppliers);
      break;
    case ToolbarItemId::Settings:
      m_app.windows.openSettingsWindow(SettingsPage::Printing);
      break;
    case ToolbarItemId::Purchase:
      if (checkPermission(permissions, Permission::Purchase, m_dialogs, refusalText("进货采购"))) {
        m_app.windows.openPurchaseWindow();
      }
      break;
    case ToolbarItemId::PurchaseReport:
      if (checkPermission(permissions, Permission::ViewPurchases, m_dialogs,
                          refusalText("查看采购报表"))) {
        m_app.windows.openOrderList(OrderKind::Purchase);
      }
      break;
    case ToolbarItemId::Sales:
      m_app.windows.openOrderList(OrderKind::Sale);
      break;
    case ToolbarItemId::Stock:
      m_app.windows.openStockWindow();
      break;
    case ToolbarItemId::Log:
      m_app.windows.showLogWindow();
      break;
    case ToolbarItemId::NewOrder:
      if (m_sale) m_sale->startNewOrder();
      break;
    case ToolbarItemId::Colour:
      chooseThemeColour();
      break;
    case ToolbarItemId::Minimise:
      if (m_frame) m_frame->minimise();
      break;
    case ToolbarItemId::Maximise:
      maximiseOrRestore();
      break;
    case ToolbarItemId::Close:
      exitProgram(m_app, m_dialogs);
      break;
  }
}

void MainPresenter::maximiseOrRestore() {
  if (!m_frame) return;
  if (m_frame->isMaximised()) {
    m_frame->showNormalCentred();
  } else {
    m_frame->maximise();
  }
}

void MainPresenter::chooseThemeColour() {
  if (!m_frame) return;
  // The chooser is a box of this window too: keys pressed while it is open are left alone.
  m_chooserOpen = true;
  const std::optional<Rgb> chosen = m_frame->chooseColour(theme().base);
  m_chooserOpen = false;
  if (!chosen) return;
  const ColourChoice choice = chooseColour(m_app.session.settingsFilePath(), *chosen);
  // The colours apply now either way, here and in the add windows opened from now on; the file
  // keeps the old ones, and the user is told.
  m_app.session.settings.theme = choice.colours;
  if (!choice.error.empty()) m_dialogs.message(choice.error, kDefaultTitle, MessageIcon::Warning);
}

void MainPresenter::mouseOverItem(ToolbarItemId id) {
  if (id == ToolbarItemId::Logo) return;
  const ToolbarItem* over = item(id);
  if (!over) return;
  if (isWindowItem(id)) {
    moveItem(ToolbarItemId::HoverIndicator, over->x - 25, 15);
  } else {
    moveItem(ToolbarItemId::HoverIndicator, over->x, 95);
  }
}

void MainPresenter::mouseLeftStrip() {
  moveItem(ToolbarItemId::HoverIndicator, kHiddenX, 95);
}

void MainPresenter::resized(int width, int height) {
  MainLayout& l = m_layout;
  l.stripWidth = width;
  moveItem(ToolbarItemId::Close, l.stripWidth - 34, 0);
  moveItem(ToolbarItemId::Maximise, l.stripWidth - 62, 0);
  moveItem(ToolbarItemId::Minimise, l.stripWidth - 90, 0);

  l.cart.width = width - 7;
  l.checkout.y = (height - kStripHeight) + l.checkout.height / 2 - 10;
  l.checkout.x = width - l.checkout.width - 10;
  l.cart.height = height - l.cart.y - l.checkout.height - 15;

  TextGrid& cart = m_saleArea.cart;
  int otherColumns = 0;
  for (int col = 2; col < cart.columnCount(); ++col) otherColumns += cart.columnWidth(col);
  const int nameWidth = l.cart.width - otherColumns - 35 - 25;
  cart.setColumnWidth(kCartName, std::max(nameWidth, kMinimumNameColumnWidth));

  l.bottomBar.y = l.checkout.y;
  l.goodsChoices.y = l.bottomBar.y - 245;
  l.memberChoices.y = l.bottomBar.y - 210;
}

void MainPresenter::hotkeyPressed(Hotkey key) {
  if (hotkeyId(key) == 0 || m_dialogs.isOpen() || m_chooserOpen || m_left || m_closingShift) {
    return;
  }
  if (!m_sale) return;
  if (key == Hotkey::F1) {
    m_sale->startNewOrder();
  } else {
    m_sale->checkoutHotkey();
  }
}

void MainPresenter::aboutToBeDestroyed() {
  if (m_left) return;
  m_left = true;
  m_hotkeys.unregisterAll();
  writeLeavingEntry(m_app);
}

void MainPresenter::closeRequested() {
  exitProgram(m_app, m_dialogs);
}

}  // namespace cz
