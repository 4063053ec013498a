#pragma once

#include <string>

#include "core/printer_settings.h"

namespace cz {

class IniFile;

// The texts of the [打印机] keys 方式 and 纸宽 as the file holds them.
inline constexpr const char* kSystemMethodText = "系统";
inline constexpr const char* kEscPosMethodText = "ESCPOS";

// 方式: "ESCPOS" (any ASCII case, blanks around it ignored) sends ESC/POS; anything else, a
// missing key included, prints through the system.
PrintMethod readPrintMethod(const std::string& text);
const char* printMethodText(PrintMethod method);

// 纸宽: 80 for "80", otherwise 58 (the narrower paper, so nothing is cut off).
int readPaperWidth(const std::string& text);

// Reads 方式, 设备, 纸宽 and 钱箱 of [打印机]; missing keys keep today's behaviour (system
// printing, no device, 58 mm, no drawer).
void loadPrinterSettings(const IniFile& file, PrinterSettings& printer);

}  // namespace cz
