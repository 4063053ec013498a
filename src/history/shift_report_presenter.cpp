#include "history/shift_report_presenter.h"

#include "catalogue/goods_attributes.h"
#include "core/app_context.h"
#include "core/dialogs.h"
#include "core/login.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "storage/database.h"
#include "util/clock.h"
#include "util/numbers.h"
#include "util/timestamp.h"

namespace cz {

std::optional<double> parseAmount(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return std::nullopt;
  size_t end = text.find_last_not_of(" \t") + 1;
  const std::string t = text.substr(begin, end - begin);
  size_t i = (t[0] == '-' || t[0] == '+') ? 1 : 0;
  int digits = 0, points = 0;
  for (; i < t.size(); ++i) {
    if (t[i] >= '0' && t[i] <= '9') {
      ++digits;
    } else if (t[i] == '.' && points == 0) {
      ++points;
    } else {
      return std::nullopt;
    }
  }
  // At most 15 digits keep the amount exact in a double.
  if (digits == 0 || digits > 15) return std::nullopt;
  return round1(readNumber(t));
}

ShiftReportPresenter::ShiftReportPresenter(AppContext& app, Dialogs& dialogs, Printer& printer,
                                           bool closing)
    : m_app(app), m_dialogs(dialogs), m_printing(app, dialogs, printer) {
  const LocalDateTime now = app.clock.now();
  m_now = timestampText(now);
  m_state.closing = closing;
  m_state.caption = closing ? "交班报表" : "当班报表";
  if (!readShiftFigures(app.db, currentShiftStart(app.db, now), m_now, m_figures)) {
    m_dialogs.message(app.db.lastError(), "读取销售数据失败", MessageIcon::Information);
  }
  m_state.lines = shiftReportLines(m_figures, m_state.caption);
  if (!closing) {
    // The look at the shift ends with the goods running low, so they are ordered in time.
    for (std::string& line : lowStockReportLines(app.db, app.session.goodsAttributes)) {
      m_state.lines.push_back(std::move(line));
    }
  }
  m_state.floatText = moneyText(m_figures.openingFloat);
}

void ShiftReportPresenter::countedChanged(const std::string& text) {
  m_state.countedText = text;
  const auto counted = parseAmount(text);
  m_state.differenceText =
      counted ? "差额：" + moneyText(cashDifference(m_figures, *counted)) : std::string();
}

void ShiftReportPresenter::floatChanged(const std::string& text) {
  m_state.floatText = text;
}

void ShiftReportPresenter::printClicked() {
  std::vector<std::string> lines = m_state.lines;
  if (m_state.closing) {
    if (const auto counted = parseAmount(m_state.countedText)) {
      lines.push_back("实点现金：" + moneyText(*counted));
      lines.push_back(m_state.differenceText);
    }
  }
  m_printing.printReport(lines, [this](const std::string& failure) {
    if (!failure.empty()) m_dialogs.message(failure, "打印", MessageIcon::Information);
  });
}

bool ShiftReportPresenter::confirmClicked() {
  if (!m_state.closing) return closeRequested();
  ShiftCount count;
  // Blanks alone count as an empty box.
  if (m_state.countedText.find_first_not_of(" \t") != std::string::npos) {
    count.counted = parseAmount(m_state.countedText);
    if (!count.counted) {
      m_dialogs.message("实点现金不是有效的金额", "交班", MessageIcon::Information);
      return false;
    }
  }
  const auto next =
      m_state.floatText.empty() ? std::optional<double>(0) : parseAmount(m_state.floatText);
  if (!next || *next < 0) {
    m_dialogs.message("备用金不是有效的金额", "交班", MessageIcon::Information);
    return false;
  }
  count.nextFloat = *next;
  // A close without counting the drawer is allowed, but never by a slip of Enter.
  if (!count.counted &&
      !m_dialogs.ask("未填写实点现金，确定不点钞交班吗？", "交班", Answer::No)) {
    return false;
  }
  return finish(count);
}

bool ShiftReportPresenter::closeRequested() {
  if (!m_state.closing || m_done) return true;
  ShiftCount count;
  // The next float still counts when it was typed before the close mark.
  if (const auto next = parseAmount(m_state.floatText); next && *next >= 0) count.nextFloat = *next;
  return finish(count);
}

bool ShiftReportPresenter::finish(const ShiftCount& count) {
  if (m_done) return true;
  // The figures are read again with the close stored, in one transaction: the window's figures
  // were read when it opened, and other tills may have sold since.
  const auto closeLines = [&](const ShiftFigures& figures) {
    std::vector<std::string> lines = shiftReportLines(figures, m_state.caption);
    if (count.counted) {
      lines.push_back("实点现金：" + moneyText(*count.counted));
      lines.push_back("差额：" + moneyText(cashDifference(figures, *count.counted)));
    } else {
      lines.push_back("实点现金：未清点");
    }
    lines.push_back("下班备用金：" + moneyText(count.nextFloat));
    return lines;
  };
  const std::string account = m_app.session.currentAccount;
  ShiftFigures closed;
  if (!closeShift(m_app.db, m_app.clock, account, count, closeLines, closed)) {
    const std::string error = m_app.db.lastError();
    m_app.log.write(LogType::Error, "保存交班记录失败：" + error);
    m_dialogs.message(error, "保存交班记录失败", MessageIcon::Information);
    return false;
  }
  m_done = true;
  m_figures = closed;
  m_state.lines = shiftReportLines(m_figures, m_state.caption);
  m_app.log.write(LogType::System,
                  "[" + account + "]交班，订单数：" + integerText(m_figures.orders) + "，总实收：" +
                      moneyText(m_figures.received) + "，应有现金：" +
                      moneyText(m_figures.cashExpected) + "，实点现金：" +
                      (count.counted ? moneyText(*count.counted) : "未清点") + "，差额：" +
                      (count.counted ? moneyText(cashDifference(m_figures, *count.counted)) : "-"));
  finishShiftChange(m_app);
  return true;
}

}  // namespace cz
