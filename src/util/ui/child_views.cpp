#include "util/ui/child_views.h"

#include <QWidget>

namespace cz {

void deleteViewsFirst(QWidget* window) {
  const auto children = window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  for (QWidget* child : children) {
    child->removeEventFilter(window);
    child->disconnect(window);
  }
  qDeleteAll(children);
}

}  // namespace cz
