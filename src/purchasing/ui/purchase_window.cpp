#include "purchasing/ui/purchase_window.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "util/ui/child_views.h"
#include "util/ui/grid_view.h"
#include "util/ui/list_view.h"
#include "util/ui/qt_text.h"

namespace cz {

namespace {

QLabel* label(QWidget* parent, const char* name, const char* text, QRect at) {
  auto* l = new QLabel(QString::fromUtf8(text), parent);
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

void setText(QLineEdit* box, const std::string& text) {
  const QString wanted = qs(text);
  if (box->text() != wanted) box->setText(wanted);
}

}  // namespace

PurchaseWindow::PurchaseWindow(AppContext& app, QWidget* owner)
    : QWidget(owner, Qt::Window),
      m_dialogs(this),
      m_ownerDialogs(owner ? owner : this),
      m_presenter(app, m_dialogs, m_ownerDialogs) {
  setObjectName("商品采购入库");
  setWindowTitle("商品采购入库");
  setGeometry(50, 50, PurchasePresenter::kWidth, PurchasePresenter::kHeight);
  // The theme's background, as the owner shows it.
  if (owner) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, owner->palette().color(QPalette::Window));
    setPalette(p);
  }

  m_grid = new GridView(m_presenter.grid(), this);
  m_grid->setObjectName("高级表格");
  m_grid->setGeometry(0, 0, 955, 463);
  m_barcode = edit(this, "编辑框条码", {4, 475, 232, 32});
  m_supplier = edit(this, "编辑框会员", {4, 530, 232, 32});
  label(this, "透明标签3", "订单号：", {249, 472, 50, 24});
  m_orderNumber = label(this, "标签订单号", "-", {302, 472, 142, 24});
  label(this, "透明标签1", "供应商：", {249, 505, 47, 24});
  m_supplierName = label(this, "标签会员", "-", {302, 505, 142, 24});
  m_contact = label(this, "标签联系", "", {544, 384, 104, 24});
  label(this, "透明标签2", "付款方式：", {248, 539, 66, 24});
  m_payment = new QComboBox(this);
  m_payment->setObjectName("组合框1");
  m_payment->setGeometry(309, 537, 112, 24);
  for (const std::string& item : PurchasePresenter::paymentItems()) m_payment->addItem(qs(item));
  label(this, "标签总金额1", "￥：", {455, 470, 78, 49});
  m_paid = edit(this, "编辑框实付", {533, 481, 226, 40});
  {
    QPalette p = m_paid->palette();
    p.setColor(QPalette::Base, palette().color(QPalette::Window));
    m_paid->setPalette(p);
  }
  label(this, "标签应收1", "应收：", {481, 532, 44, 20});
  m_payable = label(this, "标签应收", "0", {537, 531, 213, 20});
  m_submit = new QPushButton(QString::fromUtf8("提交清单"), this);
  m_submit->setObjectName("超级提交");
  m_submit->setGeometry(769, 469, 181, 98);
  m_submit->setAutoDefault(false);

  // The choosers float above the grid, hidden until filled.
  m_goodsList = new ListView(m_presenter.goodsChoices(), this);
  m_goodsList->setObjectName("超级列表框1");
  m_goodsList->setGeometry(5, 222, 395, 253);
  m_goodsList->hide();
  m_supplierList = new ListView(m_presenter.supplierChoices(), this);
  m_supplierList->setObjectName("超级列表框2");
  m_supplierList->setGeometry(5, 277, 339, 253);
  m_supplierList->hide();

  m_barcode->installEventFilter(this);
  m_supplier->installEventFilter(this);

  auto on = [this](auto&& handler) {
    return [this, handler](auto&&...) {
      handler();
      render();
    };
  };
  connect(m_barcode, &QLineEdit::textEdited, this,
          [this](const QString& text) { m_presenter.barcodeText = ss(text); });
  connect(m_supplier, &QLineEdit::textEdited, this,
          [this](const QString& text) { m_presenter.supplierText = ss(text); });
  connect(m_paid, &QLineEdit::textEdited, this,
          [this](const QString& text) { m_presenter.paidText = ss(text); });
  connect(m_payment, &QComboBox::currentIndexChanged, this,
          [this](int index) { m_presenter.paymentIndex = index; });
  connect(m_grid, &GridView::currentCellChanged, this,
          [this](int row, int col) { m_presenter.currentCellChanged(row, col); });
  connect(m_grid, &GridView::editBegins, this,
          [this](int row, int col) { m_presenter.editBegins(row, col); });
  connect(m_grid, &GridView::editFinished, this, [this](int row, int col) {
    m_presenter.lineEdited(row, col);
    render();
  });
  connect(m_grid, &GridView::keyDown, this, [this](int key) {
    m_presenter.gridKeyDown(key);
    render();
  });
  connect(m_goodsList, &ListView::itemDoubleClicked, this,
          on([this] { m_presenter.goodsChosen(); }));
  connect(m_goodsList, &ListView::keyDown, this, [this](int key) {
    m_presenter.goodsListKeyDown(key);
    render();
  });
  connect(m_goodsList, &ListView::keyUp, this, [this](int key) {
    m_presenter.goodsListKeyUp(key);
    render();
  });
  connect(m_goodsList, &ListView::focusLost, this,
          on([this] { m_presenter.goodsListFocusLost(); }));
  connect(m_supplierList, &ListView::itemDoubleClicked, this,
          on([this] { m_presenter.supplierChosen(); }));
  connect(m_supplierList, &ListView::keyDown, this, [this](int key) {
    m_presenter.supplierListKeyDown(key);
    render();
  });
  connect(m_supplierList, &ListView::focusLost, this,
          on([this] { m_presenter.supplierListFocusLost(); }));
  connect(m_submit, &QPushButton::clicked, this, on([this] { m_presenter.submit(); }));

  render();
}

bool PurchaseWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || (watched != m_barcode && watched != m_supplier))
    return QWidget::eventFilter(watched, event);
  const int key = platformKeyCode(static_cast<QKeyEvent*>(event)->key());
  if (watched == m_barcode) {
    m_presenter.barcodeText = ss(m_barcode->text());
    m_presenter.barcodeKeyDown(key);
  } else {
    m_presenter.supplierText = ss(m_supplier->text());
    m_presenter.supplierKeyDown(key);
  }
  render();
  // Enter is handled here; every other key goes on into the box.
  return key == PurchasePresenter::kEnterKey;
}

void PurchaseWindow::render() {
  m_orderNumber->setText(qs(m_presenter.orderNumber()));
  m_supplierName->setText(qs(m_presenter.supplierName()));
  m_contact->setText(qs(m_presenter.supplierContact()));
  m_payable->setText(qs(m_presenter.payable()));
  setText(m_barcode, m_presenter.barcodeText);
  setText(m_paid, m_presenter.paidText);
  m_submit->setEnabled(m_presenter.submitEnabled());
  m_goodsList->setVisible(m_presenter.goodsChoicesVisible());
  m_supplierList->setVisible(m_presenter.supplierChoicesVisible());
  if (m_presenter.goodsChoicesVisible()) m_goodsList->raise();
  if (m_presenter.supplierChoicesVisible()) m_supplierList->raise();
  switch (m_presenter.takeFocusRequest()) {
    case PurchasePresenter::Focus::Barcode:
      m_barcode->setFocus();
      break;
    case PurchasePresenter::Focus::GoodsChoices:
      m_goodsList->setFocus();
      break;
    case PurchasePresenter::Focus::SupplierChoices:
      m_supplierList->setFocus();
      break;
    case PurchasePresenter::Focus::None:
      break;
  }
}

PurchaseWindow::~PurchaseWindow() {
  deleteViewsFirst(this);
}

}  // namespace cz
