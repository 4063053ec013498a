#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace cz {

class Dialogs;
class Printer;
class PrintSpooler;
struct AppContext;
struct PrintJob;
struct PrinterSettings;
struct Receipt;
struct Settings;

// Prints receipts and opens the cash drawer the way the [打印机] settings say: through the
// system's printing (the Printer, on the UI thread, as always) or as ESC/POS bytes handed to the
// print spooler, which sends them off the UI thread. Nothing here touches a stored sale.
//
// Outcomes reach a callback on the UI thread: empty text when all went out, otherwise the one
// message for the cashier ("打印失败：" or "开钱箱失败：" and the reason). The system path calls
// back before returning; the ESC/POS path once the printer has the bytes or gave up. Outcomes
// still on their way when this object goes are dropped.
class ReceiptPrinting {
 public:
  using Done = std::function<void(const std::string& failure)>;

  // `dialogs` asks "是否打印小票？" where the print dialog setting asks for a dialog on the ESC/POS
  // path; `systemPrinter` is the system path.
  ReceiptPrinting(AppContext& app, Dialogs& dialogs, Printer& systemPrinter);
  ~ReceiptPrinting();
  ReceiptPrinting(const ReceiptPrinting&) = delete;
  ReceiptPrinting& operator=(const ReceiptPrinting&) = delete;

  // After a stored sale, with the session's settings: prints the receipt when printing is on
  // and, with 钱箱 on and a cash sale, opens the drawer whatever became of the receipt: the pulse
  // is a job of its own, sent after the receipt. `done` hears each job's outcome apart (so the
  // receipt's failure and the drawer's are two messages). The system path stays silent about a
  // job that did not start, as it always has. Failures are also written to the log as 错误
  // entries.
  void afterCheckout(const Receipt& receipt, bool cash, Done done);

  // Prints the receipt again (whatever the printing switch says), by the session's settings.
  // Failures are also written to the log.
  void reprint(const Receipt& receipt, Done done);

  // Prints a report (first line as the title) by the session's settings, on either path.
  // Failures are also written to the log.
  void printReport(const std::vector<std::string>& lines, Done done);

  // Opens the drawer with no sale, through the device of `printer`: writes a 系统 log entry
  // naming the account, then sends the pulse. Without a device nothing is sent or logged.
  void openDrawer(const PrinterSettings& printer, Done done);

  // Prints a test page by `settings` (the settings window passes what its page shows): the
  // header, the paper width, a ruler of the columns, Chinese mixed with digits, and now.
  void printTestPage(const Settings& settings, Done done);

 private:
  void send(PrintJob job, const std::string& prefix, bool log, Done done);
  PrintSpooler& spooler();

  AppContext& m_app;
  Dialogs& m_dialogs;
  Printer& m_printer;
  std::unique_ptr<PrintSpooler> m_ownSpooler;
  // Outcomes check it, so none arrives after this object is gone.
  std::shared_ptr<char> m_alive = std::make_shared<char>();
};

// The message when the system's printing started no job.
inline constexpr const char* kNoSystemPrinter = "没有可用的打印机，或打印已取消";

}  // namespace cz
