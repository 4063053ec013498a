#include "core/ui/qt_dialogs.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

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

bool QtDialogs::ask(const std::string& text, const std::string& title) {
  QMessageBox box(QMessageBox::NoIcon, qs(title), qsLines(text), QMessageBox::Yes | QMessageBox::No,
                  visibleOwner(m_owner));
  box.button(QMessageBox::Yes)->setText("是");
  box.button(QMessageBox::No)->setText("否");
  box.setDefaultButton(QMessageBox::Yes);
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

}  // namespace cz
