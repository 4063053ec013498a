#include "reports/ui/sales_report_window.h"

#include <QAbstractTableModel>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QPieSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QValueAxis>

#include <algorithm>

#include "core/app_context.h"
#include "util/ui/qt_text.h"

namespace cz {

// A page's table for the view: no item objects, so a year's goods stay cheap. The totals row
// is bold; number columns are right-aligned.
class ReportTableModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;

  void setTable(ReportTable table) {
    beginResetModel();
    m_table = std::move(table);
    endResetModel();
  }
  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(m_table.rows.size());
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(m_table.headers.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    const auto& row = m_table.rows[static_cast<std::size_t>(index.row())];
    const auto column = static_cast<std::size_t>(index.column());
    switch (role) {
      case Qt::DisplayRole:
        return column < row.size() ? qs(row[column]) : QString();
      case Qt::TextAlignmentRole:
        return index.column() < m_table.textColumns
                   ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                   : QVariant(Qt::AlignRight | Qt::AlignVCenter);
      case Qt::FontRole:
        if (index.row() + 1 == rowCount({})) {
          QFont bold;
          bold.setBold(true);
          return bold;
        }
        return {};
      default:
        return {};
    }
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1 < rowCount({}) ? QString::number(section + 1) : QString();
    return qs(m_table.headers[static_cast<std::size_t>(section)]);
  }

 private:
  ReportTable m_table;
};

namespace {

QDate qtDate(const ReportDay& day) {
  return {day.year, day.month, day.day};
}

ReportDay reportDay(const QDate& date) {
  return {date.year(), date.month(), date.day()};
}

QPushButton* button(QWidget* parent, const char* name, const char* text, QRect at) {
  auto* b = new QPushButton(QString::fromUtf8(text), parent);
  b->setObjectName(name);
  b->setGeometry(at);
  b->setAutoDefault(false);
  return b;
}

QDateEdit* datePicker(QWidget* parent, const char* name, QRect at) {
  auto* d = new QDateEdit(parent);
  d->setObjectName(name);
  d->setGeometry(at);
  d->setCalendarPopup(true);
  d->setDisplayFormat("yyyy-MM-dd");
  return d;
}

QChart* makeChart(const ReportChart& data) {
  auto* chart = new QChart;
  chart->setTitle(qs(data.title));
  chart->legend()->setVisible(data.pie);
  chart->legend()->setAlignment(Qt::AlignBottom);
  if (data.pie) {
    auto* series = new QPieSeries;
    for (std::size_t i = 0; i < data.labels.size(); ++i) {
      QPieSlice* slice = series->append(qs(data.labels[i]) + " " + QString::number(data.values[i]),
                                        std::max(0.0, data.values[i]));
      slice->setLabelVisible(data.values[i] > 0);
    }
    chart->addSeries(series);
    return chart;
  }
  auto* set = new QBarSet(qs(data.title));
  QStringList labels;
  double top = 0;
  double bottom = 0;
  for (std::size_t i = 0; i < data.labels.size(); ++i) {
    *set << data.values[i];
    labels << qs(data.labels[i]);
    top = std::max(top, data.values[i]);
    bottom = std::min(bottom, data.values[i]);
  }
  auto* series = new QBarSeries;
  series->append(set);
  chart->addSeries(series);
  auto* categories = new QBarCategoryAxis;
  categories->append(labels);
  categories->setLabelsAngle(labels.size() > 12 ? -90 : 0);
  // A long range shows every bar but only some labels would fit: the axis font shrinks.
  QFont small = categories->labelsFont();
  small.setPointSize(labels.size() > 40 ? 6 : 8);
  categories->setLabelsFont(small);
  chart->addAxis(categories, Qt::AlignBottom);
  series->attachAxis(categories);
  auto* values = new QValueAxis;
  values->setRange(bottom, top > bottom ? top * 1.1 : bottom + 1);
  values->setLabelFormat("%.0f");
  chart->addAxis(values, Qt::AlignLeft);
  series->attachAxis(values);
  return chart;
}

}  // namespace

SalesReportWindow::SalesReportWindow(AppContext& app, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialogs(this), m_presenter(app, m_dialogs) {
  setObjectName("销售统计");
  setWindowTitle(QString::fromUtf8("销售统计"));
  resize(1180, 720);

  auto* periodLabel = new QLabel(QString::fromUtf8("时间："), this);
  periodLabel->setObjectName("标签时间");
  periodLabel->setGeometry(10, 12, 40, 26);
  m_period = new QComboBox(this);
  m_period->setObjectName("组合框时间");
  m_period->setGeometry(50, 12, 80, 26);
  for (const std::string& item : SalesReportPresenter::periodItems()) m_period->addItem(qs(item));
  m_first = datePicker(this, "日期框1", {140, 12, 120, 26});
  auto* to = new QLabel(QString::fromUtf8("至"), this);
  to->setObjectName("标签至");
  to->setGeometry(266, 12, 20, 26);
  m_last = datePicker(this, "日期框2", {286, 12, 120, 26});
  m_query = button(this, "按钮查询", "查询", {416, 12, 70, 26});
  m_export = button(this, "按钮导出", "导出", {492, 12, 70, 26});
  m_progress = new QProgressBar(this);
  m_progress->setObjectName("进度条");
  m_progress->setGeometry(580, 14, 200, 22);
  m_progress->setRange(0, 100);
  m_cancel = button(this, "按钮取消", "取消", {788, 12, 70, 26});

  m_tabs = new QTabBar(this);
  m_tabs->setObjectName("选择夹页");
  m_tabs->setGeometry(10, 48, 500, 28);
  for (int page = 0; page < kReportPageCount; ++page) {
    m_tabs->addTab(qs(pageTitle(static_cast<ReportPage>(page))));
  }

  m_model = new ReportTableModel(this);
  m_table = new QTableView(this);
  m_table->setObjectName("表格统计");
  m_table->setModel(m_model);
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->verticalHeader()->setDefaultSectionSize(22);
  m_chart = new QChartView(this);
  m_chart->setObjectName("图表统计");
  m_chart->setRenderHint(QPainter::Antialiasing);
  m_status = new QLabel(this);
  m_status->setObjectName("标签状态");

  connect(m_period, &QComboBox::activated, this, [this](int index) {
    m_presenter.periodChosen(index);
    render();
  });
  const auto datesEdited = [this] {
    readDates();
    render();
  };
  connect(m_first, &QDateEdit::dateChanged, this, datesEdited);
  connect(m_last, &QDateEdit::dateChanged, this, datesEdited);
  connect(m_query, &QPushButton::clicked, this, [this] {
    readDates();
    m_presenter.queryClicked();
    render();
  });
  connect(m_cancel, &QPushButton::clicked, this, [this] {
    m_presenter.cancelClicked();
    render();
  });
  connect(m_export, &QPushButton::clicked, this, [this] {
    m_presenter.exportClicked();
    render();
  });
  connect(m_tabs, &QTabBar::currentChanged, this, [this](int page) {
    m_presenter.pageChosen(page);
    render();
  });
  m_presenter.onChanged([this] { render(); });

  m_presenter.created();
  render();
}

SalesReportWindow::~SalesReportWindow() = default;

void SalesReportWindow::readDates() {
  m_presenter.datesChanged(reportDay(m_first->date()), reportDay(m_last->date()));
}

void SalesReportWindow::render() {
  const SalesReportState& state = m_presenter.state();
  const int w = width(), h = height();
  m_table->setGeometry(10, 80, w * 11 / 20 - 15, h - 115);
  m_chart->setGeometry(w * 11 / 20, 80, w - w * 11 / 20 - 10, h - 115);
  m_status->setGeometry(10, h - 30, w - 20, 24);

  {
    const QSignalBlocker blockPeriod(m_period), blockFirst(m_first), blockLast(m_last);
    m_period->setCurrentIndex(static_cast<int>(state.period));
    m_first->setDate(qtDate(state.first));
    m_last->setDate(qtDate(state.last));
  }
  m_progress->setValue(state.progress);
  m_progress->setVisible(state.busy);
  m_cancel->setVisible(state.busy);
  m_query->setEnabled(!state.busy);
  m_export->setEnabled(!state.busy && state.hasReport);
  m_status->setText(qs(state.status));
  if (m_tabs->currentIndex() != static_cast<int>(state.page)) {
    const QSignalBlocker blockTabs(m_tabs);
    m_tabs->setCurrentIndex(static_cast<int>(state.page));
  }
  if (state.hasReport &&
      (m_shownPage != static_cast<int>(state.page) || m_shownResult != state.resultNumber)) {
    showPage();
  }
}

void SalesReportWindow::showPage() {
  const SalesReportState& state = m_presenter.state();
  m_shownPage = static_cast<int>(state.page);
  m_shownResult = state.resultNumber;
  m_model->setTable(m_presenter.table());
  m_table->resizeColumnsToContents();
  QChart* old = m_chart->chart();
  m_chart->setChart(makeChart(m_presenter.chart()));
  delete old;
}

void SalesReportWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  render();
}

}  // namespace cz
