#pragma once

#include <QWidget>

#include "core/ui/qt_dialogs.h"
#include "reports/sales_report_presenter.h"

class QChartView;
class QComboBox;
class QDateEdit;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabBar;
class QTableView;

namespace cz {

class ReportTableModel;

// "销售统计": the period and dates on top, the four pages as tabs, each a table with a totals
// row and a chart beside it, a progress bar with 取消 while the worker thread reads.
class SalesReportWindow : public QWidget {
  Q_OBJECT
 public:
  SalesReportWindow(AppContext& app, QWidget* parent);
  ~SalesReportWindow() override;

  SalesReportPresenter& presenter() { return m_presenter; }
  // Reads the pickers' dates again and shows the presenter's state (tests call it after
  // driving the presenter).
  void render();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Shows the table and chart of the page shown.
  void showPage();
  void readDates();

  QtDialogs m_dialogs;
  SalesReportPresenter m_presenter;
  QComboBox* m_period;
  QDateEdit* m_first;
  QDateEdit* m_last;
  QPushButton* m_query;
  QPushButton* m_export;
  QPushButton* m_cancel;
  QProgressBar* m_progress;
  QTabBar* m_tabs;
  QTableView* m_table;
  ReportTableModel* m_model;
  QChartView* m_chart;
  QLabel* m_status;
  // What the table and chart show: the page and whether a result had arrived.
  int m_shownPage = -1;
  int m_shownResult = -1;
};

}  // namespace cz
