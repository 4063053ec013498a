#pragma once

#include <optional>
#include <string>
#include <vector>

#include "admin/settings_file.h"
#include "cashier/hotkeys.h"
#include "cashier/sale_area.h"
#include "cashier/tracked_dialogs.h"
#include "util/colour.h"

namespace cz {

class Dialogs;
class SaleActions;
struct AppContext;

// Every item of the main window's toolbar strip, in the order the strip creates them.
enum class ToolbarItemId {
  Logo,
  HoverIndicator,
  ShiftChange,
  AddMember,
  MemberList,
  Suppliers,
  Settings,
  Purchase,
  PurchaseReport,
  Sales,
  Stock,
  Log,
  NewOrder,
  Colour,
  Minimise,
  Maximise,
  Close,
};

struct ToolbarItem {
  ToolbarItemId id;
  std::string caption;
  int x;
  int y;
};

// True for the window's own items (最小化, 最大化, 关), which sit at the strip's right end.
bool isWindowItem(ToolbarItemId id);

// Position and size of a control, in its parent's pixels.
struct ControlGeometry {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  bool operator==(const ControlGeometry&) const = default;
};

// The controls that move or stretch with the window.
struct MainLayout {
  int stripWidth = 1200;
  ControlGeometry cart{4, 121, 1172, 463};           // 高级表格
  ControlGeometry checkout{944, 621, 232, 80};       // 超级收款
  ControlGeometry bottomBar{6, 621, 1012, 80};       // 图片框底
  ControlGeometry goodsChoices{4, 375, 395, 253};    // 超级列表框1
  ControlGeometry memberChoices{12, 408, 339, 253};  // 超级列表框2
};

// What the toolbar asks of the window itself. The Qt window implements it; tests record it.
class MainWindowFrame {
 public:
  virtual ~MainWindowFrame() = default;
  virtual bool isMaximised() const = 0;
  virtual void minimise() = 0;
  virtual void maximise() = 0;
  // Back to the normal size, centred on the screen.
  virtual void showNormalCentred() = 0;
  // Opens the colour chooser under the colour item, starting at `initial` (kNoColour: the
  // designed colour); nothing when the user cancels.
  virtual std::optional<Rgb> chooseColour(Rgb initial) = 0;
};

// The main cashier window: its creation work (hotkeys, settings, toolbar, sale area), the toolbar
// and its dispatch, hover, layout on resize, theme colours, the F1 and F4 hotkeys, and the
// leaving entry when the window goes.
class MainPresenter {
 public:
  static constexpr int kInitialWidth = 1183;
  static constexpr int kInitialHeight = 707;
  static constexpr int kStripHeight = 120;
  // Cart column 1 (商品名称) never gets narrower than this, whatever the window's width.
  static constexpr int kMinimumNameColumnWidth = 180;
  static constexpr const char* kCartTooltip = "按Delete键可以删除商品";
  static constexpr const char* kMemberBoxTooltip = "支持模糊搜索会员姓名、编号、电话哦";

  // Runs the window's creation work: registers F1 then F4 (a refused key is logged as an error
  // and then does nothing), loads the settings into the session, builds the toolbar items and
  // sets up the sale area's models. `dialogs` shows the window's boxes.
  MainPresenter(AppContext& app, Dialogs& dialogs, Hotkeys& hotkeys);
  // Gives the hotkeys back.
  ~MainPresenter();
  MainPresenter(const MainPresenter&) = delete;
  MainPresenter& operator=(const MainPresenter&) = delete;

  std::string caption() const;
  // The window's boxes. Everything that runs from the main window shows its boxes through this,
  // so a hotkey pressed while one is open is ignored.
  Dialogs& dialogs() { return m_dialogs; }
  // The cart and the two choice lists.
  SaleArea& saleArea() { return m_saleArea; }
  // Where the new-order item, F1 and F4 go; nullptr makes them do nothing.
  void setSaleActions(SaleActions* actions) { m_sale = actions; }
  // The window's own minimise / maximise / colour chooser; nullptr makes those items do nothing.
  void setFrame(MainWindowFrame* frame) { m_frame = frame; }

  // The toolbar items in the order they are created, at their current positions.
  const std::vector<ToolbarItem>& toolbarItems() const { return m_items; }
  const ToolbarItem* item(ToolbarItemId id) const;
  const MainLayout& layout() const { return m_layout; }
  // The theme colours, as the session holds them; kNoColour where the window keeps its designed
  // colour.
  const ThemeColours& theme() const;
  // The identity of a registered hotkey, 0 when its registration failed.
  int hotkeyId(Hotkey key) const;

  // A toolbar item was clicked. Shift change and exit may destroy the window.
  void itemClicked(ToolbarItemId id);
  // The mouse moved onto an item / left the strip: moves the hover indicator.
  void mouseOverItem(ToolbarItemId id);
  void mouseLeftStrip();
  // The window's size changed: lays out the strip, its window items, the cart, 超级收款, the
  // bottom bar and the choice lists, and widens cart column 1 into the room left.
  void resized(int width, int height);
  // F1 starts a new order, F4 checks out when 超级收款 is enabled. Ignored while one of the
  // window's boxes is open, and for a key whose registration failed.
  void hotkeyPressed(Hotkey key);
  // The window is about to be destroyed, whatever destroys it: gives the hotkeys back and writes
  // the leaving entry, once.
  void aboutToBeDestroyed();
  // The platform asked to close the window (Alt+F4): handled as 关, which destroys the window
  // itself on 是, so the platform's own close is always refused.
  void closeRequested();

 private:
  ToolbarItem* mutableItem(ToolbarItemId id);
  void moveItem(ToolbarItemId id, int x, int y);
  void registerHotkeys();
  void maximiseOrRestore();
  void chooseThemeColour();

  AppContext& m_app;
  TrackedDialogs m_dialogs;
  Hotkeys& m_hotkeys;
  SaleActions* m_sale = nullptr;
  MainWindowFrame* m_frame = nullptr;
  SaleArea m_saleArea;
  std::vector<ToolbarItem> m_items;
  MainLayout m_layout;
  int m_f1Id = 0;
  int m_f4Id = 0;
  bool m_chooserOpen = false;
  bool m_left = false;
  bool m_closingShift = false;
};

}  // namespace cz
