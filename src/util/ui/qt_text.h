#pragma once

#include <QColor>
#include <QString>

#include <string>

#include "util/colour.h"

namespace cz {

// The logic layer speaks UTF-8 std::string; Qt speaks QString.
inline QString qs(const std::string& text) {
  return QString::fromStdString(text);
}
inline std::string ss(const QString& text) {
  return text.toStdString();
}

// Message texts use "\r\n" line breaks; Qt wants "\n".
inline QString qsLines(const std::string& text) {
  return qs(text).replace("\r\n", "\n");
}

inline QColor qcolor(Rgb colour) {
  return QColor(redOf(colour), greenOf(colour), blueOf(colour));
}

// Windows virtual-key code of a Qt key, as the grid and list key events report it
// (13 Enter, 46 Delete, …); 0 for keys without one.
int platformKeyCode(int qtKey);

}  // namespace cz
