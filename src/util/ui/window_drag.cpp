#include "util/ui/window_drag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace cz {

WindowDragger::WindowDragger(QWidget* surface) : QObject(surface), m_surface(surface) {
  surface->installEventFilter(this);
}

bool WindowDragger::eventFilter(QObject* watched, QEvent* event) {
  if (watched != m_surface) return false;
  QWidget* window = m_surface->window();
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) return false;
      if (window->windowHandle() && window->windowHandle()->startSystemMove()) return true;
      m_following = true;
      m_grabOffset = mouse->globalPosition().toPoint() - window->frameGeometry().topLeft();
      return true;
    }
    case QEvent::MouseMove: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (!m_following || !(mouse->buttons() & Qt::LeftButton)) return false;
      window->move(mouse->globalPosition().toPoint() - m_grabOffset);
      return true;
    }
    case QEvent::MouseButtonRelease:
      m_following = false;
      return false;
    default:
      return false;
  }
}

}  // namespace cz
