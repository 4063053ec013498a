#include "util/ui/shadow_window.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QRegion>

#include "util/shadow.h"
#include "util/ui/x11.h"

namespace cz {

namespace {

// Where translucent windows show as such. Without a compositing manager an X11 window's alpha is
// ignored, and the rings would be drawn as a solid frame; there, and where a window cannot
// place itself (Wayland), the shadow stays hidden.
bool platformShowsShadows() {
  const QString platform = QGuiApplication::platformName();
  if (platform == "offscreen" || platform == "minimal") return true;
  if (platform == "xcb") return x11CompositingManagerRunning();
  return platform == "windows" || platform == "cocoa";
}

}  // namespace

ShadowWindow::ShadowWindow(QWidget* target, const QColor& colour)
    : QWidget(target, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                          Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint),
      m_target(target),
      m_colour(colour) {
  setObjectName("WndShadow");
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  target->installEventFilter(this);
  follow();
  if (target->isVisible()) showWithTarget();
}

void ShadowWindow::setColour(const QColor& colour) {
  m_colour = colour;
  follow();
}

void ShadowWindow::follow() {
  const QRect frame = m_target->frameGeometry();
  const auto shadow = shadowGeometry({frame.x(), frame.y(), frame.width(), frame.height()});
  if (!shadow) return;
  setGeometry(shadow->frame.left, shadow->frame.top, shadow->frame.width, shadow->frame.height);
  // Only the ring area belongs to the shadow, so even an opaque rendering never covers the
  // window itself. (The offscreen platform has no screen to cover, and no masks.)
  const QRect outer(0, 0, shadow->frame.width, shadow->frame.height);
  if (QGuiApplication::platformName() != "offscreen")
    setMask(QRegion(outer).subtracted(
        QRegion(outer.adjusted(kShadowMargin, kShadowMargin, -kShadowMargin, -kShadowMargin))));
  update();
}

QImage ShadowWindow::picture() const {
  QImage image(size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  const auto shadow =
      shadowGeometry({0, 0, width() - 2 * kShadowMargin, height() - 2 * kShadowMargin});
  if (!shadow) return image;
  QPainter p(&image);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  for (const ShadowRing& ring : shadow->rings) {
    QColor c = m_colour;
    c.setAlpha(ring.alpha);
    const PixelRect& r = ring.outline;
    // The outline covers columns left..left+width and rows top..top+height; each pixel once.
    p.fillRect(r.left, r.top, r.width + 1, 1, c);
    p.fillRect(r.left, r.top + r.height, r.width + 1, 1, c);
    p.fillRect(r.left, r.top + 1, 1, r.height - 1, c);
    p.fillRect(r.left + r.width, r.top + 1, 1, r.height - 1, c);
  }
  return image;
}

void ShadowWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(0, 0, picture());
}

void ShadowWindow::showWithTarget() {
  if (!platformShowsShadows()) return;
  follow();
  show();
}

bool ShadowWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched != m_target) return false;
  switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
      follow();
      break;
    case QEvent::Show:
      showWithTarget();
      break;
    case QEvent::Hide:
      hide();
      break;
    case QEvent::WindowStateChange:
      if (m_target->isMinimized()) {
        hide();
      } else if (m_target->isVisible()) {
        showWithTarget();
      }
      break;
    default:
      break;
  }
  return false;
}

ShadowWindow* shadowOf(QWidget* window) {
  return window ? window->findChild<ShadowWindow*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

ShadowWindow* applyShadow(QWidget* window, const QColor& colour) {
  if (!window) return nullptr;
  if (ShadowWindow* existing = shadowOf(window)) {
    existing->setColour(colour);
    return existing;
  }
  return new ShadowWindow(window, colour);
}

void makeTranslucent(QWidget* window, int alpha) {
  if (window) window->setWindowOpacity(alpha / 255.0);
}

}  // namespace cz
