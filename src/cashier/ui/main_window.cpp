#include "cashier/ui/main_window.h"

#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScreen>
#include <QToolTip>

#include "cashier/ui/qt_hotkeys.h"
#include "cashier/ui/sale_view.h"
#include "util/ui/grid_view.h"
#include "util/ui/list_view.h"
#include "util/ui/qt_text.h"
#include "util/ui/shadow_window.h"
#include "util/ui/window_drag.h"

namespace cz {

namespace {

// The designed colours, kept where the settings file has no theme colour.
const QColor kDesignedStrip(38, 92, 166);
const QColor kDesignedBackground(232, 238, 246);
const QColor kDesignedSecond(92, 150, 226);

QColor themeColour(Rgb colour, const QColor& designed) {
  return colour == kNoColour ? designed : qcolor(colour);
}

void place(QWidget* widget, const ControlGeometry& g) {
  widget->setGeometry(g.x, g.y, g.width, g.height);
}

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
              const QString& style = {}) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setGeometry(geometry);
  l->setAttribute(Qt::WA_TranslucentBackground);
  if (!style.isEmpty()) l->setStyleSheet(style);
  return l;
}

QLineEdit* entryBox(QWidget* parent, const char* name, const char* cue, const QRect& geometry) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  box->setGeometry(geometry);
  box->setPlaceholderText(cue);
  box->setEnabled(false);
  box->setStyleSheet(
      "QLineEdit { border: 1px solid #9db7d6; border-radius: 4px; padding: 0 8px;"
      " background: white; font-size: 15px; }"
      "QLineEdit:focus { border-color: #2f7bd8; }"
      "QLineEdit:disabled { background: #eef1f5; }");
  return box;
}

}  // namespace

MainWindow::MainWindow(AppContext& app, std::unique_ptr<Hotkeys> hotkeys, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_qtDialogs(this),
      m_hotkeys(hotkeys ? std::move(hotkeys) : createSystemHotkeys(this)),
      m_presenter(app, m_qtDialogs, *m_hotkeys) {
  setObjectName("主窗口");
  setWindowTitle(qs(m_presenter.caption()));
  setAutoFillBackground(true);
  setGeometry(50, 50, MainPresenter::kInitialWidth, MainPresenter::kInitialHeight);
  setMinimumSize(800, 500);
  SaleArea& sale = m_presenter.saleArea();
  const MainLayout& layout = m_presenter.layout();

  // Hidden helpers of the sale.
  auto* hotkeyLabel = label(this, "标签1", {}, QRect(296, 256, 80, 24));
  hotkeyLabel->hide();
  auto* points = label(this, "透明积分", {}, QRect(864, 640, 128, 24));
  points->hide();

  // 图片框底, the bottom bar: it carries the sale's entry boxes and labels, and drags the window.
  m_bottomBar = new QLabel(this);
  m_bottomBar->setObjectName("图片框底");
  place(m_bottomBar, layout.bottomBar);
  m_bottomBar->setAutoFillBackground(true);
  QWidget* bar = m_bottomBar;
  const QString caption = "QLabel { color: #33475b; font-size: 13px; }";
  const QString value = "QLabel { color: #1d3557; font-size: 14px; font-weight: bold; }";
  label(bar, "标签应收1", "应收：", QRect(735, 63, 58, 20), caption);
  label(bar, "标签应收", {}, QRect(800, 62, 195, 20), value);
  auto* payment = new QComboBox(bar);
  payment->setObjectName("组合框1");
  payment->setGeometry(578, 13, 112, 24);
  payment->addItems({"现金支付", "微信支付", "支付宝支付", "其他支付"});
  label(bar, "透明标签2", "付款方式：", QRect(517, 13, 66, 24), caption);
  label(bar, "标签总金额1", {}, QRect(709, 6, 78, 49),
        "QLabel { border-left: 3px solid #e07a1f; }");
  label(bar, "标签实收", {}, QRect(794, 13, 195, 35),
        "QLabel { color: #d1361b; font-size: 28px; font-weight: bold; }");
  label(bar, "标签订单号", {}, QRect(303, 15, 153, 24), value);
  // The last order's 收到 and 找零 after a checkout through the 收款 window.
  label(bar, "标签收款找零", {}, QRect(652, 44, 80, 34), "QLabel { font-size: 11px; }")
      ->setWordWrap(true);
  // The goods a checkout left at or below their warning level, in the free strip along the top.
  label(bar, "标签库存预警", {}, QRect(249, 0, 455, 14),
        "QLabel { color: #d1361b; font-size: 11px; }");
  label(bar, "标签积分", {}, QRect(582, 47, 68, 24), value);
  label(bar, "标签折扣率", {}, QRect(449, 47, 60, 24), value);
  label(bar, "透明标签5", "剩余积分：", QRect(517, 47, 69, 24), caption);
  label(bar, "透明标签4", "折扣率：", QRect(399, 47, 45, 24), caption);
  label(bar, "透明标签3", "订单号：", QRect(248, 15, 50, 24), caption);
  label(bar, "标签会员", {}, QRect(289, 47, 95, 24), value);
  label(bar, "透明标签1", "会员：", QRect(249, 47, 41, 24), caption);
  auto* memberBox = entryBox(bar, "编辑框会员", "请输入会员", QRect(6, 43, 232, 32));
  memberBox->setToolTip(MainPresenter::kMemberBoxTooltip);
  entryBox(bar, "编辑框条码", "请输入条码或商品", QRect(6, 8, 232, 32));

  m_strip = new ToolbarStrip(m_presenter, this);
  m_strip->setObjectName("动画框1");
  m_strip->setGeometry(0, 0, 1200, MainPresenter::kStripHeight);
  connect(m_strip, &ToolbarStrip::itemClicked, this, &MainWindow::render);

  // 颜色选择器1 sits hidden under the colour item; the chooser opens from there.
  m_colourPicker = new QWidget(this);
  m_colourPicker->setObjectName("颜色选择器1");
  m_colourPicker->setGeometry(848, 72, 16, 13);
  m_colourPicker->hide();
  m_colourPicker->move(1175, 70);

  m_cart = new GridView(sale.cart, this);
  m_cart->setObjectName("高级表格");
  place(m_cart, layout.cart);
  m_cart->setEnabled(false);
  m_cart->setToolTip(MainPresenter::kCartTooltip);
  m_cart->viewport()->installEventFilter(this);

  m_checkout = new CheckoutButton("收款（F4）", this);
  m_checkout->setObjectName("超级收款");
  place(m_checkout, layout.checkout);
  m_checkout->setEnabled(false);

  // The choice lists pop up over the cart, above the entry boxes.
  m_goodsChoices = new ListView(sale.goodsChoices, this);
  m_goodsChoices->setObjectName("超级列表框1");
  place(m_goodsChoices, layout.goodsChoices);
  m_goodsChoices->hide();
  m_memberChoices = new ListView(sale.memberChoices, this);
  m_memberChoices->setObjectName("超级列表框2");
  place(m_memberChoices, layout.memberChoices);
  m_memberChoices->hide();

  m_presenter.setFrame(this);
  applyShadow(this, Qt::black);
  new WindowDragger(this);
  new WindowDragger(m_bottomBar);

  // The sale binds to the controls above by objectName and shows its boxes through dialogs(),
  // so F1 and F4 are ignored while one of its questions is open.
  m_presenter.setSaleActions(new SaleView(this, app, dialogs(), sale));

  render();
}

MainWindow::~MainWindow() {
  aboutToBeDestroyed();
  m_presenter.setSaleActions(nullptr);
  // The controls show the presenter's models and the sale works on them: they go first, while
  // the presenter still exists.
  std::vector<QPointer<QObject>> children;
  for (QObject* child : this->children()) children.emplace_back(child);
  for (const QPointer<QObject>& child : children) delete child.data();
}

void MainWindow::aboutToBeDestroyed() {
  m_destroying = true;
  m_presenter.aboutToBeDestroyed();
}

void MainWindow::render() {
  const MainLayout& layout = m_presenter.layout();
  m_strip->setGeometry(0, 0, layout.stripWidth, MainPresenter::kStripHeight);
  place(m_cart, layout.cart);
  place(m_checkout, layout.checkout);
  place(m_bottomBar, layout.bottomBar);
  place(m_goodsChoices, layout.goodsChoices);
  place(m_memberChoices, layout.memberChoices);

  const ThemeColours& theme = m_presenter.theme();
  const QColor stripColour = themeColour(theme.base, kDesignedStrip);
  const QColor background = themeColour(theme.background, kDesignedBackground);
  QPalette p = palette();
  p.setColor(QPalette::Window, background);
  setPalette(p);
  QPalette barPalette = m_bottomBar->palette();
  barPalette.setColor(QPalette::Window, background);
  m_bottomBar->setPalette(barPalette);
  m_strip->setColour(stripColour);
  m_checkout->setShades(stripColour, themeColour(theme.second, kDesignedSecond));
  m_strip->update();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  m_presenter.resized(width(), height());
  render();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (m_destroying) {
    event->accept();
    return;
  }
  // The window system's close (Alt+F4) asks as 关 does; 是 destroys this window through the flow.
  event->ignore();
  m_presenter.closeRequested();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // The cart's cells have no tooltips of their own, so the cart's shows wherever the mouse is.
  // While the window is being destroyed its controls are half gone: nothing is looked at then.
  if (!m_destroying && watched == m_cart->viewport() && event->type() == QEvent::ToolTip) {
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), m_cart->toolTip(), m_cart);
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

bool MainWindow::isMaximised() const {
  return m_maximised || isMaximized();
}

void MainWindow::minimise() {
  showMinimized();
}

// A frameless window is maximised by filling the screen's work area itself, so that it works the
// same with any window manager, or none.
void MainWindow::maximise() {
  QScreen* current = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!current) return;
  m_normalSize = size();
  m_maximised = true;
  setGeometry(current->availableGeometry());
}

void MainWindow::showNormalCentred() {
  if (isMaximized()) showNormal();
  m_maximised = false;
  if (m_normalSize.isValid()) resize(m_normalSize);
  QScreen* current = screen() ? screen() : QGuiApplication::primaryScreen();
  if (current) move(current->availableGeometry().center() - rect().center());
}

std::optional<Rgb> MainWindow::chooseColour(Rgb initial) {
  QColorDialog chooser(themeColour(initial, kDesignedStrip), this);
  chooser.setWindowTitle("选择颜色");
  chooser.move(m_colourPicker->mapToGlobal(QPoint(0, m_colourPicker->height())));
  if (chooser.exec() != QDialog::Accepted) return std::nullopt;
  const QColor c = chooser.selectedColor();
  if (!c.isValid()) return std::nullopt;
  return rgb(c.red(), c.green(), c.blue());
}

CheckoutButton::CheckoutButton(const QString& text, QWidget* parent)
    : QPushButton(text, parent), m_main(kDesignedStrip), m_second(kDesignedSecond) {
  setCursor(Qt::PointingHandCursor);
}

void CheckoutButton::setShades(const QColor& main, const QColor& second) {
  m_main = main;
  m_second = second;
  update();
}

void CheckoutButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
  QLinearGradient fill(r.topLeft(), r.bottomLeft());
  if (isEnabled()) {
    fill.setColorAt(0, isDown() ? m_main : m_second);
    fill.setColorAt(1, m_main);
  } else {
    fill.setColorAt(0, QColor(190, 194, 200));
    fill.setColorAt(1, QColor(160, 164, 170));
  }
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawRoundedRect(r, 8, 8);
  if (hasFocus()) {
    p.setPen(QPen(QColor(255, 255, 255, 160), 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(4, 4, -4, -4), 6, 6);
  }
  QFont f = font();
  f.setPixelSize(26);
  f.setBold(true);
  p.setFont(f);
  p.setPen(isEnabled() ? Qt::white : QColor(236, 238, 241));
  p.drawText(rect(), Qt::AlignCenter, text());
}

}  // namespace cz
