#include "catalogue/ui/form_widgets.h"

#include "util/ui/qt_text.h"

namespace cz {

void applyBackground(QWidget& window, Rgb colour) {
  if (colour == kNoColour) return;
  QPalette p = window.palette();
  p.setColor(QPalette::Window, qcolor(colour));
  window.setPalette(p);
  window.setAutoFillBackground(true);
}

QLabel* addLabel(QWidget& window, const char* name, const char* text, const QRect& place) {
  auto* label = new QLabel(QString::fromUtf8(text), &window);
  label->setObjectName(QString::fromUtf8(name));
  label->setGeometry(place);
  return label;
}

QLineEdit* addEdit(QWidget& window, const char* name, const QRect& place,
                   std::function<void(const QString&)> edited) {
  auto* box = new QLineEdit(&window);
  box->setObjectName(QString::fromUtf8(name));
  box->setGeometry(place);
  QObject::connect(box, &QLineEdit::textEdited, &window, std::move(edited));
  return box;
}

void showText(QLineEdit& box, const std::string& text) {
  const QString wanted = qs(text);
  if (box.text() != wanted) box.setText(wanted);
}

}  // namespace cz
