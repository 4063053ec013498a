#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "reports/report_runner.h"
#include "reports/report_tables.h"

namespace cz {

class Dialogs;
struct AppContext;

// What the 销售统计 window shows besides the table and the chart.
struct SalesReportState {
  ReportPeriod period = ReportPeriod::Today;
  ReportDay first;  // the range the date pickers show
  ReportDay last;
  ReportPage page = ReportPage::Days;
  bool busy = false;     // a read runs: the progress bar and 取消 show, 查询 and 导出 wait
  int progress = 0;      // percent
  std::string status;    // one line under the table
  bool hasReport = false;
  int resultNumber = 0;  // counts the results that arrived, so a window sees a new one
};

// The 销售统计 window: sums of the sales of a range of days by day, goods, cashier and hour,
// read on a worker thread, each page a table with a totals row and a chart, exported to CSV or
// XLSX. The gross margin shows only for accounts with 查看底价.
class SalesReportPresenter {
 public:
  SalesReportPresenter(AppContext& app, Dialogs& dialogs);
  ~SalesReportPresenter();
  SalesReportPresenter(const SalesReportPresenter&) = delete;
  SalesReportPresenter& operator=(const SalesReportPresenter&) = delete;

  // The items of the period box, in the order of ReportPeriod.
  static const std::vector<std::string>& periodItems();

  // Called on the UI thread whenever progress or a result arrived, so the window shows it.
  void onChanged(std::function<void()> changed) { m_changed = std::move(changed); }

  const SalesReportState& state() const { return m_state; }
  const SalesReport& report() const { return m_report; }
  bool showsMargin() const { return m_margin; }
  // The shown page's table and chart (empty before the first result).
  ReportTable table() const;
  ReportChart chart() const;

  // The window opened: today's sales are read.
  void created();
  // A period chosen in the box: its days go into the pickers and are read; 自定 keeps them.
  void periodChosen(int index);
  // A date picked: the period becomes 自定 (read on 查询).
  void datesChanged(const ReportDay& first, const ReportDay& last);
  // 查询: reads the pickers' range. A range whose end comes before its start is refused.
  void queryClicked();
  // 取消: drops the running read; the table keeps what it showed before.
  void cancelClicked();
  void pageChosen(int page);
  // 导出: asks for a file name (.csv or .xlsx) and writes the page shown.
  void exportClicked();
  // The file name the save dialog offers.
  std::string suggestedFileName() const;

  // Waits for the running read's worker (tests; its result then waits on the UI queue).
  void waitForWorker() { m_runner.wait(); }

 private:
  void start();
  void changed() {
    if (m_changed) m_changed();
  }

  AppContext& m_app;
  Dialogs& m_dialogs;
  ReportRunner m_runner;
  SalesReportState m_state;
  SalesReport m_report;
  bool m_margin = false;
  std::function<void()> m_changed;
};

}  // namespace cz
