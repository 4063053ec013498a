#pragma once

#include <QWidget>

#include "catalogue/member_presenter.h"
#include "core/ui/qt_dialogs.h"

class QMenu;

namespace cz {

class GridView;
struct AppContext;

// "会员列表": the member grid and its menu. Starts loading every member when it is built.
class MemberListWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MemberListWindow(AppContext& app, QWidget* owner = nullptr);
  ~MemberListWindow() override;

  MemberListPresenter& presenter() { return m_presenter; }

 private:
  QtDialogs m_dialogs;
  MemberListPresenter m_presenter;
  GridView* m_grid;
  QMenu* m_menu;
};

}  // namespace cz
