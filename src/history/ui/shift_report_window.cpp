#include "history/ui/shift_report_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "printing/ui/qt_printer.h"
#include "util/ui/qt_text.h"

namespace cz {

ShiftReportWindow::ShiftReportWindow(AppContext& app, bool closing, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_dialogs(this),
      m_printer(std::make_unique<QtPrinter>(this)),
      m_presenter(std::make_unique<ShiftReportPresenter>(app, m_dialogs, *m_printer, closing)) {
  const ShiftReportState& state = m_presenter->state();
  setObjectName(qs(state.caption));
  setWindowTitle(qs(state.caption));
  const int height = closing ? 560 : 480;
  setFixedSize(380, height);

  m_lines = new QListWidget(this);
  m_lines->setObjectName("列表报表");
  m_lines->setGeometry(10, 10, 360, 420);
  for (const std::string& line : state.lines) m_lines->addItem(qs(line));

  int y = 440;
  if (closing) {
    auto* countedLabel = new QLabel(QString::fromUtf8("实点现金："), this);
    countedLabel->setObjectName("标签实点现金");
    countedLabel->setGeometry(10, y, 80, 24);
    m_counted = new QLineEdit(this);
    m_counted->setObjectName("编辑框实点现金");
    m_counted->setGeometry(95, y, 120, 24);
    m_difference = new QLabel(this);
    m_difference->setObjectName("标签差额");
    m_difference->setGeometry(225, y, 145, 24);
    auto* floatLabel = new QLabel(QString::fromUtf8("下班备用金："), this);
    floatLabel->setObjectName("标签备用金");
    floatLabel->setGeometry(10, y + 34, 80, 24);
    m_float = new QLineEdit(qs(state.floatText), this);
    m_float->setObjectName("编辑框备用金");
    m_float->setGeometry(95, y + 34, 120, 24);
    connect(m_counted, &QLineEdit::textEdited, this, [this](const QString& text) {
      m_presenter->countedChanged(ss(text));
      render();
    });
    connect(m_float, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_presenter->floatChanged(ss(text)); });
    y += 76;
  }
  auto* print = new QPushButton(QString::fromUtf8("打印"), this);
  print->setObjectName("按钮打印");
  print->setGeometry(180, y, 90, 30);
  connect(print, &QPushButton::clicked, this, [this] { m_presenter->printClicked(); });
  auto* ok = new QPushButton(QString::fromUtf8("确定"), this);
  ok->setObjectName("按钮确定");
  ok->setGeometry(280, y, 90, 30);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, [this] {
    if (m_presenter->confirmClicked()) close();
  });
  if (m_counted) m_counted->setFocus();
}

ShiftReportWindow::~ShiftReportWindow() = default;

void ShiftReportWindow::render() {
  if (m_difference) m_difference->setText(qs(m_presenter->state().differenceText));
}

void ShiftReportWindow::closeEvent(QCloseEvent* event) {
  if (m_presenter->closeRequested()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void ShiftReportWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (m_presenter->confirmClicked()) close();
    return;
  }
  if (event->key() == Qt::Key_Escape && !m_presenter->state().closing) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace cz
