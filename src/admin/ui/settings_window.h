#pragma once

#include <QWidget>

class QListWidget;

#include "admin/settings_presenter.h"
#include "core/ui/qt_backup_screen.h"
#include "core/ui/qt_dialogs.h"
#include "core/windows.h"

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTabBar;

namespace cz {

class QtPrinter;
class SupplierPage;
class SwitchButton;
struct AppContext;

// The settings window: the tab control 高级选择夹1 with the pages "打印设置", "供应商" and
// "其他功能", and 超级保存 below it.
class SettingsWindow : public QWidget {
  Q_OBJECT
 public:
  explicit SettingsWindow(AppContext& app, QWidget* owner = nullptr);
  ~SettingsWindow() override;

  SettingsPresenter& presenter() { return m_presenter; }
  // The system printing of 打印测试页 (tests print into a file through it).
  QtPrinter& printer() { return *m_printer; }
  // Runs the window's creation work: fills the pages and starts the supplier load.
  void created();
  void selectPage(SettingsPage page);

 private:
  QWidget* addPage(const QString& title);
  void render();
  // "恢复…": picks a copy in the backup folder and hands it to the presenter.
  void chooseBackupToRestore();

  QtDialogs m_dialogs;
  std::unique_ptr<QtPrinter> m_printer;
  QtBackupScreen m_backupScreen;
  SettingsPresenter m_presenter;
  QWidget* m_tabs;
  QTabBar* m_tabBar;
  QStackedWidget* m_pages;
  QLineEdit* m_header;
  QPlainTextEdit* m_footer;
  QLineEdit* m_horizontal;
  QLineEdit* m_vertical;
  SwitchButton* m_printing;
  SwitchButton* m_printDialog;
  QComboBox* m_method;
  QComboBox* m_paperWidth;
  SwitchButton* m_drawer;
  SwitchButton* m_paymentWindow;
  SwitchButton* m_fuzzyLookup;
  SwitchButton* m_strictSecurity;
  QLineEdit* m_device;
  QLabel* m_logCount;
  QLineEdit* m_rowsPerPage;
  QListWidget* m_closes;
  SupplierPage* m_supplierPage;
};

}  // namespace cz
