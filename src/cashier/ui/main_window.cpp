#include "cashier/ui/main_window.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "util/ui/qt_text.h"
#include "util/ui/window_drag.h"

namespace cz {

namespace {

const QColor kStripColour(38, 92, 166);
const QColor kBackgroundColour(232, 238, 246);

bool isWindowItem(ToolbarItemId id) {
  return id == ToolbarItemId::Close || id == ToolbarItemId::Maximise ||
         id == ToolbarItemId::Minimise;
}

}  // namespace

MainWindow::MainWindow(AppContext& app, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_dialogs(this),
      m_presenter(app, m_dialogs) {
  setObjectName("主窗口");
  setWindowTitle(qs(m_presenter.caption()));
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, kBackgroundColour);
  setPalette(p);
  setGeometry(50, 50, MainPresenter::kInitialWidth, MainPresenter::kInitialHeight);
  setMinimumSize(800, 500);

  m_strip = new ToolbarStrip(m_presenter, this);
  m_strip->setObjectName("动画框1");
  m_strip->setGeometry(0, 0, 1200, MainPresenter::kStripHeight);

  new WindowDragger(this);
}

MainWindow::~MainWindow() {
  aboutToBeDestroyed();
}

void MainWindow::aboutToBeDestroyed() {
  m_destroying = true;
  m_presenter.aboutToBeDestroyed();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  m_presenter.resized(width(), height());
  m_strip->setGeometry(0, 0, m_presenter.stripWidth(), MainPresenter::kStripHeight);
  m_strip->update();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (m_destroying) {
    event->accept();
    return;
  }
  // The window system's close asks as 关 does; 是 destroys this window through the flow.
  event->ignore();
  m_presenter.closeRequested();
}

ToolbarStrip::ToolbarStrip(MainPresenter& presenter, QWidget* parent)
    : QWidget(parent), m_presenter(presenter) {
  setMouseTracking(true);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, kStripColour);
  setPalette(p);
}

QRect ToolbarStrip::itemRect(const ToolbarItem& item) {
  if (isWindowItem(item.id)) return QRect(item.x, item.y, 28, 28);
  return QRect(item.x, item.y, 80, 90);
}

const ToolbarItem* ToolbarStrip::itemAt(const QPoint& point) const {
  for (const ToolbarItem& item : m_presenter.toolbarItems()) {
    if (itemRect(item).contains(point)) return &item;
  }
  return nullptr;
}

void ToolbarStrip::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const auto& items = m_presenter.toolbarItems();
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    const ToolbarItem& item = items[static_cast<size_t>(i)];
    const QRect r = itemRect(item);
    const bool hovered = i == m_hovered;
    if (isWindowItem(item.id)) {
      if (hovered)
        p.fillRect(
            r, item.id == ToolbarItemId::Close ? QColor(220, 60, 60) : QColor(255, 255, 255, 60));
      p.setPen(QPen(Qt::white, 2));
      const QRect m = r.adjusted(9, 9, -9, -9);
      p.drawLine(m.topLeft(), m.bottomRight());
      p.drawLine(m.topRight(), m.bottomLeft());
      continue;
    }
    if (hovered) {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(255, 255, 255, 40));
      p.drawRoundedRect(r, 6, 6);
    }
    // The item's picture: a rounded tile with the first character of its caption.
    const QRect tile(r.center().x() - 24, r.y() + 6, 48, 48);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, hovered ? 255 : 225));
    p.drawRoundedRect(tile, 10, 10);
    QFont glyph = font();
    glyph.setPixelSize(24);
    glyph.setBold(true);
    p.setFont(glyph);
    p.setPen(kStripColour);
    p.drawText(tile, Qt::AlignCenter, qs(item.caption).left(1));
    QFont caption = font();
    caption.setPixelSize(14);
    p.setFont(caption);
    p.setPen(Qt::white);
    p.drawText(QRect(r.x(), tile.bottom() + 6, r.width(), 22), Qt::AlignCenter, qs(item.caption));
  }
}

void ToolbarStrip::mouseMoveEvent(QMouseEvent* event) {
  const ToolbarItem* item = itemAt(event->position().toPoint());
  const int hovered = item ? static_cast<int>(item - m_presenter.toolbarItems().data()) : -1;
  if (hovered != m_hovered) {
    m_hovered = hovered;
    setCursor(item ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
  }
  QWidget::mouseMoveEvent(event);
}

void ToolbarStrip::leaveEvent(QEvent* event) {
  m_hovered = -1;
  update();
  QWidget::leaveEvent(event);
}

void ToolbarStrip::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (const ToolbarItem* item = itemAt(event->position().toPoint())) {
    m_presenter.itemClicked(item->id);  // may destroy the window: nothing after this
    return;
  }
  QWidget::mouseReleaseEvent(event);
}

}  // namespace cz
