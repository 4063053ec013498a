#include "admin/settings_file.h"

#include <algorithm>
#include <utility>

#include "admin/printer_settings_file.h"
#include "util/ini_file.h"
#include "util/numbers.h"

namespace cz {

namespace {

Rgb readColour(const IniFile& file, const char* key) {
  const std::string text = file.read("颜色", key);
  if (text.empty()) return kNoColour;
  return static_cast<Rgb>(readInteger(text)) & 0xFFFFFFu;
}

int lighten(int channel, int by) {
  return channel + by < 255 ? channel + by : channel;
}

Rgb lightened(Rgb colour, int by) {
  return rgb(lighten(redOf(colour), by), lighten(greenOf(colour), by), lighten(blueOf(colour), by));
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string trimmedBlanks(std::string text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  size_t start = 0;
  while (start < text.size() && blank(text[start])) ++start;
  return text.substr(start);
}

bool twoDigits(const std::string& text) {
  return text.size() == 2 && text[0] >= '0' && text[0] <= '9' && text[1] >= '0' && text[1] <= '9';
}

}  // namespace

std::vector<std::string> scaleFlagsFromText(const std::string& text) {
  std::string commas = text;
  // The full-width comma (U+FF0C) counts as a comma.
  for (size_t at; (at = commas.find("\xEF\xBC\x8C")) != std::string::npos;) {
    commas.replace(at, 3, ",");
  }
  std::vector<std::string> flags;
  size_t start = 0;
  while (start <= commas.size()) {
    size_t comma = commas.find(',', start);
    if (comma == std::string::npos) comma = commas.size();
    const std::string flag = trimmedBlanks(commas.substr(start, comma - start));
    if (twoDigits(flag)) flags.push_back(flag);
    start = comma + 1;
  }
  return flags;
}


ThemeColours loadSettings(const std::string& settingsPath, Settings& settings) {
  const IniFile file(settingsPath);
  ThemeColours theme;
  theme.base = readColour(file, "颜色");
  theme.background = readColour(file, "背景");
  theme.second = readColour(file, "表格");
  settings.receiptHeader = file.read("打印机", "票头", "欢迎使用晨舟收银系统");
  settings.receiptFooter = replaceAll(file.read("打印机", "票尾"), "&", "\r\n");
  settings.horizontalOffset = file.read("打印机", "横边距", "0");
  settings.verticalOffset = file.read("打印机", "纵边距", "0");
  settings.printingEnabled = file.read("打印机", "打印", "真") != "假";
  settings.printDialogEnabled = file.read("打印机", "打印对话", "假") == "真";
  settings.rowsPerPage = static_cast<int>(readInteger(file.read("页数", "页数", "300")));
  settings.paymentWindow = file.read("收银", "收款窗口", "假") == "真";
  settings.fuzzyLookup = file.read("收银", "模糊查找", "假") == "真";
  settings.strictSecurity = file.read("收银", "加强安全", "假") == "真";
  settings.scale.enabled = file.read("称重", "启用", "假") == "真";
  settings.scale.flags = scaleFlagsFromText(file.read("称重", "前缀", "21,22"));
  settings.scale.thirteenDigitWeight = file.read("称重", "格式", "金额") == "重量";
  settings.stockWarningLevel = std::max(0.0, readNumber(file.read("库存", "预警", "0")));
  settings.theme = theme;
  loadPrinterSettings(file, settings.printer);
  return theme;
}

ThemeColours deriveTheme(Rgb base) {
  ThemeColours theme;
  theme.base = base;
  theme.background = lightened(base, 50);
  theme.second = lightened(theme.background, 40);
  return theme;
}

std::string writeSetting(const std::string& settingsPath, const std::string& section,
                         const std::string& key, const std::string& value) {
  const IniFile::WriteResult result = IniFile(settingsPath).write(section, key, value);
  if (result) return {};
  return "无法写入配置文件：" + settingsPath + "\r\n原因：" + result.reason;
}

ColourChoice chooseColour(const std::string& settingsPath, Rgb base) {
  ColourChoice choice;
  choice.colours = deriveTheme(base);
  const std::pair<const char*, Rgb> keys[] = {{"颜色", choice.colours.base},
                                              {"背景", choice.colours.background},
                                              {"表格", choice.colours.second}};
  for (const auto& [key, colour] : keys) {
    choice.error = writeSetting(settingsPath, "颜色", key, integerText(colour));
    if (!choice.error.empty()) break;
  }
  return choice;
}

}  // namespace cz
