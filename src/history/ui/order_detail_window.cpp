#include "history/ui/order_detail_window.h"

#include <QLabel>
#include <QPushButton>

#include "printing/ui/qt_printer.h"
#include "util/ui/child_views.h"
#include "util/ui/grid_view.h"
#include "util/ui/qt_text.h"

namespace cz {

namespace {

QLabel* label(QWidget* parent, const char* name, const char* text, QRect at) {
  auto* l = new QLabel(QString::fromUtf8(text), parent);
  l->setObjectName(name);
  l->setGeometry(at);
  return l;
}

}  // namespace

namespace {

OrderDetailPresenter makePresenter(OrderKind kind, AppContext* app, Dialogs& dialogs,
                                   QtPrinter* printer) {
  if (app && printer) return OrderDetailPresenter(kind, *app, dialogs, *printer);
  return OrderDetailPresenter(kind);
}

}  // namespace

OrderDetailWindow::OrderDetailWindow(OrderKind kind, QWidget* parent, AppContext* app)
    : QWidget(parent, Qt::Window),
      m_dialogs(this),
      m_printer(app && kind == OrderKind::Sale ? std::make_unique<QtPrinter>(this) : nullptr),
      m_presenter(makePresenter(kind, app, m_dialogs, m_printer.get())) {
  const bool sale = kind == OrderKind::Sale;
  setObjectName(sale ? "销售详情" : "采购详情");
  setWindowTitle(qs(m_presenter.caption()));
  setGeometry(50, 50, OrderDetailPresenter::kWidth, OrderDetailPresenter::kHeight);

  label(this, "透明标签16", "订单号：", {9, 12, 56, 24});
  m_orderNumber = label(this, "透明标签订单号", "-", {59, 12, 173, 24});
  label(this, "透明标签1", "日期：", {243, 12, 49, 24});
  m_date = label(this, "透明标签日期", "-", {290, 12, 173, 24});
  label(this, "透明标签4", sale ? "客户：" : "供应商：", {479, 12, 49, 24});
  m_customer = label(this, "透明标签客户", "-", {544, 12, 178, 24});
  if (sale) {
    label(this, "透明标签10", "获得积分：", {741, 12, 56, 24});
    m_points = label(this, "透明标签积分", "-", {808, 12, 125, 24});
  }
  label(this, "透明标签6", sale ? "总应收：" : "总应付：", {9, 49, 49, 24});
  m_due = label(this, "透明标签应收", "-", {59, 49, 165, 24});
  label(this, "透明标签8", sale ? "总实收：" : "总实付：", {243, 49, 49, 24});
  m_received = label(this, "透明标签实收", "-", {290, 49, 166, 24});
  label(this, "透明标签12", "付款方式：", {479, 49, 56, 24});
  m_method = label(this, "透明标签方式", "-", {544, 49, 178, 24});
  label(this, "透明标签14", "制单人：", {741, 49, 56, 24});
  m_maker = label(this, "透明标签制单人", "-", {808, 49, 125, 24});

  auto* grid = new GridView(m_presenter.grid(), this);
  grid->setObjectName("高级表格");
  grid->setGeometry(0, 88, 967, 411);

  if (m_presenter.canReprint()) {
    // In the strip below the grid, at its right end.
    auto* reprint = new QPushButton("重打小票", this);
    reprint->setObjectName("超级重打");
    reprint->setGeometry(867, 500, 96, 25);
    reprint->setAutoDefault(false);
    connect(reprint, &QPushButton::clicked, this, [this] { m_presenter.reprintClicked(); });
  }
}

void OrderDetailWindow::fill(const std::vector<std::string>& cells, std::int64_t rowid) {
  m_presenter.fill(cells, rowid);
  const auto& l = m_presenter.labels();
  m_orderNumber->setText(qs(l.orderNumber));
  m_date->setText(qs(l.date));
  m_customer->setText(qs(l.customer));
  if (m_points) m_points->setText(qs(l.points));
  m_due->setText(qs(l.due));
  m_received->setText(qs(l.received));
  m_method->setText(qs(l.method));
  m_maker->setText(qs(l.maker));
}

OrderDetailWindow::~OrderDetailWindow() {
  deleteViewsFirst(this);
}

}  // namespace cz
