#include "printing/receipt_printing.h"

#include <utility>

#include "core/app_context.h"
#include "core/dialogs.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "printing/escpos.h"
#include "printing/print_spooler.h"
#include "printing/printer.h"
#include "printing/printer_port.h"
#include "printing/receipt.h"
#include "util/clock.h"

namespace cz {
namespace {

constexpr const char* kPrintFailed = "打印失败：";
constexpr const char* kDrawerFailed = "开钱箱失败：";

}  // namespace

ReceiptPrinting::ReceiptPrinting(AppContext& app, Dialogs& dialogs, Printer& systemPrinter)
    : m_app(app), m_dialogs(dialogs), m_printer(systemPrinter) {}

ReceiptPrinting::~ReceiptPrinting() = default;

PrintSpooler& ReceiptPrinting::spooler() {
  if (m_app.printSpooler) return *m_app.printSpooler;
  if (!m_ownSpooler) m_ownSpooler = std::make_unique<PrintSpooler>(m_app.ui);
  return *m_ownSpooler;
}

void ReceiptPrinting::send(PrintJob job, const std::string& prefix, bool log, Done done) {
  std::weak_ptr<char> alive = m_alive;
  spooler().submit(std::move(job),
                   [this, alive, prefix, log, done = std::move(done)](const std::string& failure) {
                     if (alive.expired()) return;
                     if (failure.empty()) {
                       if (done) done({});
                       return;
                     }
                     const std::string message = prefix + failure;
                     if (log) m_app.log.write(LogType::Error, message);
                     if (done) done(message);
                   });
}

void ReceiptPrinting::afterCheckout(const Receipt& receipt, bool cash, Done done) {
  const Settings& settings = m_app.session.settings;
  const PrinterSettings& printer = settings.printer;
  const bool drawer = printer.cashDrawer && cash;
  if (printer.method == PrintMethod::System) {
    if (settings.printingEnabled) printReceipt(m_printer, settings, receipt);
    if (drawer) send({printer.device, escPosDrawerPulse(), false}, kDrawerFailed, true, done);
    return;
  }
  bool print = settings.printingEnabled;
  if (print && settings.printDialogEnabled) print = m_dialogs.ask("是否打印小票？");
  // The pulse is a job of its own, queued after the receipt: a receipt refused for want of paper
  // or lost on the way never keeps the drawer of a cash sale shut, and each failure is told
  // apart.
  if (print) {
    send({printer.device, escPosReceipt(receipt, printer.paperWidth, false), true}, kPrintFailed,
         true, done);
  }
  if (drawer) send({printer.device, escPosDrawerPulse(), false}, kDrawerFailed, true, done);
}

void ReceiptPrinting::reprint(const Receipt& receipt, Done done) {
  const Settings& settings = m_app.session.settings;
  if (settings.printer.method == PrintMethod::System) {
    if (printReceipt(m_printer, settings, receipt)) {
      done({});
    } else {
      const std::string message = std::string(kPrintFailed) + kNoSystemPrinter;
      m_app.log.write(LogType::Error, message);
      done(message);
    }
    return;
  }
  send({settings.printer.device, escPosReceipt(receipt, settings.printer.paperWidth, false), true},
       kPrintFailed, true, std::move(done));
}

void ReceiptPrinting::printReport(const std::vector<std::string>& lines, Done done) {
  const Settings& settings = m_app.session.settings;
  if (settings.printer.method == PrintMethod::EscPos) {
    send({settings.printer.device, escPosReport(lines, settings.printer.paperWidth), true},
         kPrintFailed, true, std::move(done));
    return;
  }
  if (!m_printer.startJob(settings.printDialogEnabled)) {
    const std::string message = std::string(kPrintFailed) + kNoSystemPrinter;
    m_app.log.write(LogType::Error, message);
    done(message);
    return;
  }
  m_printer.setBold(true);
  m_printer.setOrigin(printOffset(settings.horizontalOffset), printOffset(settings.verticalOffset));
  m_printer.setFontSize(12);
  m_printer.printText(lines.empty() ? std::string() : lines.front());
  m_printer.setFontSize(9);
  std::string text;
  for (size_t i = 1; i < lines.size(); ++i) text += lines[i] + "\r\n";
  m_printer.printText(text);
  m_printer.endJob();
  done({});
}

void ReceiptPrinting::openDrawer(const PrinterSettings& printer, Done done) {
  if (parsePrinterTarget(printer.device).kind == PrinterTarget::Kind::None) {
    done(std::string(kDrawerFailed) + "未设置打印设备");
    return;
  }
  m_app.log.write(LogType::System, "[" + m_app.session.currentAccount + "]无销售打开钱箱");
  send({printer.device, escPosDrawerPulse(), false}, kDrawerFailed, true, std::move(done));
}

void ReceiptPrinting::printTestPage(const Settings& settings, Done done) {
  const TestPage page{settings.receiptHeader, settings.printer.paperWidth,
                      timeText(m_app.clock.now())};
  if (settings.printer.method == PrintMethod::EscPos) {
    send({settings.printer.device, escPosTestPage(page), true}, kPrintFailed, false,
         std::move(done));
    return;
  }
  if (!m_printer.startJob(settings.printDialogEnabled)) {
    done(std::string(kPrintFailed) + kNoSystemPrinter);
    return;
  }
  m_printer.setBold(true);
  m_printer.setOrigin(printOffset(settings.horizontalOffset), printOffset(settings.verticalOffset));
  m_printer.setFontSize(12);
  m_printer.printText(receiptHeaderText(page.header));
  m_printer.setFontSize(9);
  std::string text;
  for (const std::string& line : testPageLines(page)) text += line + "\r\n";
  m_printer.printText(text);
  m_printer.endJob();
  done({});
}

}  // namespace cz
