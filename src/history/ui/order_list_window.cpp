#include "history/ui/order_list_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "core/app_context.h"
#include "util/clock.h"
#include "util/ui/child_views.h"
#include "util/ui/grid_view.h"
#include "util/ui/qt_text.h"

namespace cz {

namespace {

QLabel* label(QWidget* parent, const char* name, const std::string& text, QRect at) {
  auto* l = new QLabel(qs(text), parent);
  l->setObjectName(name);
  l->setGeometry(at);
  return l;
}

QLineEdit* edit(QWidget* parent, const char* name, QRect at) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setGeometry(at);
  return e;
}

QPushButton* button(QWidget* parent, const char* name, const char* text, QRect at) {
  auto* b = new QPushButton(QString::fromUtf8(text), parent);
  b->setObjectName(name);
  b->setGeometry(at);
  b->setAutoDefault(false);
  return b;
}

QDateEdit* datePicker(QWidget* parent, const char* name, QRect at, const LocalDateTime& today) {
  auto* d = new QDateEdit(QDate(today.year, today.month, today.day), parent);
  d->setObjectName(name);
  d->setGeometry(at);
  d->setCalendarPopup(true);
  d->setDisplayFormat("yyyy-M-d");
  return d;
}

CalendarDay dayOf(const QDateEdit* picker) {
  const QDate d = picker->date();
  return {d.year(), d.month(), d.day()};
}

}  // namespace

OrderListWindow::OrderListWindow(AppContext& app, OrderKind kind, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialogs(this), m_presenter(app, m_dialogs, kind) {
  setObjectName(kind == OrderKind::Sale ? "出货订单记录" : "采购订单记录");
  setGeometry(50, 50, OrderListPresenter::kWidth, OrderListPresenter::kHeight);

  label(this, "透明标签1", "订单号", {8, 15, 49, 24});
  m_order = edit(this, "编辑框订单", {54, 12, 166, 30});
  label(this, "透明标签2", m_presenter.customerLabel(), {8, 53, 49, 24});
  m_customer = edit(this, "编辑框客户", {54, 50, 166, 30});
  label(this, "透明标签3", "详情", {250, 16, 49, 24});
  m_details = edit(this, "编辑框详情", {308, 13, 198, 30});
  label(this, "透明标签4", "付款方式", {248, 54, 64, 24});
  m_payment = new QComboBox(this);
  m_payment->setObjectName("组合框1");
  m_payment->setGeometry(308, 54, 198, 24);
  for (const std::string& item : OrderListPresenter::paymentItems()) m_payment->addItem(qs(item));
  const LocalDateTime today = app.clock.now();
  label(this, "透明标签5", "日期", {538, 14, 49, 24});
  m_date1 = datePicker(this, "日期框1", {578, 15, 162, 24}, today);
  label(this, "透明标签6", "日期", {538, 55, 49, 24});
  m_date2 = datePicker(this, "日期框2", {578, 56, 162, 24}, today);
  m_dateRange = new QCheckBox(QString::fromUtf8("指定日期"), this);
  m_dateRange->setObjectName("选择框1");
  m_dateRange->setGeometry(743, 33, 76, 32);

  auto* query = button(this, "超级查询", "查询", {m_presenter.queryButtonLeft(), 36, 84, 26});
  auto* first = button(this, "超级首", "|<", {907, 36, 38, 26});
  auto* previous = button(this, "超级上", "<<", {945, 36, 38, 26});
  auto* next = button(this, "超级下", ">>", {983, 36, 38, 26});
  auto* last = button(this, "超级尾", ">|", {1021, 36, 38, 26});
  auto* jump = button(this, "超级跳", "跳到", {1059, 36, 38, 26});
  m_jump = edit(this, "编辑框跳到", {1097, 36, 56, 26});

  if (kind == OrderKind::Sale) {
    auto* statistics = button(this, "按钮统计", "统计", {m_presenter.queryButtonLeft(), 6, 84, 26});
    connect(statistics, &QPushButton::clicked, this, [this] { m_presenter.statisticsClicked(); });
  }

  m_grid = new GridView(m_presenter.grid(), this);
  m_grid->setObjectName("高级表格");
  m_grid->setGeometry(0, 88, 1168, 638);

  m_menu = new QMenu(this);
  m_menu->setObjectName("菜单");
  QAction* loadAll = m_menu->addAction(QString::fromUtf8("加载所有订单"));
  m_menu->addSeparator();
  QAction* detail = m_menu->addAction(QString::fromUtf8("查看订单清单"));
  m_menu->addSeparator();
  QAction* remove = m_menu->addAction(QString::fromUtf8("删除订单"));

  auto on = [this](auto&& handler) {
    return [this, handler] {
      handler();
      render();
    };
  };
  connect(query, &QPushButton::clicked, this, on([this] {
            readSearch();
            m_presenter.runSearch();
          }));
  connect(first, &QPushButton::clicked, this, on([this] { m_presenter.firstPage(); }));
  connect(previous, &QPushButton::clicked, this, on([this] { m_presenter.previousPage(); }));
  connect(next, &QPushButton::clicked, this, on([this] { m_presenter.nextPage(); }));
  connect(last, &QPushButton::clicked, this, on([this] { m_presenter.lastPageClicked(); }));
  connect(jump, &QPushButton::clicked, this, on([this] { m_presenter.jump(ss(m_jump->text())); }));
  connect(m_jump, &QLineEdit::textChanged, this, [this](const QString& text) {
    const QString checked = qs(m_presenter.jumpTextChecked(ss(text)));
    if (checked != text) m_jump->setText(checked);
  });
  connect(m_grid, &GridView::rightButtonReleased, this,
          [this](int, int) { m_menu->popup(QCursor::pos()); });
  connect(m_grid, &GridView::cellDoubleClicked, this,
          [this](int, int) { m_presenter.showDetail(); });
  connect(loadAll, &QAction::triggered, this, on([this] { m_presenter.loadAll(); }));
  connect(detail, &QAction::triggered, this, [this] { m_presenter.showDetail(); });
  connect(remove, &QAction::triggered, this, on([this] { m_presenter.deleteOrder(); }));

  render();
}

void OrderListWindow::readSearch() {
  OrderSearch& s = m_presenter.search;
  s.orderNumber = ss(m_order->text());
  s.customer = ss(m_customer->text());
  s.details = ss(m_details->text());
  s.paymentIndex = m_payment->currentIndex();
  s.dateRange = m_dateRange->isChecked();
  s.firstDay = dayOf(m_date1);
  s.lastDay = dayOf(m_date2);
}

void OrderListWindow::render() {
  setWindowTitle(qs(m_presenter.caption()));
}

OrderListWindow::~OrderListWindow() {
  deleteViewsFirst(this);
}

}  // namespace cz
