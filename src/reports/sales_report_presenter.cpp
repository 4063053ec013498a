#include "reports/sales_report_presenter.h"

#include "core/app_context.h"
#include "core/dialogs.h"
#include "core/session.h"
#include "reports/report_export.h"
#include "util/numbers.h"

namespace cz {

namespace {

ReportDay todayOf(const Clock& clock) {
  const LocalDateTime now = clock.now();
  return {now.year, now.month, now.day};
}

}  // namespace

SalesReportPresenter::SalesReportPresenter(AppContext& app, Dialogs& dialogs)
    : m_app(app),
      m_dialogs(dialogs),
      m_runner(app.ui),
      m_margin(app.session.permissions.allows(Permission::ViewCostPrice)) {
  m_state.first = m_state.last = todayOf(app.clock);
}

SalesReportPresenter::~SalesReportPresenter() = default;

const std::vector<std::string>& SalesReportPresenter::periodItems() {
  static const std::vector<std::string> items = {"今天", "本周", "本月", "上月", "自定"};
  return items;
}

ReportTable SalesReportPresenter::table() const {
  if (!m_state.hasReport) return {};
  return reportTable(m_report, m_state.page, m_margin);
}

ReportChart SalesReportPresenter::chart() const {
  if (!m_state.hasReport) return {};
  return reportChart(m_report, m_state.page);
}

void SalesReportPresenter::created() {
  periodChosen(static_cast<int>(ReportPeriod::Today));
}

void SalesReportPresenter::periodChosen(int index) {
  if (index < 0 || index >= static_cast<int>(periodItems().size())) return;
  m_state.period = static_cast<ReportPeriod>(index);
  if (m_state.period == ReportPeriod::Custom) return;
  const auto [first, last] = periodDays(m_state.period, todayOf(m_app.clock));
  m_state.first = first;
  m_state.last = last;
  start();
}

void SalesReportPresenter::datesChanged(const ReportDay& first, const ReportDay& last) {
  if (first == m_state.first && last == m_state.last) return;
  m_state.first = first;
  m_state.last = last;
  m_state.period = ReportPeriod::Custom;
}

void SalesReportPresenter::queryClicked() {
  if (dayNumber(m_state.last) < dayNumber(m_state.first)) {
    m_dialogs.message("结束日期不能早于开始日期", kDefaultTitle, MessageIcon::Information);
    return;
  }
  start();
}

void SalesReportPresenter::start() {
  m_state.busy = true;
  m_state.progress = 0;
  m_state.status = "正在统计 " + dayText(m_state.first) + " 至 " + dayText(m_state.last) + "…";
  m_runner.start(
      m_app.db, m_state.first, m_state.last,
      [this](double done) {
        m_state.progress = static_cast<int>(done * 100);
        changed();
      },
      [this](ReportResult result, SalesReport&& report, std::string error) {
        m_state.busy = false;
        m_state.progress = 100;
        if (result == ReportResult::Done) {
          m_report = std::move(report);
          m_state.hasReport = true;
          ++m_state.resultNumber;
          m_state.status = dayText(m_report.first) + " 至 " + dayText(m_report.last) + "：共 " +
                           integerText(m_report.total.orders) + " 单";
        } else {
          m_state.status = "统计失败：" + error;
        }
        changed();
      });
}

void SalesReportPresenter::cancelClicked() {
  if (!m_state.busy) return;
  m_runner.cancel();
  m_state.busy = false;
  m_state.status = "已取消统计";
}

void SalesReportPresenter::pageChosen(int page) {
  if (page < 0 || page >= kReportPageCount) return;
  m_state.page = static_cast<ReportPage>(page);
}

std::string SalesReportPresenter::suggestedFileName() const {
  return "销售统计_" + pageTitle(m_state.page) + "_" + dayText(m_report.first) + "_" +
         dayText(m_report.last) + ".xlsx";
}

void SalesReportPresenter::exportClicked() {
  if (!m_state.hasReport || m_state.busy) {
    m_dialogs.message("请等统计完成后再导出", kDefaultTitle, MessageIcon::Information);
    return;
  }
  const auto path = m_dialogs.saveFileName("导出" + pageTitle(m_state.page), suggestedFileName(),
                                           {"Excel 工作簿 (*.xlsx)", "CSV 文件 (*.csv)"});
  if (!path) return;
  std::string error;
  if (!writeReportFile(*path, {table()}, error)) {
    m_dialogs.message(error, "导出失败", MessageIcon::Warning);
    return;
  }
  m_state.status = "已导出到：" + *path;
}

}  // namespace cz
