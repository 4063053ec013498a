#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

#include "cashier/ui/main_window.h"
#include "core/branding.h"
#include "util/ui/qt_text.h"

namespace cz {

namespace {

constexpr int kItemSize = 80;
constexpr int kWindowItemSize = 28;
constexpr int kLogoWidth = 195;

// Draws the picture of an item into the square `box`, in white strokes.
void drawPicture(QPainter& p, ToolbarItemId id, const QRectF& box) {
  const qreal s = box.width();
  auto at = [&](qreal x, qreal y) { return QPointF(box.x() + x * s, box.y() + y * s); };
  auto rectAt = [&](qreal x, qreal y, qreal w, qreal h) {
    return QRectF(box.x() + x * s, box.y() + y * s, w * s, h * s);
  };
  QPen pen(Qt::white, s * 0.07, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  auto person = [&](qreal cx, qreal scale) {
    p.drawEllipse(at(cx, 0.32), 0.14 * s * scale, 0.14 * s * scale);
    p.drawArc(rectAt(cx - 0.26 * scale, 0.52, 0.52 * scale, 0.5 * scale), 0, 180 * 16);
  };
  switch (id) {
    case ToolbarItemId::ShiftChange: {
      // Two arrows turning into each other.
      p.drawArc(rectAt(0.15, 0.15, 0.7, 0.7), 30 * 16, 150 * 16);
      p.drawArc(rectAt(0.15, 0.15, 0.7, 0.7), 210 * 16, 150 * 16);
      p.drawPolyline(QPolygonF({at(0.78, 0.18), at(0.80, 0.34), at(0.64, 0.33)}));
      p.drawPolyline(QPolygonF({at(0.22, 0.82), at(0.20, 0.66), at(0.36, 0.67)}));
      break;
    }
    case ToolbarItemId::AddMember:
      person(0.4, 1);
      p.drawLine(at(0.78, 0.2), at(0.78, 0.5));
      p.drawLine(at(0.63, 0.35), at(0.93, 0.35));
      break;
    case ToolbarItemId::MemberList:
      person(0.35, 0.9);
      person(0.68, 0.9);
      break;
    case ToolbarItemId::Suppliers:
      p.drawRect(rectAt(0.08, 0.3, 0.5, 0.4));
      p.drawPolyline(
          QPolygonF({at(0.58, 0.4), at(0.78, 0.4), at(0.92, 0.55), at(0.92, 0.7), at(0.58, 0.7)}));
      p.drawEllipse(at(0.25, 0.78), 0.08 * s, 0.08 * s);
      p.drawEllipse(at(0.75, 0.78), 0.08 * s, 0.08 * s);
      break;
    case ToolbarItemId::Settings: {
      const QPointF c = at(0.5, 0.5);
      for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(c);
        p.rotate(45 * i);
        p.drawLine(QPointF(0, -0.28 * s), QPointF(0, -0.4 * s));
        p.restore();
      }
      p.drawEllipse(c, 0.26 * s, 0.26 * s);
      p.drawEllipse(c, 0.1 * s, 0.1 * s);
      break;
    }
    case ToolbarItemId::Purchase:
      p.drawRect(rectAt(0.15, 0.45, 0.7, 0.45));
      p.drawLine(at(0.5, 0.05), at(0.5, 0.6));
      p.drawPolyline(QPolygonF({at(0.35, 0.45), at(0.5, 0.6), at(0.65, 0.45)}));
      break;
    case ToolbarItemId::PurchaseReport:
      p.drawPolyline(QPolygonF({at(0.1, 0.1), at(0.1, 0.9), at(0.92, 0.9)}));
      p.drawRect(rectAt(0.25, 0.55, 0.13, 0.25));
      p.drawRect(rectAt(0.47, 0.35, 0.13, 0.45));
      p.drawRect(rectAt(0.69, 0.2, 0.13, 0.6));
      break;
    case ToolbarItemId::Sales: {
      QPainterPath receipt;
      receipt.moveTo(at(0.2, 0.08));
      receipt.lineTo(at(0.8, 0.08));
      receipt.lineTo(at(0.8, 0.92));
      receipt.lineTo(at(0.7, 0.85));
      receipt.lineTo(at(0.6, 0.92));
      receipt.lineTo(at(0.5, 0.85));
      receipt.lineTo(at(0.4, 0.92));
      receipt.lineTo(at(0.3, 0.85));
      receipt.lineTo(at(0.2, 0.92));
      receipt.closeSubpath();
      p.drawPath(receipt);
      for (qreal y : {0.3, 0.48, 0.66}) p.drawLine(at(0.32, y), at(0.68, y));
      break;
    }
    case ToolbarItemId::Stock:
      p.drawRect(rectAt(0.1, 0.5, 0.38, 0.38));
      p.drawRect(rectAt(0.52, 0.5, 0.38, 0.38));
      p.drawRect(rectAt(0.31, 0.1, 0.38, 0.38));
      break;
    case ToolbarItemId::Log:
      p.drawRect(rectAt(0.18, 0.08, 0.64, 0.84));
      for (qreal y : {0.28, 0.44, 0.6, 0.76}) p.drawLine(at(0.3, y), at(0.7, y));
      break;
    case ToolbarItemId::NewOrder:
      // A cart with a plus: a new sale.
      p.drawPolyline(QPolygonF({at(0.05, 0.15), at(0.2, 0.15), at(0.3, 0.65), at(0.82, 0.65),
                                at(0.92, 0.3), at(0.25, 0.3)}));
      p.drawEllipse(at(0.35, 0.8), 0.07 * s, 0.07 * s);
      p.drawEllipse(at(0.75, 0.8), 0.07 * s, 0.07 * s);
      p.drawLine(at(0.58, 0.36), at(0.58, 0.58));
      p.drawLine(at(0.47, 0.47), at(0.69, 0.47));
      break;
    case ToolbarItemId::Colour: {
      p.drawEllipse(rectAt(0.08, 0.08, 0.84, 0.84));
      const QColor dots[] = {QColor(235, 80, 70), QColor(250, 200, 60), QColor(80, 190, 110),
                             QColor(90, 150, 240)};
      const QPointF places[] = {at(0.32, 0.35), at(0.55, 0.25), at(0.72, 0.45), at(0.6, 0.68)};
      p.setPen(Qt::NoPen);
      for (int i = 0; i < 4; ++i) {
        p.setBrush(dots[i]);
        p.drawEllipse(places[i], 0.08 * s, 0.08 * s);
      }
      break;
    }
    case ToolbarItemId::Minimise:
      p.drawLine(at(0.25, 0.6), at(0.75, 0.6));
      break;
    case ToolbarItemId::Maximise:
      p.drawRect(rectAt(0.27, 0.27, 0.46, 0.46));
      break;
    case ToolbarItemId::Close:
      p.drawLine(at(0.28, 0.28), at(0.72, 0.72));
      p.drawLine(at(0.72, 0.28), at(0.28, 0.72));
      break;
    case ToolbarItemId::Logo:
    case ToolbarItemId::HoverIndicator:
      break;
  }
}

// The logo: a boat under the morning sun, and the product's name.
void drawLogo(QPainter& p, const QRect& r, const QFont& base) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 214, 102));
  p.drawEllipse(QPointF(r.x() + 30, r.y() + 22), 11, 11);
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygonF({QPointF(r.x() + 8, r.y() + 52), QPointF(r.x() + 56, r.y() + 52),
                           QPointF(r.x() + 47, r.y() + 62), QPointF(r.x() + 17, r.y() + 62)}));
  p.drawPolygon(QPolygonF({QPointF(r.x() + 32, r.y() + 18), QPointF(r.x() + 32, r.y() + 49),
                           QPointF(r.x() + 52, r.y() + 49)}));
  QFont f = base;
  f.setPixelSize(20);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(r.x() + 62, r.y(), r.width() - 62, r.height()), Qt::AlignVCenter, kProductName);
}

}  // namespace

ToolbarStrip::ToolbarStrip(MainPresenter& presenter, QWidget* parent)
    : QWidget(parent), m_presenter(presenter) {
  setMouseTracking(true);
  setAutoFillBackground(true);
  setColour(QColor(38, 92, 166));
}

void ToolbarStrip::setColour(const QColor& colour) {
  m_colour = colour;
  QPalette p = palette();
  p.setColor(QPalette::Window, colour);
  setPalette(p);
  update();
}

QRect ToolbarStrip::itemRect(const ToolbarItem& item) {
  if (isWindowItem(item.id)) return QRect(item.x, item.y, kWindowItemSize, kWindowItemSize);
  if (item.id == ToolbarItemId::Logo) return QRect(item.x, item.y, kLogoWidth, kItemSize);
  return QRect(item.x, item.y, kItemSize, kItemSize);
}

const ToolbarItem* ToolbarStrip::itemAt(const QPoint& point) const {
  // Later items lie on top of earlier ones.
  const auto& items = m_presenter.toolbarItems();
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    if (it->id == ToolbarItemId::HoverIndicator) continue;
    if (itemRect(*it).contains(point)) return &*it;
  }
  return nullptr;
}

void ToolbarStrip::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  for (const ToolbarItem& item : m_presenter.toolbarItems()) {
    const QRect r = itemRect(item);
    switch (item.id) {
      case ToolbarItemId::Logo:
        drawLogo(p, r, font());
        continue;
      case ToolbarItemId::HoverIndicator:
        // A light tile behind the item the mouse is on (drawn first, under the item).
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 48));
        if (item.y == 15) {
          p.drawRoundedRect(QRect(item.x + 25, 0, kWindowItemSize, kWindowItemSize), 4, 4);
        } else if (item.y == 95) {
          p.drawRoundedRect(QRect(item.x, 15, kItemSize, kItemSize), 8, 8);
          p.setBrush(Qt::white);
          p.drawRoundedRect(QRect(item.x + 18, item.y - 4, kItemSize - 36, 3), 1.5, 1.5);
        }
        continue;
      default:
        break;
    }
    if (isWindowItem(item.id)) {
      drawPicture(p, item.id, QRectF(r));
      continue;
    }
    const bool captioned = !item.caption.empty();
    const int picture = captioned ? 40 : 52;
    drawPicture(
        p, item.id,
        QRectF(r.center().x() - picture / 2.0, r.y() + (captioned ? 8 : 14), picture, picture));
    if (captioned) {
      QFont f = font();
      f.setPixelSize(14);
      p.setFont(f);
      p.setPen(Qt::white);
      p.drawText(QRect(r.x(), r.y() + 52, r.width(), 22), Qt::AlignCenter, qs(item.caption));
    }
  }
}

void ToolbarStrip::mousePressEvent(QMouseEvent* event) {
  // A press on an item is the start of its click; a press between items drags the window.
  if (itemAt(event->position().toPoint())) {
    event->accept();
    return;
  }
  event->ignore();
}

void ToolbarStrip::mouseMoveEvent(QMouseEvent* event) {
  if (const ToolbarItem* item = itemAt(event->position().toPoint())) {
    m_presenter.mouseOverItem(item->id);
    setCursor(item->id == ToolbarItemId::Logo ? Qt::ArrowCursor : Qt::PointingHandCursor);
  } else {
    setCursor(Qt::ArrowCursor);
  }
  update();
  QWidget::mouseMoveEvent(event);
}

void ToolbarStrip::leaveEvent(QEvent* event) {
  m_presenter.mouseLeftStrip();
  update();
  QWidget::leaveEvent(event);
}

void ToolbarStrip::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (const ToolbarItem* item = itemAt(event->position().toPoint())) {
    const QPointer<ToolbarStrip> alive(this);
    m_presenter.itemClicked(item->id);
    if (alive) emit itemClicked();
    return;
  }
  QWidget::mouseReleaseEvent(event);
}

}  // namespace cz
