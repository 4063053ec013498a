#include "cashier/main_presenter.h"

#include "core/app_context.h"
#include "core/branding.h"
#include "core/login.h"
#include "core/windows.h"

namespace cz {

MainPresenter::MainPresenter(AppContext& app, Dialogs& dialogs) : m_app(app), m_dialogs(dialogs) {
  // Created in this order; the captioned items are 88 pixels apart, and the window's own items
  // start above the strip until the first resize places them.
  m_items = {
      {ToolbarItemId::ShiftChange, "交班", 210, 15},
      {ToolbarItemId::Log, "日志", 1002, 15},
      {ToolbarItemId::Close, "关", 66, -50},
  };
}

std::string MainPresenter::caption() const {
  return std::string(kProductName) + kSupportContact;
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

void MainPresenter::itemClicked(ToolbarItemId id) {
  switch (id) {
    case ToolbarItemId::ShiftChange:
      changeShift(m_app, m_dialogs);
      break;
    case ToolbarItemId::Log:
      m_app.windows.showLogWindow();
      break;
    case ToolbarItemId::Close:
      exitProgram(m_app, m_dialogs);
      break;
    default:
      break;
  }
}

void MainPresenter::resized(int width, int /*height*/) {
  m_stripWidth = width;
  const struct {
    ToolbarItemId id;
    int fromRight;
  } placed[] = {
      {ToolbarItemId::Close, 34}, {ToolbarItemId::Maximise, 62}, {ToolbarItemId::Minimise, 90}};
  for (const auto& p : placed) {
    if (ToolbarItem* it = mutableItem(p.id)) {
      it->x = m_stripWidth - p.fromRight;
      it->y = 0;
    }
  }
}

void MainPresenter::aboutToBeDestroyed() {
  if (m_left) return;
  m_left = true;
  writeLeavingEntry(m_app);
}

void MainPresenter::closeRequested() {
  exitProgram(m_app, m_dialogs);
}

}  // namespace cz
