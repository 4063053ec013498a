#include "catalogue/ui/supplier_page.h"

#include <QCheckBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QSignalBlocker>

#include "catalogue/supplier_page_presenter.h"
#include "util/ui/grid_view.h"
#include "util/ui/qt_text.h"

namespace cz {

SupplierPage::SupplierPage(SupplierPagePresenter& presenter, QWidget* page)
    : QObject(page), m_presenter(presenter), m_page(page) {
  m_grid = new GridView(presenter.grid(), page);
  m_grid->setObjectName("高级表格");
  m_grid->setGeometry(3, 26, 531, 295);

  auto* caption = new QLabel("查询", page);
  caption->setObjectName("透明标签7");
  caption->setGeometry(10, 338, 40, 24);

  m_search = new QLineEdit(page);
  m_search->setObjectName("编辑框供应商");
  m_search->setGeometry(56, 335, 224, 28);

  m_allowEdit = new QCheckBox("允许修改/编辑", page);
  m_allowEdit->setObjectName("选择框1");
  m_allowEdit->setGeometry(329, 331, 112, 26);

  connect(m_search, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_presenter.searchChanged(ss(text)); });
  connect(m_search, &QLineEdit::returnPressed, this, [this] { m_presenter.searchKeyDown(13); });
  connect(m_allowEdit, &QCheckBox::clicked, this, [this] {
    m_presenter.allowEditClicked();
    render();
  });
  connect(m_grid, &GridView::currentCellChanged, this,
          [this] { m_presenter.currentCellChanged(); });
  connect(m_grid, &GridView::cellDoubleClicked, this, [this] { m_presenter.cellDoubleClicked(); });
  connect(m_grid, &GridView::editBegins, this,
          [this](int row, int) { m_presenter.editBegins(row); });
  connect(m_grid, &GridView::editFinished, this,
          [this](int row, int) { m_presenter.editCommitted(row); });
  connect(m_grid, &GridView::rightButtonReleased, this, [this] { popUpMenu(); });
  render();
}

void SupplierPage::render() {
  const QSignalBlocker block(m_allowEdit);
  m_allowEdit->setChecked(m_presenter.allowEdit());
}

void SupplierPage::popUpMenu() {
  // No parent: a modal window opened from the menu may outlive this page (exit destroys every
  // window), so nothing here is touched after an action ran.
  QMenu menu;
  menu.setObjectName("供应商菜单");
  QAction* refresh = menu.addAction("刷新");
  menu.addSeparator();
  QAction* add = menu.addAction("增加供应商");
  menu.addSeparator();
  QAction* remove = menu.addAction("删除供应商");
  QAction* chosen = menu.exec(QCursor::pos());
  if (chosen == refresh) {
    m_presenter.refreshClicked();
  } else if (chosen == add) {
    m_presenter.addClicked();
  } else if (chosen == remove) {
    m_presenter.deleteClicked();
  }
}

}  // namespace cz
