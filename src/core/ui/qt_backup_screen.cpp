#include "core/ui/qt_backup_screen.h"

#include <algorithm>

#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

#include "util/ui/qt_text.h"

namespace cz {

namespace {

// Progress bars count in thousandths, whatever the number of pages.
constexpr int kScale = 1000;

QMessageBox::Icon qtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QtBackupScreen::~QtBackupScreen() {
  delete m_progress.data();
}

void QtBackupScreen::showProgress(const std::string& text, bool blocking,
                                  std::function<void()> cancel) {
  hideProgress();
  // An owner moved off-screen (the login window while somebody works) would take the dialog
  // with it; the dialog is then centred on the screen.
  QWidget* owner =
      m_owner && m_owner->isVisible() && m_owner->x() > -1000 ? m_owner.data() : nullptr;
  auto* dialog = new QProgressDialog(qsLines(text), QString(), 0, 0, owner);
  dialog->setObjectName("备份进度");
  dialog->setWindowTitle("数据备份");
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setAutoReset(false);
  dialog->setAutoClose(false);
  dialog->setMinimumDuration(0);
  dialog->setMinimumWidth(360);
  dialog->setWindowModality(blocking ? Qt::ApplicationModal : Qt::NonModal);
  if (cancel) {
    auto* button = new QPushButton("取消", dialog);
    button->setObjectName("超级取消");
    dialog->setCancelButton(button);
    QObject::connect(dialog, &QProgressDialog::canceled, dialog, [dialog, cancel] {
      // The work stops at its next step; its outcome closes this dialog.
      dialog->setLabelText("正在取消…");
      cancel();
    });
  } else {
    dialog->setCancelButton(nullptr);
  }
  m_progress = dialog;
  dialog->show();
}

void QtBackupScreen::setProgress(std::int64_t done, std::int64_t total) {
  if (!m_progress) return;
  if (total <= 0) {
    m_progress->setRange(0, 0);
    return;
  }
  m_progress->setRange(0, kScale);
  m_progress->setValue(
      static_cast<int>(std::clamp<std::int64_t>(done * kScale / total, 0, kScale)));
}

void QtBackupScreen::hideProgress() {
  if (!m_progress) return;
  QProgressDialog* dialog = m_progress.data();
  m_progress = nullptr;
  dialog->hide();
  dialog->deleteLater();
}

void QtBackupScreen::notify(const std::string& text, const std::string& title, MessageIcon icon) {
  auto* box = new QMessageBox(qtIcon(icon), qs(title), qsLines(text), QMessageBox::Ok);
  box->setObjectName("备份通知");
  box->button(QMessageBox::Ok)->setText("确定");
  box->setAttribute(Qt::WA_DeleteOnClose);
  // Shown beside the till without taking its keyboard: a scan goes on into the barcode box.
  box->setAttribute(Qt::WA_ShowWithoutActivating);
  box->setWindowFlag(Qt::WindowDoesNotAcceptFocus);
  box->setWindowFlag(Qt::WindowStaysOnTopHint);
  box->setWindowModality(Qt::NonModal);
  box->show();
}

}  // namespace cz
