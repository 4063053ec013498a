#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QRect>
#include <QWidget>

#include <functional>
#include <string>

#include "util/colour.h"

namespace cz {

// Small builders shared by the catalogue's add windows.

// Paints the window's background in `colour`; kNoColour keeps the designed one.
void applyBackground(QWidget& window, Rgb colour);
// A label with its name, caption and place.
QLabel* addLabel(QWidget& window, const char* name, const char* text, const QRect& place);
// An edit box with its name and place; each edit the user makes is handed to `edited`.
QLineEdit* addEdit(QWidget& window, const char* name, const QRect& place,
                   std::function<void(const QString&)> edited);
// Shows `text` in the box unless it already does (so the cursor stays where it is).
void showText(QLineEdit& box, const std::string& text);

}  // namespace cz
