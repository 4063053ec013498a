#include "cashier/ui/scan_catcher.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QWidget>

#include "util/ui/qt_text.h"

namespace cz {

namespace {

// Characters a scanner sends for a code: printable, no blank, no Ctrl / Alt / Meta chord.
bool isCodeCharacter(const QKeyEvent& key) {
  if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  const QString text = key.text();
  if (text.isEmpty()) return false;
  for (const QChar c : text) {
    if (!c.isPrint() || c.isSpace()) return false;
  }
  return true;
}

}  // namespace

ScanCatcher::ScanCatcher(QWidget* window) : QObject(window), m_window(window) {}

ScanCatcher::Scope::Scope(ScanCatcher& catcher) : m_catcher(catcher) {
  if (m_catcher.m_depth++ == 0) qApp->installEventFilter(&m_catcher);
}

ScanCatcher::Scope::~Scope() {
  if (--m_catcher.m_depth > 0) return;
  qApp->removeEventFilter(&m_catcher);
  // Characters without their Enter yet: the box was closed in the middle of a code.
  if (!m_catcher.m_typed.empty()) {
    m_catcher.m_scans.push_back({std::move(m_catcher.m_typed), false});
    m_catcher.m_typed.clear();
  }
  if (!m_catcher.m_scans.empty() && m_catcher.m_onCaught) m_catcher.m_onCaught();
}

std::deque<CaughtScan> ScanCatcher::take() {
  std::deque<CaughtScan> scans;
  scans.swap(m_scans);
  return scans;
}

bool ScanCatcher::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  QWidget* window = static_cast<QWidget*>(watched)->window();
  if (window == m_window || !qobject_cast<QMessageBox*>(window)) return false;
  const auto* key = static_cast<const QKeyEvent*>(event);
  if (isCodeCharacter(*key)) {
    m_typed += ss(key->text());
    return true;
  }
  const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
  if (enter && !m_typed.empty()) {
    // The Enter of a scan ends the code; the box waits for an answer of its own.
    m_scans.push_back({std::move(m_typed), true});
    m_typed.clear();
    return true;
  }
  return false;
}

}  // namespace cz
