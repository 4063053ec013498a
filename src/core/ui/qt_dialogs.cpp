#include "core/ui/qt_dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QHeaderView>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>

#include "util/ui/qt_text.h"

namespace cz {

namespace {

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

// An owner moved off-screen would take its message box with it; such a box is centred on the
// screen instead.
QWidget* visibleOwner(QWidget* owner) {
  if (!owner || !owner->isVisible() || owner->x() < -1000) return nullptr;
  return owner;
}

}  // namespace

void QtDialogs::message(const std::string& text, const std::string& title, MessageIcon icon) {
  QMessageBox box(qtIcon(icon), qs(title), qsLines(text), QMessageBox::Ok, visibleOwner(m_owner));
  box.button(QMessageBox::Ok)->setText("确定");
  box.exec();
}

bool QtDialogs::ask(const std::string& text, const std::string& title, Answer byDefault) {
  QMessageBox box(QMessageBox::NoIcon, qs(title), qsLines(text), QMessageBox::Yes | QMessageBox::No,
                  visibleOwner(m_owner));
  box.button(QMessageBox::Yes)->setText("是");
  box.button(QMessageBox::No)->setText("否");
  box.setDefaultButton(byDefault == Answer::Yes ? QMessageBox::Yes : QMessageBox::No);
  // Esc and the close mark answer 否 either way.
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtDialogs::input(const std::string& prompt, const std::string& title,
                                            const std::string& initial) {
  bool ok = false;
  const QString text = QInputDialog::getText(visibleOwner(m_owner), qs(title), qsLines(prompt),
                                             QLineEdit::Normal, qs(initial), &ok);
  if (!ok) return std::nullopt;
  return ss(text);
}

std::optional<int> QtDialogs::choose(const std::string& title,
                                     const std::vector<std::string>& headers,
                                     const std::vector<std::vector<std::string>>& rows) {
  QDialog dialog(visibleOwner(m_owner));
  dialog.setObjectName(qs(title));
  dialog.setWindowTitle(qs(title));
  dialog.resize(640, 360);
  auto* table =
      new QTableWidget(static_cast<int>(rows.size()), static_cast<int>(headers.size()), &dialog);
  table->setObjectName("列表选择");
  table->setGeometry(8, 8, 624, 344);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->verticalHeader()->hide();
  QStringList labels;
  for (const std::string& header : headers) labels << qs(header);
  table->setHorizontalHeaderLabels(labels);
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t c = 0; c < rows[r].size() && c < headers.size(); ++c) {
      table->setItem(static_cast<int>(r), static_cast<int>(c),
                     new QTableWidgetItem(qs(rows[r][c])));
    }
  }
  table->resizeColumnsToContents();
  if (!rows.empty()) table->selectRow(0);
  QObject::connect(table, &QTableWidget::cellDoubleClicked, &dialog, &QDialog::accept);
  // Enter in the table accepts: the dialog's default handling of Enter needs a default button.
  auto* enter = new QShortcut(QKeySequence(Qt::Key_Return), &dialog);
  QObject::connect(enter, &QShortcut::activated, &dialog, &QDialog::accept);
  auto* enterPad = new QShortcut(QKeySequence(Qt::Key_Enter), &dialog);
  QObject::connect(enterPad, &QShortcut::activated, &dialog, &QDialog::accept);
  table->setFocus();
  if (dialog.exec() != QDialog::Accepted || table->currentRow() < 0) return std::nullopt;
  return table->currentRow();
}

std::optional<std::string> QtDialogs::saveFileName(const std::string& title,
                                                   const std::string& suggested,
                                                   const std::vector<std::string>& filters) {
  QStringList filterList;
  for (const std::string& filter : filters) filterList << qs(filter);
  // On the heap: the owner may go while the dialog waits, and the dialog with it.
  const QPointer<QFileDialog> dialog =
      new QFileDialog(visibleOwner(m_owner), qs(title), qs(suggested), filterList.join(";;"));
  dialog->setObjectName("保存文件");
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setLabelText(QFileDialog::LookIn, "保存位置：");
  dialog->setLabelText(QFileDialog::FileName, "文件名：");
  dialog->setLabelText(QFileDialog::FileType, "保存类型：");
  dialog->setLabelText(QFileDialog::Accept, "保存");
  dialog->setLabelText(QFileDialog::Reject, "取消");
  dialog->selectFile(qs(suggested));
  const bool accepted = dialog->exec() == QDialog::Accepted;
  if (!dialog) return std::nullopt;
  const QStringList chosen = dialog->selectedFiles();
  const QString filter = dialog->selectedNameFilter();
  delete dialog.data();
  if (!accepted || chosen.isEmpty()) return std::nullopt;
  QString path = chosen.front();
  // A name without an ending takes the chosen type's: "(*.xlsx)" gives ".xlsx".
  const QRegularExpressionMatch ending =
      QRegularExpression(QStringLiteral("\\*(\\.[A-Za-z0-9]+)")).match(filter);
  if (QFileInfo(path).suffix().isEmpty() && ending.hasMatch()) path += ending.captured(1);
  return ss(path);
}

}  // namespace cz
