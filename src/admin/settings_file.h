#pragma once

#include <string>
#include <vector>

#include "core/session.h"
#include "util/colour.h"

namespace cz {

// Reads the settings file into the settings held in memory (missing keys take their defaults),
// the theme colours included, and returns those colours. Run each time the main window is
// created.
ThemeColours loadSettings(const std::string& settingsPath, Settings& settings);

// The colours derived from a chosen base colour: the background lightens by 50 every channel
// that stays below 255, the second shade lightens the background by 40 likewise.
ThemeColours deriveTheme(Rgb base);

// Writes one key of the settings file. Returns empty text when it was written; otherwise the
// message for the user, naming the file and the reason.
std::string writeSetting(const std::string& settingsPath, const std::string& section,
                         const std::string& key, const std::string& value);

// The [称重] 前缀 setting as a list of two-digit flags: comma-separated (ASCII or full-width
// comma), blanks around each dropped; an entry that is not two digits is left out.
std::vector<std::string> scaleFlagsFromText(const std::string& text);

struct ColourChoice {
  ThemeColours colours;
  // Empty when the three 颜色 keys were written; otherwise a message naming the file and why.
  std::string error;
};

// The main window's colour picker chose `base`: derives the theme and writes 颜色/颜色, 颜色/背景
// and 颜色/表格 as decimal integers, stopping at the first key that cannot be written.
ColourChoice chooseColour(const std::string& settingsPath, Rgb base);

}  // namespace cz
