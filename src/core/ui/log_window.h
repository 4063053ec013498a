#pragma once

#include <QWidget>

#include "core/log_presenter.h"
#include "core/ui/qt_dialogs.h"

namespace cz {

class ListModel;
class ListView;

// "运行日志": the entries of this process, one text colour per type. Closing only hides it.
class LogWindow : public QWidget {
  Q_OBJECT
 public:
  explicit LogWindow(ListModel& list, QWidget* parent = nullptr);

  LogPresenter& presenter() { return m_presenter; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QtDialogs m_dialogs;
  LogPresenter m_presenter;
  ListView* m_list;
};

}  // namespace cz
