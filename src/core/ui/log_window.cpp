#include "core/ui/log_window.h"

#include <QCloseEvent>
#include <QTimer>

#include "util/ui/list_view.h"

namespace cz {

LogWindow::LogWindow(ListModel& list, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialogs(this), m_presenter(list, m_dialogs) {
  setObjectName("运行日志");
  setWindowTitle("运行日志");
  resize(899, 631);
  move(50, 50);
  // Every row has a white background whatever the desktop's colours are.
  setStyleSheet("QTreeView { background: white; }");

  m_list = new ListView(list, this);
  m_list->setObjectName("超级列表框1");
  m_list->setGeometry(1, 1, 891, 599);
  connect(m_list, &ListView::itemDoubleClicked, this, [this] { m_presenter.doubleClicked(); });
}

void LogWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // After the view has laid itself out, so that the scroll reaches the real last row.
  QTimer::singleShot(0, this, [this] { m_presenter.shown(); });
}

void LogWindow::closeEvent(QCloseEvent* event) {
  if (m_presenter.closeRequested()) {
    event->accept();
    return;
  }
  event->ignore();
  hide();
}

}  // namespace cz
