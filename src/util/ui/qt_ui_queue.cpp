#include "util/ui/qt_ui_queue.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace cz {

void QtUiQueue::post(std::function<void()> task) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  QMetaObject::invokeMethod(app, std::move(task), Qt::QueuedConnection);
}

}  // namespace cz
