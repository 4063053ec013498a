#include "catalogue/ui/member_list_window.h"

#include <QCursor>
#include <QMenu>

#include "util/ui/grid_view.h"

namespace cz {

MemberListWindow::MemberListWindow(AppContext& app, QWidget* owner)
    : QWidget(owner, Qt::Window), m_dialogs(this), m_presenter(app, m_dialogs) {
  setObjectName("会员列表");
  setWindowTitle("会员列表");
  resize(797, 667);

  m_grid = new GridView(m_presenter.grid(), this);
  m_grid->setObjectName("高级表格");
  m_grid->setGeometry(0, 0, 792, 640);
  connect(m_grid, &GridView::currentCellChanged, this,
          [this](int row, int col) { m_presenter.currentCellChanged(row, col); });
  connect(m_grid, &GridView::editBegins, this,
          [this](int row, int col) { m_presenter.editBegins(row, col); });
  connect(m_grid, &GridView::editFinished, this,
          [this](int row, int col) { m_presenter.cellEdited(row, col); });

  m_menu = new QMenu(this);
  m_menu->setObjectName("菜单");
  m_menu->addAction("刷新列表", this, [this] { m_presenter.refresh(); });
  m_menu->addSeparator();
  m_menu->addAction("查询会员", this, [this] { m_presenter.searchChosen(); });
  m_menu->addSeparator();
  m_menu->addAction("删除会员", this, [this] { m_presenter.deleteChosen(); });
  connect(m_grid, &GridView::rightButtonReleased, this, [this] { m_menu->popup(QCursor::pos()); });

  m_presenter.created();
}

MemberListWindow::~MemberListWindow() {
  // The grid view watches the presenter's grid, so it goes first.
  delete m_grid;
}

}  // namespace cz
