#include "cashier/ui/sale_view.h"

#include <functional>

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QWidget>

#include "cashier/sale_area.h"
#include "cashier/ui/scan_catcher.h"
#include "cashier/ui/tender_window.h"
#include "core/dialogs.h"
#include "printing/ui/qt_printer.h"
#include "util/ui/grid_view.h"
#include "util/ui/list_view.h"
#include "util/ui/qt_text.h"

namespace cz {
namespace {

template <typename T>
T* control(QWidget* window, const char* name) {
  return window->findChild<T*>(QString::fromUtf8(name));
}

void setText(QLabel* label, const std::string& text) {
  if (label && label->text() != qs(text)) label->setText(qs(text));
}

void setText(QLineEdit* edit, const std::string& text) {
  if (edit && edit->text() != qs(text)) edit->setText(qs(text));
}

// Runs a callback before every box, then shows the box through the window's dialogs. Codes
// scanned while a message or question is open are caught for the sale to enter afterwards.
class StatusFirstDialogs : public Dialogs {
 public:
  StatusFirstDialogs(Dialogs& inner, std::function<void()> before, ScanCatcher& scans)
      : m_inner(inner), m_before(std::move(before)), m_scans(scans) {}
  void message(const std::string& text, const std::string& title, MessageIcon icon) override {
    m_before();
    const ScanCatcher::Scope catching(m_scans);
    m_inner.message(text, title, icon);
  }
  bool ask(const std::string& text, const std::string& title, Answer byDefault) override {
    m_before();
    const ScanCatcher::Scope catching(m_scans);
    return m_inner.ask(text, title, byDefault);
  }
  std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                   const std::string& initial) override {
    m_before();
    return m_inner.input(prompt, title, initial);
  }
  std::optional<int> choose(const std::string& title, const std::vector<std::string>& headers,
                            const std::vector<std::vector<std::string>>& rows) override {
    m_before();
    return m_inner.choose(title, headers, rows);
  }

 private:
  Dialogs& m_inner;
  std::function<void()> m_before;
  ScanCatcher& m_scans;
};

}  // namespace

SaleView::SaleView(QWidget* mainWindow, AppContext& app, Dialogs& dialogs, SaleArea& area)
    : QObject(mainWindow),
      m_barcode(control<QLineEdit>(mainWindow, "编辑框条码")),
      m_member(control<QLineEdit>(mainWindow, "编辑框会员")),
      m_goodsList(control<ListView>(mainWindow, "超级列表框1")),
      m_memberList(control<ListView>(mainWindow, "超级列表框2")),
      m_cart(control<GridView>(mainWindow, "高级表格")),
      m_payment(control<QComboBox>(mainWindow, "组合框1")),
      m_checkout(control<QPushButton>(mainWindow, "超级收款")),
      m_orderNumber(control<QLabel>(mainWindow, "标签订单号")),
      m_memberName(control<QLabel>(mainWindow, "标签会员")),
      m_memberRate(control<QLabel>(mainWindow, "标签折扣率")),
      m_memberPoints(control<QLabel>(mainWindow, "标签积分")),
      m_due(control<QLabel>(mainWindow, "标签应收")),
      m_received(control<QLabel>(mainWindow, "标签实收")),
      m_pointsTotal(control<QLabel>(mainWindow, "透明积分")),
      m_tenderSummary(mainWindow->findChild<QLabel*>("标签收款找零")),
      m_stockWarning(mainWindow->findChild<QLabel*>("标签库存预警")),
      m_printer(std::make_unique<QtPrinter>(mainWindow)),
      m_scanCatcher(new ScanCatcher(mainWindow)),
      m_dialogs(std::make_unique<StatusFirstDialogs>(dialogs, [this] { renderStatus(); },
                                                     *m_scanCatcher)),
      m_presenter(std::make_unique<SalePresenter>(app, *m_dialogs, *m_printer, area)) {
  SalePresenter& p = *m_presenter;
  // Codes scanned over a box go in from the event loop once it is closed, also over a box no
  // event of the window opened (a printer's failure).
  m_scanCatcher->setOnCaught([this] { queueCaughtScans(); });
  m_tenderScreen = std::make_unique<QtTenderScreen>(mainWindow, *m_dialogs);
  p.setTenderScreen(m_tenderScreen.get());
  if (m_barcode) {
    m_barcode->installEventFilter(this);
    connect(m_barcode, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_presenter->barcodeTextChanged(ss(text)); });
  }
  if (m_member) {
    m_member->installEventFilter(this);
    connect(m_member, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_presenter->memberTextChanged(ss(text)); });
  }
  if (m_goodsList) {
    connect(m_goodsList, &ListView::keyDown, this,
            [this, &p](int key) { forward([&] { p.goodsListKeyDown(key); }); });
    connect(m_goodsList, &ListView::keyUp, this,
            [this, &p](int key) { forward([&] { p.goodsListKeyUp(key); }); });
    connect(m_goodsList, &ListView::itemDoubleClicked, this,
            [this, &p] { forward([&] { p.goodsListDoubleClicked(); }); });
    connect(m_goodsList, &ListView::focusLost, this,
            [this, &p] { forward([&] { p.goodsListFocusLost(); }); });
  }
  if (m_memberList) {
    connect(m_memberList, &ListView::keyDown, this,
            [this, &p](int key) { forward([&] { p.memberListKeyDown(key); }); });
    connect(m_memberList, &ListView::itemDoubleClicked, this,
            [this, &p] { forward([&] { p.memberListDoubleClicked(); }); });
    connect(m_memberList, &ListView::focusLost, this,
            [this, &p] { forward([&] { p.memberListFocusLost(); }); });
  }
  if (m_cart) {
    connect(m_cart, &GridView::currentCellChanged, this,
            [this, &p] { forward([&] { p.cursorMoved(); }); });
    connect(m_cart, &GridView::editBegins, this, [this, &p] { forward([&] { p.editBegins(); }); });
    connect(m_cart, &GridView::editFinished, this, [this, &p] { forward([&] { p.editEnds(); }); });
    connect(m_cart, &GridView::cellDoubleClicked, this,
            [this, &p] { forward([&] { p.cartDoubleClicked(); }); });
    connect(m_cart, &GridView::keyUp, this,
            [this, &p](int key) { forward([&] { p.cartKeyUp(key); }); });
  }
  if (m_payment) {
    p.paymentChanged(ss(m_payment->currentText()));
    connect(m_payment, &QComboBox::currentTextChanged, this,
            [&p](const QString& text) { p.paymentChanged(ss(text)); });
  }
  if (m_checkout) {
    connect(m_checkout, &QPushButton::clicked, this, [this, &p] {
      finishCartEdit();
      forward([&] { p.checkoutClicked(); });
    });
  }
  // F9 opens the cash drawer, Ctrl+P prints the last receipt again: keys of this window only.
  auto* drawer = new QShortcut(QKeySequence(Qt::Key_F9), mainWindow);
  drawer->setObjectName("开钱箱键");
  connect(drawer, &QShortcut::activated, this,
          [this, &p] { forward([&] { p.openDrawerClicked(); }); });
  // F2 parks the open order, F3 takes one back.
  auto* park = new QShortcut(QKeySequence(Qt::Key_F2), mainWindow);
  park->setObjectName("挂单键");
  connect(park, &QShortcut::activated, this, [this, &p] {
    finishCartEdit();
    forward([&] { p.parkClicked(); });
  });
  auto* takeBack = new QShortcut(QKeySequence(Qt::Key_F3), mainWindow);
  takeBack->setObjectName("取单键");
  connect(takeBack, &QShortcut::activated, this, [this, &p] {
    finishCartEdit();
    forward([&] { p.takeBackClicked(); });
  });
  auto* shiftReport = new QShortcut(QKeySequence(Qt::Key_F10), mainWindow);
  shiftReport->setObjectName("当班报表键");
  connect(shiftReport, &QShortcut::activated, this,
          [this, &p] { forward([&] { p.shiftReportClicked(); }); });
  auto* salesReport = new QShortcut(QKeySequence(Qt::Key_F11), mainWindow);
  salesReport->setObjectName("销售统计键");
  connect(salesReport, &QShortcut::activated, this,
          [this, &p] { forward([&] { p.salesReportClicked(); }); });
  auto* reprint = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), mainWindow);
  reprint->setObjectName("重打小票键");
  connect(reprint, &QShortcut::activated, this,
          [this, &p] { forward([&] { p.reprintLastClicked(); }); });
  render();
}

SaleView::~SaleView() = default;

template <typename Handler>
void SaleView::forward(Handler handler) {
  handler();
  render();
  // Codes scanned into a box the handler showed wait for no handler to be running any more.
  if (!m_scanCatcher->empty()) queueCaughtScans();
}

void SaleView::queueCaughtScans() {
  if (m_replayQueued) return;
  m_replayQueued = true;
  QMetaObject::invokeMethod(this, [this] { enterCaughtScans(); }, Qt::QueuedConnection);
}

void SaleView::enterCaughtScans() {
  m_replayQueued = false;
  if (m_presenter->busy()) return;  // the handler still waiting queues them when it ends
  for (CaughtScan& scan : m_scanCatcher->take()) {
    // Without an open order the barcode box takes no keys, and a scan goes nowhere.
    if (!m_presenter->state().inputsEnabled) continue;
    m_presenter->barcodeTextChanged(m_presenter->state().barcodeText + scan.text);
    if (scan.entered) {
      forward([this] { m_presenter->barcodeKeyDown(13); });
    } else {
      render();
    }
  }
}

void SaleView::startNewOrder() {
  finishCartEdit();
  forward([this] { m_presenter->startNewOrder(); });
}

void SaleView::checkoutHotkey() {
  finishCartEdit();
  forward([this] { m_presenter->checkoutHotkey(); });
}

void SaleView::finishCartEdit() {
  // Commits the cell's editor now, so its edit ends (cap, reprice, totals) before the command
  // runs; otherwise the command's question box would take the focus and commit it mid-way.
  if (m_cart && !m_presenter->busy()) m_cart->finishEditing();
}

bool SaleView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || (watched != m_barcode && watched != m_member)) {
    return QObject::eventFilter(watched, event);
  }
  const int key = platformKeyCode(static_cast<QKeyEvent*>(event)->key());
  if (watched == m_barcode) {
    forward([&] { m_presenter->barcodeKeyDown(key); });
  } else {
    forward([&] { m_presenter->memberKeyDown(key); });
  }
  // Enter is the box's command; every other key still edits the text.
  return key == 13;
}

void SaleView::renderStatus() {
  const SaleState& s = m_presenter->state();
  setText(m_orderNumber, s.orderNumber);
  setText(m_memberName, s.memberName);
  setText(m_memberRate, s.memberRateText);
  setText(m_memberPoints, s.memberPoints);
  setText(m_due, s.due);
  setText(m_received, s.received);
  setText(m_pointsTotal, s.pointsTotal);
  if (m_tenderSummary) m_tenderSummary->setText(qs(s.tenderSummary).replace("  ", "\n"));
  if (m_stockWarning) {
    m_stockWarning->setText(qs(s.stockWarning));
    m_stockWarning->setToolTip(qs(s.stockWarning));
  }
  if (m_barcode) m_barcode->setEnabled(s.inputsEnabled);
  if (m_member) m_member->setEnabled(s.inputsEnabled);
  if (m_checkout) m_checkout->setEnabled(s.inputsEnabled);
  if (m_cart) m_cart->setEnabled(s.cartEnabled);
  // A parked order taken back brings its payment method.
  if (m_payment && m_payment->currentText() != qs(s.payment) &&
      m_payment->findText(qs(s.payment)) >= 0) {
    m_payment->setCurrentText(qs(s.payment));
  }
}

void SaleView::render() {
  const SaleState& s = m_presenter->state();
  setText(m_barcode, s.barcodeText);
  setText(m_member, s.memberText);
  renderStatus();
  if (m_goodsList && m_goodsList->isVisibleTo(m_goodsList->parentWidget()) != s.goodsListVisible) {
    m_goodsList->setVisible(s.goodsListVisible);
    if (s.goodsListVisible) m_goodsList->raise();
  }
  if (m_memberList &&
      m_memberList->isVisibleTo(m_memberList->parentWidget()) != s.memberListVisible) {
    m_memberList->setVisible(s.memberListVisible);
    if (s.memberListVisible) m_memberList->raise();
  }
  switch (m_presenter->takeFocusRequest()) {
    case SaleFocus::Barcode:
      if (m_barcode) m_barcode->setFocus();
      break;
    case SaleFocus::NewOrder:
      // F1 may come from another program: bring the till to the front for the next scan.
      if (m_barcode) {
        QWidget* window = m_barcode->window();
        if (window->isMinimized()) window->showNormal();
        window->raise();
        window->activateWindow();
        m_barcode->setFocus();
      }
      break;
    case SaleFocus::GoodsList:
      if (m_goodsList) m_goodsList->setFocus();
      break;
    case SaleFocus::MemberList:
      if (m_memberList) m_memberList->setFocus();
      break;
    case SaleFocus::None:
      break;
  }
}

}  // namespace cz
