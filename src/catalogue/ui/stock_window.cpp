#include "catalogue/ui/stock_window.h"

#include <QCheckBox>
#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "util/ui/grid_view.h"
#include "util/ui/qt_text.h"

namespace cz {

StockWindow::StockWindow(AppContext& app, QWidget* owner)
    : QWidget(owner, Qt::Window), m_dialogs(this), m_presenter(app, m_dialogs) {
  setObjectName("库存");
  setWindowTitle(QString());
  resize(1091, 686);

  m_search = new QLineEdit(this);
  m_search->setObjectName("编辑框1");
  m_search->setGeometry(4, 7, 300, 26);
  m_search->setToolTip("支持模糊查询 商品名称、条码、规格、备注");
  connect(m_search, &QLineEdit::returnPressed, this,
          [this] { m_presenter.search(ss(m_search->text())); });

  m_searchButton = new QPushButton("查询", this);
  m_searchButton->setObjectName("超级查询");
  m_searchButton->setGeometry(307, 7, 97, 26);
  connect(m_searchButton, &QPushButton::clicked, this,
          [this] { m_presenter.search(ss(m_search->text())); });

  m_add = new QPushButton("添加新商品", this);
  m_add->setObjectName("超级添加");
  m_add->setGeometry(408, 7, 97, 26);
  connect(m_add, &QPushButton::clicked, this, [this] { m_presenter.createClicked(); });

  m_allowEdit = new QCheckBox("允许编辑", this);
  m_allowEdit->setObjectName("选择框1");
  m_allowEdit->setGeometry(519, 5, 80, 32);
  connect(m_allowEdit, &QCheckBox::clicked, this, [this](bool checked) {
    m_presenter.allowEditClicked(checked);
    render();
  });

  m_lowStock = new QPushButton("库存预警", this);
  m_lowStock->setObjectName("超级预警");
  m_lowStock->setGeometry(605, 7, 97, 26);
  m_lowStock->setToolTip("只列出库存已到预警值的商品");
  connect(m_lowStock, &QPushButton::clicked, this, [this] { m_presenter.showLowStock(); });

  m_grid = new GridView(m_presenter.grid(), this);
  m_grid->setObjectName("高级表格");
  m_grid->setGeometry(0, 41, 1081, 616);
  connect(m_grid, &GridView::currentCellChanged, this,
          [this](int row, int col) { m_presenter.currentCellChanged(row, col); });
  connect(m_grid, &GridView::editBegins, this,
          [this](int row, int col) { m_presenter.editBegins(row, col); });
  connect(m_grid, &GridView::editFinished, this,
          [this](int row, int col) { m_presenter.cellEdited(row, col); });
  connect(m_grid, &GridView::cellDoubleClicked, this, [this] { m_presenter.doubleClicked(); });

  m_menu = new QMenu(this);
  m_menu->setObjectName("菜单");
  m_menu->addAction("显示所有库存", this, [this] { m_presenter.showAll(); });
  m_menu->addAction("库存预警", this, [this] { m_presenter.showLowStock(); });
  m_menu->addSeparator();
  m_menu->addAction("删除选中", this, [this] { m_presenter.deleteChosen(); });
  m_menu->addAction("称重与预警", this, [this] { m_presenter.markChosen(); });
  m_menu->addSeparator();
  m_menu->addAction("创建新商品", this, [this] { m_presenter.createClicked(); });
  connect(m_grid, &GridView::rightButtonReleased, this, [this] { m_menu->popup(QCursor::pos()); });

  m_presenter.created();
}

StockWindow::~StockWindow() {
  // The grid view watches the presenter's grid, so it goes first.
  delete m_grid;
}

void StockWindow::render() {
  m_allowEdit->setChecked(m_presenter.allowEdit());
}

}  // namespace cz
