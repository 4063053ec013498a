#pragma once

#include <memory>

#include <QWidget>

#include "core/ui/qt_dialogs.h"
#include "history/shift_report_presenter.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace cz {

class QtPrinter;
struct AppContext;

// "当班报表" (a look at the current shift) or "交班报表" (the shift close, with the counted cash,
// the difference and the next float).
class ShiftReportWindow : public QWidget {
  Q_OBJECT
 public:
  ShiftReportWindow(AppContext& app, bool closing, QWidget* parent);
  ~ShiftReportWindow() override;

  ShiftReportPresenter& presenter() { return *m_presenter; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void render();

  QtDialogs m_dialogs;
  std::unique_ptr<QtPrinter> m_printer;
  std::unique_ptr<ShiftReportPresenter> m_presenter;
  QListWidget* m_lines;
  QLineEdit* m_counted = nullptr;
  QLineEdit* m_float = nullptr;
  QLabel* m_difference = nullptr;
};

}  // namespace cz
