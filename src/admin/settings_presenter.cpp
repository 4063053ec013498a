#include "admin/settings_presenter.h"

#include "admin/printer_settings_file.h"
#include "admin/settings_file.h"
#include "core/app_context.h"
#include "core/backup_service.h"
#include "core/dialogs.h"
#include "core/operation_log.h"
#include "core/permissions.h"
#include "core/session.h"
#include "core/windows.h"
#include "printing/receipt_printing.h"
#include "storage/database.h"
#include "util/list_model.h"
#include "util/numbers.h"
#include "util/timestamp.h"

namespace cz {

namespace {

// Every line break of an edit box ("\r\n" or the "\n" that edit controls give) as `lineBreak`.
std::string withLineBreaks(const std::string& text, const std::string& lineBreak) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n') {
      out += lineBreak;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

SettingsPresenter::SettingsPresenter(AppContext& app, Dialogs& dialogs, BackupScreen* backupScreen)
    : SettingsPresenter(app, dialogs, m_noPrinter, backupScreen) {}

SettingsPresenter::SettingsPresenter(AppContext& app, Dialogs& dialogs, Printer& printer,
                                     BackupScreen* backupScreen)
    : m_app(app),
      m_dialogs(dialogs),
      m_suppliers(app, dialogs),
      m_receipts(std::make_unique<ReceiptPrinting>(app, dialogs, printer)) {
  if (backupScreen) m_backupClient = std::make_unique<BackupClient>(app, dialogs, *backupScreen);
}

SettingsPresenter::~SettingsPresenter() = default;

const std::string& SettingsPresenter::dataFolder() const {
  return m_app.dataFolder;
}

void SettingsPresenter::created() {
  refreshClosesClicked();
  const Settings& settings = m_app.session.settings;
  m_header = settings.receiptHeader;
  m_footer = settings.receiptFooter;
  m_horizontal = settings.horizontalOffset;
  m_vertical = settings.verticalOffset;
  m_printing = settings.printingEnabled;
  m_printDialog = settings.printDialogEnabled;
  m_rowsPerPage = integerText(settings.rowsPerPage);
  m_printerSettings = settings.printer;
  m_suppliers.load();
}

bool SettingsPresenter::writeKey(const char* section, const char* key, const std::string& value) {
  const std::string error = writeSetting(m_app.session.settingsFilePath(), section, key, value);
  if (error.empty()) return true;
  m_dialogs.message(error);
  return false;
}

bool SettingsPresenter::writeSwitch(const char* key, bool on) {
  return writeKey("打印机", key, boolText(on));
}

void SettingsPresenter::printingSwitched(bool on) {
  if (writeSwitch("打印", on)) m_app.session.settings.printingEnabled = on;
  m_printing = m_app.session.settings.printingEnabled;
}

void SettingsPresenter::printDialogSwitched(bool on) {
  if (writeSwitch("打印对话", on)) m_app.session.settings.printDialogEnabled = on;
  m_printDialog = m_app.session.settings.printDialogEnabled;
}

void SettingsPresenter::drawerSwitched(bool on) {
  if (writeSwitch("钱箱", on)) m_app.session.settings.printer.cashDrawer = on;
  m_printerSettings.cashDrawer = m_app.session.settings.printer.cashDrawer;
}

bool SettingsPresenter::paymentWindowOn() const {
  return m_app.session.settings.paymentWindow;
}

bool SettingsPresenter::fuzzyLookupOn() const {
  return m_app.session.settings.fuzzyLookup;
}

bool SettingsPresenter::strictSecurityOn() const {
  return m_app.session.settings.strictSecurity;
}

bool SettingsPresenter::tillSwitchAllowed() {
  // These switches decide how every cashier works and how passwords are shown: only the shop's
  // owner account may turn them.
  if (m_app.session.currentAccount == "admin") return true;
  m_dialogs.message(refusalText("账号管理"));
  return false;
}

void SettingsPresenter::paymentWindowSwitched(bool on) {
  if (!tillSwitchAllowed()) return;
  if (writeKey("收银", "收款窗口", boolText(on))) m_app.session.settings.paymentWindow = on;
}

void SettingsPresenter::fuzzyLookupSwitched(bool on) {
  if (!tillSwitchAllowed()) return;
  if (writeKey("收银", "模糊查找", boolText(on))) m_app.session.settings.fuzzyLookup = on;
}

void SettingsPresenter::strictSecuritySwitched(bool on) {
  if (!tillSwitchAllowed()) return;
  if (!writeKey("收银", "加强安全", boolText(on))) return;
  m_app.session.settings.strictSecurity = on;
  if (on) m_app.log.hidePasswordsInList();
}

void SettingsPresenter::shiftReportClicked() {
  m_app.windows.openShiftReportWindow();
}

void SettingsPresenter::refreshClosesClicked() {
  m_closes = recentShiftCloses(m_app.db, 30);
}

std::vector<std::string> SettingsPresenter::closeListTexts() const {
  std::vector<std::string> texts;
  for (const StoredShiftClose& close : m_closes) {
    const auto moment = dateTimeFromTimestamp(close.time);
    texts.push_back((moment ? timeText(*moment) : close.time) + "  " + close.account + "  实收" +
                    close.received + "  差额" +
                    (close.difference.empty() ? std::string("未清点") : close.difference));
  }
  return texts;
}

void SettingsPresenter::reprintCloseClicked(int index) {
  if (index < 0 || index >= static_cast<int>(m_closes.size())) {
    m_dialogs.message("请先选择一条交班记录");
    return;
  }
  std::vector<std::string> lines;
  const std::string& report = m_closes[static_cast<size_t>(index)].report;
  size_t begin = 0;
  while (begin <= report.size()) {
    const size_t end = report.find("\r\n", begin);
    lines.push_back(report.substr(begin, end == std::string::npos ? end : end - begin));
    if (end == std::string::npos) break;
    begin = end + 2;
  }
  if (!lines.empty()) lines.insert(lines.begin() + 1, "重打");
  m_receipts->printReport(lines, [this](const std::string& failure) {
    if (!failure.empty()) m_dialogs.message(failure);
  });
}

void SettingsPresenter::testPageClicked() {
  Settings page = m_app.session.settings;
  page.receiptHeader = m_header;
  page.horizontalOffset = m_horizontal;
  page.verticalOffset = m_vertical;
  page.printer = m_printerSettings;
  m_receipts->printTestPage(page, [this](const std::string& failure) {
    m_dialogs.message(failure.empty() ? "打印成功" : failure);
  });
}

void SettingsPresenter::openDrawerClicked() {
  m_receipts->openDrawer(m_printerSettings, [this](const std::string& failure) {
    if (!failure.empty()) m_dialogs.message(failure);
  });
}

void SettingsPresenter::saveClicked() {
  Settings& settings = m_app.session.settings;
  if (!writeKey("打印机", "票头", m_header)) return;
  settings.receiptHeader = m_header;
  if (!writeKey("打印机", "票尾", withLineBreaks(m_footer, "&"))) return;
  settings.receiptFooter = withLineBreaks(m_footer, "\r\n");
  if (!writeKey("打印机", "横边距", m_horizontal)) return;
  settings.horizontalOffset = m_horizontal;
  if (!writeKey("打印机", "纵边距", m_vertical)) return;
  settings.verticalOffset = m_vertical;
  if (!writeKey("页数", "页数", m_rowsPerPage)) return;
  settings.rowsPerPage = static_cast<int>(readInteger(m_rowsPerPage));
  // The printer's keys are written when changed, so a file that never had them stays as it was.
  PrinterSettings& printer = settings.printer;
  if (m_printerSettings.method != printer.method) {
    if (!writeKey("打印机", "方式", printMethodText(m_printerSettings.method))) return;
    printer.method = m_printerSettings.method;
  }
  if (m_printerSettings.device != printer.device) {
    if (!writeKey("打印机", "设备", m_printerSettings.device)) return;
    printer.device = m_printerSettings.device;
  }
  if (m_printerSettings.paperWidth != printer.paperWidth) {
    if (!writeKey("打印机", "纸宽", integerText(m_printerSettings.paperWidth))) return;
    printer.paperWidth = m_printerSettings.paperWidth;
  }
  m_dialogs.message("已生效");
}

void SettingsPresenter::accountsClicked() {
  if (m_app.session.settings.strictSecurity && m_app.session.currentAccount != "admin") {
    m_dialogs.message(refusalText("账号管理"));
    return;
  }
  m_app.windows.openAccountsWindow();
}

void SettingsPresenter::checkLogClicked() {
  // count(*) walks the table's smallest b-tree instead of reading every row out.
  RecordSet count(m_app.db);
  if (!count.open("select count(*) from 日志") || !count.next()) {
    m_dialogs.message(m_app.db.lastError());
    return;
  }
  m_logCount = "日志条数：" + count.field(1) + "条";
}

void SettingsPresenter::clearLogClicked() {
  if (!checkPermission(m_app.session.permissions, Permission::ClearLog, m_dialogs,
                       refusalText("清空日志"))) {
    return;
  }
  if (!m_dialogs.ask("确定清空所有日志吗？清空后即不可恢复！")) return;
  if (m_app.db.execute("delete from 日志")) {
    m_app.log.list().clear();
    m_dialogs.message("清空日志完毕");
    return;
  }
  const std::string text = "清空日志失败，原因：" + m_app.db.lastError();
  m_app.log.write(LogType::Error, text);
  m_dialogs.message(text);
}

std::string SettingsPresenter::backupFolder() const {
  return readBackupOptions(m_app.session.settingsFilePath(), m_app.session.databasePath()).folder;
}

void SettingsPresenter::backupNowClicked() {
  if (m_app.backups && m_backupClient) m_app.backups->backupNow(*m_backupClient);
}

bool SettingsPresenter::restoreClicked() {
  if (!m_app.db.onServer()) return true;
  restoreChosen("-");  // the backups say why there is nothing to restore
  return false;
}

void SettingsPresenter::restoreChosen(const std::string& copyPath) {
  if (copyPath.empty()) return;
  if (m_app.backups && m_backupClient) m_app.backups->restoreFrom(copyPath, *m_backupClient);
}

void SettingsPresenter::checkDatabaseClicked() {
  if (m_app.backups && m_backupClient) m_app.backups->checkNow(*m_backupClient);
}

}  // namespace cz
