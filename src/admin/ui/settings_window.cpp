#include "admin/ui/settings_window.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabBar>

#include "admin/ui/switch_button.h"
#include "catalogue/ui/supplier_page.h"
#include "printing/ui/qt_printer.h"
#include "util/ui/qt_text.h"

namespace cz {

namespace {

constexpr int kTabWidth = 539;
constexpr int kTabHeight = 372;

QLabel* label(const char* name, const char* text, QRect geometry, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setGeometry(geometry);
  return l;
}

QLineEdit* lineEdit(const char* name, QRect geometry, QWidget* parent) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setGeometry(geometry);
  return e;
}

QPushButton* button(const char* name, const char* text, QRect geometry, int radius,
                    QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setGeometry(geometry);
  b->setAutoDefault(false);
  b->setStyleSheet(QString("QPushButton { border: 1px solid #8aa9cf; border-radius: %1px;"
                           " background: #eef4fb; }"
                           "QPushButton:hover { background: #dce9f8; }"
                           "QPushButton:pressed { background: #c7dbf3; }")
                       .arg(radius));
  return b;
}

}  // namespace

SettingsWindow::SettingsWindow(AppContext& app, QWidget* owner)
    : QWidget(owner, Qt::Window),
      m_dialogs(this),
      m_printer(std::make_unique<QtPrinter>(this)),
      m_backupScreen(this),
      m_presenter(app, m_dialogs, *m_printer, &m_backupScreen) {
  setObjectName("设置");
  setWindowTitle("设置");
  setFixedSize(563, 416);
  move(50, 50);
  setAttribute(Qt::WA_DeleteOnClose);

  // The tab control: pages cover the whole control under the tab bar, so every control sits at
  // its position within the control.
  m_tabs = new QWidget(this);
  m_tabs->setObjectName("高级选择夹1");
  m_tabs->setGeometry(8, 8, kTabWidth, kTabHeight);
  m_tabBar = new QTabBar(m_tabs);
  m_tabBar->setDrawBase(false);
  const int barHeight = 24;
  auto* frame = new QFrame(m_tabs);
  frame->setFrameShape(QFrame::StyledPanel);
  frame->setGeometry(0, barHeight - 1, kTabWidth, kTabHeight - barHeight + 1);
  m_pages = new QStackedWidget(m_tabs);
  m_pages->setGeometry(0, 0, kTabWidth, kTabHeight);
  m_tabBar->raise();

  QWidget* printing = addPage("打印设置");
  label("透明标签1", "打印票头：", {16, 45, 64, 24}, printing);
  m_header = lineEdit("编辑框票头", {80, 40, 448, 32}, printing);
  label("透明标签2", "打印票尾：", {16, 85, 64, 24}, printing);
  m_footer = new QPlainTextEdit(printing);
  m_footer->setObjectName("编辑框票尾");
  m_footer->setGeometry(80, 80, 448, 64);
  label("透明标签3", "打印边距", {16, 163, 64, 24}, printing);
  label("透明标签4", "横向偏移", {83, 163, 64, 24}, printing);
  m_horizontal = lineEdit("编辑框横", {144, 161, 62, 27}, printing);
  label("透明标签5", "纵向偏移", {248, 163, 64, 24}, printing);
  m_vertical = lineEdit("编辑框纵", {309, 161, 62, 27}, printing);
  label("透明标签6", "开启打印功能", {16, 211, 80, 24}, printing);
  m_printing = new SwitchButton(printing);
  m_printing->setObjectName("图形打印");
  m_printing->setGeometry(103, 208, 55, 30);
  label("透明标签10", "开启打印对话框", {182, 209, 98, 24}, printing);
  m_printDialog = new SwitchButton(printing);
  m_printDialog->setObjectName("图形打印对话");
  m_printDialog->setGeometry(279, 206, 55, 30);
  // The receipt printer: system printing or ESC/POS straight to the printer, and the drawer.
  label("透明标签方式", "打印方式", {16, 253, 64, 24}, printing);
  m_method = new QComboBox(printing);
  m_method->setObjectName("组合框方式");
  m_method->setGeometry(80, 251, 100, 27);
  m_method->addItems({"系统", "ESCPOS"});
  label("透明标签纸宽", "纸宽", {204, 253, 36, 24}, printing);
  m_paperWidth = new QComboBox(printing);
  m_paperWidth->setObjectName("组合框纸宽");
  m_paperWidth->setGeometry(240, 251, 90, 27);
  m_paperWidth->addItems({"58毫米", "80毫米"});
  label("透明标签钱箱", "开启钱箱", {354, 253, 56, 24}, printing);
  m_drawer = new SwitchButton(printing);
  m_drawer->setObjectName("图形钱箱");
  m_drawer->setGeometry(413, 249, 55, 30);
  label("透明标签设备", "打印设备", {16, 293, 64, 24}, printing);
  m_device = lineEdit("编辑框设备", {80, 291, 448, 27}, printing);
  m_device->setPlaceholderText("如 /dev/usb/lp0、192.168.1.100:9100 或 CUPS 打印队列名");
  QPushButton* testPage = button("超级测试页", "打印测试页", {80, 331, 90, 26}, 3, printing);
  QPushButton* drawer = button("超级钱箱", "开钱箱", {176, 331, 70, 26}, 3, printing);

  QWidget* suppliers = addPage("供应商");
  m_supplierPage = new SupplierPage(m_presenter.suppliers(), suppliers);

  QWidget* other = addPage("其他功能");
  QPushButton* accounts = button("超级账号", "账号管理", {12, 31, 100, 26}, 3, other);
  QPushButton* clearLog = button("超级清空", "清空日志", {114, 31, 100, 26}, 3, other);
  QPushButton* checkLog = button("超级检测", "检测日志", {216, 31, 63, 26}, 3, other);
  m_logCount = label("透明标签日志", "日志条数：", {287, 32, 128, 24}, other);
  label("透明标签8", "页面显示条数", {16, 72, 80, 24}, other);
  m_rowsPerPage = lineEdit("编辑框页数", {103, 69, 64, 27}, other);
  label("透明标签9", "*设置报表每页要显示的条数", {176, 72, 248, 24}, other);
  // Read-only, so a long path can be scrolled through and copied.
  label("透明标签数据", "数据文件夹", {16, 112, 80, 24}, other);
  auto* dataFolder = lineEdit("编辑框数据文件夹", {103, 109, 425, 27}, other);
  dataFolder->setReadOnly(true);
  dataFolder->setText(qs(m_presenter.dataFolder()));
  dataFolder->setCursorPosition(0);
  dataFolder->setToolTip(dataFolder->text());

  // The shift: the report of the running shift, and the latest closes to print again.
  QPushButton* shiftReport = button("超级当班报表", "当班报表", {12, 146, 100, 26}, 3, other);
  // The till's switches ([收银]).
  const auto tillSwitch = [&](const char* name, const char* caption, int x) {
    label((std::string("透明标签") + name).c_str(), caption, {x, 147, 56, 24}, other);
    auto* s = new SwitchButton(other);
    s->setObjectName(QString::fromUtf8("图形") + QString::fromUtf8(name));
    s->setGeometry(x + 56, 144, 55, 30);
    return s;
  };
  m_paymentWindow = tillSwitch("收款窗口", "收款窗口", 120);
  m_fuzzyLookup = tillSwitch("模糊查找", "模糊查找", 240);
  m_strictSecurity = tillSwitch("加强安全", "加强安全", 360);
  m_closes = new QListWidget(other);
  m_closes->setObjectName("列表交班");
  m_closes->setGeometry(12, 178, 425, 96);
  m_closes->setToolTip("最近30次交班，双击重打");
  QPushButton* reprintClose = button("超级重打交班", "重打交班报表", {446, 178, 86, 26}, 3, other);
  QPushButton* refreshCloses = button("超级刷新交班", "刷新", {446, 210, 86, 26}, 3, other);

  // The data backups, in one group at the foot of the page.
  auto* backups = new QGroupBox("数据备份", other);
  backups->setObjectName("分组备份");
  backups->setGeometry(12, 280, 425, 82);
  QPushButton* backupNow = button("超级备份", "立即备份", {10, 22, 90, 26}, 3, backups);
  QPushButton* restore = button("超级恢复", "恢复…", {106, 22, 90, 26}, 3, backups);
  QPushButton* checkDatabase =
      button("超级检查数据库", "检查数据库", {202, 22, 90, 26}, 3, backups);
  QLabel* folder = label("透明标签备份位置", "", {10, 52, 405, 22}, backups);
  const QString folderText = qs(m_presenter.backupFolder());
  folder->setText(
      folder->fontMetrics().elidedText("备份位置：" + folderText, Qt::ElideMiddle, 405));
  folder->setToolTip(folderText);

  QPushButton* save = button("超级保存", "保存配置", {454, 337, 89, 38}, 5, this);
  save->raise();

  connect(m_tabBar, &QTabBar::currentChanged, m_pages, &QStackedWidget::setCurrentIndex);
  connect(m_header, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_presenter.headerChanged(ss(text)); });
  connect(m_footer, &QPlainTextEdit::textChanged, this,
          [this] { m_presenter.footerChanged(ss(m_footer->toPlainText())); });
  connect(m_horizontal, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_presenter.horizontalChanged(ss(text)); });
  connect(m_vertical, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_presenter.verticalChanged(ss(text)); });
  connect(m_rowsPerPage, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_presenter.rowsPerPageChanged(ss(text)); });
  connect(m_printing, &SwitchButton::clicked, this, [this](bool on) {
    m_presenter.printingSwitched(on);
    render();
  });
  connect(m_printDialog, &SwitchButton::clicked, this, [this](bool on) {
    m_presenter.printDialogSwitched(on);
    render();
  });
  connect(m_method, &QComboBox::currentIndexChanged, this, [this](int index) {
    m_presenter.printMethodChanged(index == 1 ? PrintMethod::EscPos : PrintMethod::System);
  });
  connect(m_paperWidth, &QComboBox::currentIndexChanged, this,
          [this](int index) { m_presenter.paperWidthChanged(index == 1 ? 80 : 58); });
  connect(m_device, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_presenter.deviceChanged(ss(text)); });
  connect(m_drawer, &SwitchButton::clicked, this, [this](bool on) {
    m_presenter.drawerSwitched(on);
    render();
  });
  connect(testPage, &QPushButton::clicked, this, [this] { m_presenter.testPageClicked(); });
  connect(drawer, &QPushButton::clicked, this, [this] { m_presenter.openDrawerClicked(); });
  connect(save, &QPushButton::clicked, this, [this] {
    m_presenter.saveClicked();
    render();
  });
  connect(accounts, &QPushButton::clicked, this, [this] { m_presenter.accountsClicked(); });
  connect(m_paymentWindow, &SwitchButton::clicked, this, [this](bool on) {
    m_presenter.paymentWindowSwitched(on);
    render();
  });
  connect(m_fuzzyLookup, &SwitchButton::clicked, this, [this](bool on) {
    m_presenter.fuzzyLookupSwitched(on);
    render();
  });
  connect(m_strictSecurity, &SwitchButton::clicked, this, [this](bool on) {
    m_presenter.strictSecuritySwitched(on);
    render();
  });
  connect(shiftReport, &QPushButton::clicked, this, [this] { m_presenter.shiftReportClicked(); });
  connect(reprintClose, &QPushButton::clicked, this,
          [this] { m_presenter.reprintCloseClicked(m_closes->currentRow()); });
  connect(m_closes, &QListWidget::itemDoubleClicked, this,
          [this] { m_presenter.reprintCloseClicked(m_closes->currentRow()); });
  connect(refreshCloses, &QPushButton::clicked, this, [this] {
    m_presenter.refreshClosesClicked();
    render();
  });
  connect(checkLog, &QPushButton::clicked, this, [this] {
    m_presenter.checkLogClicked();
    render();
  });
  connect(clearLog, &QPushButton::clicked, this, [this] {
    m_presenter.clearLogClicked();
    render();
  });
  connect(backupNow, &QPushButton::clicked, this, [this] { m_presenter.backupNowClicked(); });
  connect(restore, &QPushButton::clicked, this, [this] { chooseBackupToRestore(); });
  connect(checkDatabase, &QPushButton::clicked, this,
          [this] { m_presenter.checkDatabaseClicked(); });
}

void SettingsWindow::chooseBackupToRestore() {
  if (!m_presenter.restoreClicked()) return;
  // On the heap: exit or a shift change may destroy this window, and the dialog with it, while
  // the dialog waits.
  const QPointer<QFileDialog> dialog =
      new QFileDialog(this, "选择要恢复的备份", qs(m_presenter.backupFolder()),
                      "备份文件 (data-*.db);;数据库文件 (*.db);;所有文件 (*)");
  dialog->setObjectName("选择备份");
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setFileMode(QFileDialog::ExistingFile);
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setLabelText(QFileDialog::LookIn, "查找范围：");
  dialog->setLabelText(QFileDialog::FileName, "文件名：");
  dialog->setLabelText(QFileDialog::FileType, "文件类型：");
  dialog->setLabelText(QFileDialog::Accept, "打开");
  dialog->setLabelText(QFileDialog::Reject, "取消");
  const bool accepted = dialog->exec() == QDialog::Accepted;
  if (!dialog) return;
  const QStringList chosen = dialog->selectedFiles();
  delete dialog.data();
  if (accepted && !chosen.isEmpty()) m_presenter.restoreChosen(ss(chosen.front()));
}

SettingsWindow::~SettingsWindow() {
  // The views go before the presenter whose grid they show.
  delete m_tabs;
}

QWidget* SettingsWindow::addPage(const QString& title) {
  auto* page = new QWidget(m_pages);
  m_pages->addWidget(page);
  m_tabBar->addTab(title);
  return page;
}

void SettingsWindow::created() {
  m_presenter.created();
  render();
}

void SettingsWindow::selectPage(SettingsPage page) {
  m_tabBar->setCurrentIndex(static_cast<int>(page));
}

void SettingsWindow::render() {
  QStringList closes;
  for (const std::string& text : m_presenter.closeListTexts()) closes << qs(text);
  if (m_closes->count() != closes.size() ||
      (m_closes->count() > 0 && m_closes->item(0)->text() != closes.front())) {
    m_closes->clear();
    m_closes->addItems(closes);
  }
  const auto setLine = [](QLineEdit* edit, const std::string& text) {
    if (ss(edit->text()) == text) return;
    const QSignalBlocker block(edit);
    edit->setText(qs(text));
  };
  setLine(m_header, m_presenter.header());
  setLine(m_horizontal, m_presenter.horizontalOffset());
  setLine(m_vertical, m_presenter.verticalOffset());
  setLine(m_rowsPerPage, m_presenter.rowsPerPage());
  setLine(m_device, m_presenter.device());
  {
    const QSignalBlocker blockMethod(m_method);
    m_method->setCurrentIndex(m_presenter.printMethod() == PrintMethod::EscPos ? 1 : 0);
    const QSignalBlocker blockWidth(m_paperWidth);
    m_paperWidth->setCurrentIndex(m_presenter.paperWidth() == 80 ? 1 : 0);
  }
  const QString footer = qsLines(m_presenter.footer());
  if (m_footer->toPlainText() != footer) {
    const QSignalBlocker block(m_footer);
    m_footer->setPlainText(footer);
  }
  const QSignalBlocker blockPrinting(m_printing);
  m_printing->setChecked(m_presenter.printingOn());
  const QSignalBlocker blockDialog(m_printDialog);
  m_printDialog->setChecked(m_presenter.printDialogOn());
  for (auto [view, on] : {std::pair{m_paymentWindow, m_presenter.paymentWindowOn()},
                          std::pair{m_fuzzyLookup, m_presenter.fuzzyLookupOn()},
                          std::pair{m_strictSecurity, m_presenter.strictSecurityOn()}}) {
    const QSignalBlocker block(view);
    view->setChecked(on);
  }
  const QSignalBlocker blockDrawer(m_drawer);
  m_drawer->setChecked(m_presenter.drawerOn());
  m_logCount->setText(qs(m_presenter.logCountCaption()));
}

}  // namespace cz
