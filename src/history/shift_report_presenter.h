#pragma once

#include <string>
#include <vector>

#include "core/shift_report.h"
#include "printing/receipt_printing.h"

namespace cz {

class Dialogs;
class Printer;
struct AppContext;

// What the report window shows.
struct ShiftReportState {
  std::string caption;             // "当班报表" or "交班报表"
  std::vector<std::string> lines;  // the figures, one line each
  std::string countedText;         // the counted cash as typed
  std::string floatText = "0";     // the next shift's float as typed
  std::string differenceText;      // "差额：…", empty until something countable is typed
  bool closing = false;            // the close: the two boxes are shown
};

// The shift report window. As a look (当班报表) it shows the current shift's figures and prints
// them. As the close (交班报表, after 是 on the shift change question) it also takes the counted
// cash and the next float; 确定 or the close mark stores the close, writes the log entry and goes
// on with the shift change.
class ShiftReportPresenter {
 public:
  ShiftReportPresenter(AppContext& app, Dialogs& dialogs, Printer& printer, bool closing);

  const ShiftReportState& state() const { return m_state; }
  const ShiftFigures& figures() const { return m_figures; }

  // The boxes' texts changed.
  void countedChanged(const std::string& text);
  void floatChanged(const std::string& text);
  // 打印: prints the report on the configured path; a failure is shown.
  void printClicked();
  // 确定 of the close: stores it with the counted cash and goes on with the shift change. A
  // text that is not an amount is refused with a message; an empty one asks first whether to
  // close without counting (default 否, which keeps the window). Returns true when the window
  // goes.
  bool confirmClicked();
  // The close mark. A close stores the row without counted cash and goes on with the shift
  // change; a look just goes. False when the window must stay (the row could not be stored).
  bool closeRequested();

 private:
  bool finish(const ShiftCount& count);

  AppContext& m_app;
  Dialogs& m_dialogs;
  ReceiptPrinting m_printing;
  ShiftFigures m_figures;
  ShiftReportState m_state;
  std::string m_now;  // the end of the shift shown, a timestamp text
  bool m_done = false;
};

// Reads an amount typed into a box: digits with an optional sign and decimal point, blanks
// around allowed. Nothing for empty text or anything else.
std::optional<double> parseAmount(const std::string& text);

}  // namespace cz
