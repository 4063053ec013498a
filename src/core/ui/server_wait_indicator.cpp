#include "core/ui/server_wait_indicator.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QWidget>

namespace cz {

namespace {

// The main window's bottom bar, when the main window is open.
QWidget* bottomBar() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (!window->isVisible()) continue;
    if (auto* bar = window->findChild<QWidget*>("图片框底")) return bar;
  }
  return nullptr;
}

}  // namespace

ServerWaitIndicator::ServerWaitIndicator(QObject* parent) : QObject(parent) {}

ServerWaitIndicator::~ServerWaitIndicator() {
  if (m_waiting) QApplication::restoreOverrideCursor();
  delete m_line;
}

void ServerWaitIndicator::waiting(bool on) {
  if (on == m_waiting) return;
  m_waiting = on;
  ++m_wait;
  if (on) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!m_filtering) qApp->installEventFilter(this);
    m_filtering = true;
    if (QWidget* bar = bottomBar()) {
      m_line = new QLabel("正在等待数据库服务器回应，请稍候…", bar);
      m_line->setObjectName("等待服务器");
      m_line->setAlignment(Qt::AlignCenter);
      m_line->setAutoFillBackground(true);
      m_line->setGeometry(bar->rect());
      m_line->show();
      m_line->raise();
      // Painted now: the event loop runs again only when the call ends.
      m_line->repaint();
    }
    return;
  }
  QApplication::restoreOverrideCursor();
  delete m_line;
  // Keys and clicks queued during the wait reach the window once control returns to the event
  // loop: they are still dropped then, until the loop has caught up.
  const unsigned wait = m_wait;
  QTimer::singleShot(100, this, [this, wait] {
    if (wait != m_wait || m_waiting || !m_filtering) return;
    qApp->removeEventFilter(this);
    m_filtering = false;
  });
}

bool ServerWaitIndicator::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
      return true;
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace cz
