#include "admin/printer_settings_file.h"

#include <cctype>

#include "util/ini_file.h"

namespace cz {

namespace {

std::string trimmedUpper(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
  while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
  std::string out = text.substr(first, last - first);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace

PrintMethod readPrintMethod(const std::string& text) {
  return trimmedUpper(text) == kEscPosMethodText ? PrintMethod::EscPos : PrintMethod::System;
}

const char* printMethodText(PrintMethod method) {
  return method == PrintMethod::EscPos ? kEscPosMethodText : kSystemMethodText;
}

int readPaperWidth(const std::string& text) {
  return trimmedUpper(text) == "80" ? 80 : 58;
}

void loadPrinterSettings(const IniFile& file, PrinterSettings& printer) {
  printer.method = readPrintMethod(file.read("打印机", "方式", kSystemMethodText));
  printer.device = file.read("打印机", "设备");
  printer.paperWidth = readPaperWidth(file.read("打印机", "纸宽", "58"));
  printer.cashDrawer = file.read("打印机", "钱箱", "假") == "真";
}

}  // namespace cz
