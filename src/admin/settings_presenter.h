#pragma once

#include <memory>
#include <string>

#include "catalogue/supplier_page_presenter.h"
#include "core/printer_settings.h"
#include "core/shift_report.h"
#include "printing/printer.h"

namespace cz {

class BackupClient;
class BackupScreen;
class Dialogs;
class ReceiptPrinting;
struct AppContext;

// The settings window: the printing page, the supplier page and the page of other functions
// (accounts, log count, clearing the log, rows per report page, the data backups), and
// "保存配置".
class SettingsPresenter {
 public:
  // `printer` is the system printing of 打印测试页; without one that path finds no printer.
  // `backupScreen` shows the progress of the backup buttons; without one they do nothing.
  SettingsPresenter(AppContext& app, Dialogs& dialogs, BackupScreen* backupScreen = nullptr);
  SettingsPresenter(AppContext& app, Dialogs& dialogs, Printer& printer,
                    BackupScreen* backupScreen = nullptr);
  ~SettingsPresenter();

  // Texts of the boxes and states of the switches, as the window shows them.
  const std::string& header() const { return m_header; }
  const std::string& footer() const { return m_footer; }
  const std::string& horizontalOffset() const { return m_horizontal; }
  const std::string& verticalOffset() const { return m_vertical; }
  const std::string& rowsPerPage() const { return m_rowsPerPage; }
  bool printingOn() const { return m_printing; }
  bool printDialogOn() const { return m_printDialog; }
  // The receipt printer's controls: 组合框方式, 编辑框设备, 组合框纸宽 and the 图形钱箱 switch.
  PrintMethod printMethod() const { return m_printerSettings.method; }
  const std::string& device() const { return m_printerSettings.device; }
  int paperWidth() const { return m_printerSettings.paperWidth; }
  bool drawerOn() const { return m_printerSettings.cashDrawer; }
  // Caption of 透明标签日志.
  const std::string& logCountCaption() const { return m_logCount; }
  // The folder that holds data.db and 配置.ini, shown on the 其他功能 page.
  const std::string& dataFolder() const;

  SupplierPagePresenter& suppliers() { return m_suppliers; }

  // The window exists: fills the boxes and switches from the settings held in memory and starts
  // the supplier load.
  void created();

  void headerChanged(const std::string& text) { m_header = text; }
  // The footer box's text; its line breaks may be "\n" or "\r\n".
  void footerChanged(const std::string& text) { m_footer = text; }
  void horizontalChanged(const std::string& text) { m_horizontal = text; }
  void verticalChanged(const std::string& text) { m_vertical = text; }
  void rowsPerPageChanged(const std::string& text) { m_rowsPerPage = text; }

  void printMethodChanged(PrintMethod method) { m_printerSettings.method = method; }
  void deviceChanged(const std::string& text) { m_printerSettings.device = text; }
  // 58 or 80; any other width counts as 58.
  void paperWidthChanged(int millimetres) {
    m_printerSettings.paperWidth = millimetres == 80 ? 80 : 58;
  }

  // The 图形打印 / 图形打印对话 switch changed: its key is written at once and the setting in
  // memory follows. When the key cannot be written the failure is shown, the setting keeps its
  // value and the switch goes back.
  void printingSwitched(bool on);
  void printDialogSwitched(bool on);
  // The 图形钱箱 switch: 打印机/钱箱 likewise.
  void drawerSwitched(bool on);

  // The [收银] switches of the 其他功能 page: 收款窗口, 模糊查找, 加强安全. Each key is written at
  // once, as the other switches are. Only `admin` may turn them; anyone else is refused with the
  // 账号管理 refusal text and the switch stays as it was.
  bool paymentWindowOn() const;
  bool fuzzyLookupOn() const;
  bool strictSecurityOn() const;
  void paymentWindowSwitched(bool on);
  void fuzzyLookupSwitched(bool on);
  void strictSecuritySwitched(bool on);

  // 打印测试页: prints a test page the way the page's controls say (header, offsets, method,
  // device, paper width, whether saved or not), then shows "打印成功" or "打印失败：" + the reason.
  // On the ESC/POS path the outcome comes later, from the UI thread's queue.
  void testPageClicked();
  // 开钱箱: opens the drawer through the device in the box, with no sale (logged with the account).
  // Only a failure is shown.
  void openDrawerClicked();

  // "保存配置": writes 票头, 票尾 (line breaks as "&"), 横边距, 纵边距 and 页数 in that order, then
  // 方式, 设备 and 纸宽 where they changed, each setting in memory following its key, then shows
  // "已生效". Texts are stored as typed. The first key that cannot be written stops the save with
  // a message naming the file and why.
  void saveClicked();

  // "账号管理": opens the accounts window; no permission is needed.
  void accountsClicked();
  // "检测日志": counts the log entries into 透明标签日志.
  void checkLogClicked();
  // "清空日志": with 清除日志 and after the question, deletes every entry and empties the log
  // window's list.
  void clearLogClicked();

  // "当班报表": opens the current shift's report window.
  void shiftReportClicked();
  // The latest 30 shift closes, newest first, as 列表交班 lists them (reloaded by created() and
  // refreshClosesClicked()).
  const std::vector<StoredShiftClose>& closes() const { return m_closes; }
  std::vector<std::string> closeListTexts() const;
  void refreshClosesClicked();
  // "重打交班报表" with a row of the list chosen (0 = newest): prints the report as stored at
  // that close. Only a failure is shown; no row chosen says so.
  void reprintCloseClicked(int index);

  // The folder of the data backups, as the settings name it (shown, and where 恢复… looks).
  std::string backupFolder() const;
  // "立即备份": a copy of the data now, with a progress window; the outcome says where it went.
  void backupNowClicked();
  // "恢复…" pressed: true when the window is to let the user pick a copy; false when there is
  // nothing to restore into (the data is on a database server), which has been said.
  bool restoreClicked();
  // "恢复…" with a copy picked: checks it, shows what it holds and, after the question, puts it
  // in place of the current data and returns to the login window.
  void restoreChosen(const std::string& copyPath);
  // "检查数据库": the engine's integrity check of data.db.
  void checkDatabaseClicked();

 private:
  // True for `admin`; anyone else is told and refused.
  bool tillSwitchAllowed();
  bool writeKey(const char* section, const char* key, const std::string& value);
  bool writeSwitch(const char* key, bool on);

  AppContext& m_app;
  Dialogs& m_dialogs;
  std::string m_header;
  std::string m_footer;
  std::string m_horizontal;
  std::string m_vertical;
  std::string m_rowsPerPage;
  bool m_printing = true;
  bool m_printDialog = false;
  std::string m_logCount = "日志条数：";
  PrinterSettings m_printerSettings;
  SupplierPagePresenter m_suppliers;
  NoPrinter m_noPrinter;
  std::unique_ptr<ReceiptPrinting> m_receipts;
  std::unique_ptr<BackupClient> m_backupClient;
  std::vector<StoredShiftClose> m_closes;
};

}  // namespace cz
