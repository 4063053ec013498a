#pragma once

#include <string>
#include <vector>

namespace cz {

class Dialogs;
struct AppContext;

// Every item of the main window's toolbar strip.
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

// The main cashier window: caption, toolbar strip and its dispatch, layout on resize, and the
// leaving entry when the window goes.
class MainPresenter {
 public:
  static constexpr int kInitialWidth = 1183;
  static constexpr int kInitialHeight = 707;
  static constexpr int kStripHeight = 120;

  MainPresenter(AppContext& app, Dialogs& dialogs);

  std::string caption() const;
  // The toolbar items in the order they are created, at their current positions.
  const std::vector<ToolbarItem>& toolbarItems() const { return m_items; }
  const ToolbarItem* item(ToolbarItemId id) const;
  int stripWidth() const { return m_stripWidth; }

  // A toolbar item was clicked.
  void itemClicked(ToolbarItemId id);
  // The window's size changed: places the window's own items at the strip's right end.
  void resized(int width, int height);
  // The window is about to be destroyed, whatever destroys it: writes the leaving entry, once.
  void aboutToBeDestroyed();
  // The platform asked to close the window: handled as exit, which destroys the window itself
  // on 是, so the platform's own close is always refused.
  void closeRequested();

 private:
  ToolbarItem* mutableItem(ToolbarItemId id);

  AppContext& m_app;
  Dialogs& m_dialogs;
  std::vector<ToolbarItem> m_items;
  int m_stripWidth = 1200;
  bool m_left = false;
};

}  // namespace cz
