#pragma once

#include <string>

namespace cz {

// How receipts reach the printer: through the system's printing (a driver for the printer), or
// as ESC/POS bytes sent straight to a receipt printer.
enum class PrintMethod { System, EscPos };

// The receipt printer's settings held in memory ([打印机] 方式, 设备, 纸宽, 钱箱). The defaults are
// those of a settings file without these keys, which prints through the system as before.
struct PrinterSettings {
  PrintMethod method = PrintMethod::System;
  // A device file (/dev/usb/lp0, a serial port), host:port of a network printer, or the name of
  // a CUPS queue; empty when none is set.
  std::string device;
  // Paper width in millimetres: 58 or 80.
  int paperWidth = 58;
  // Open the cash drawer after a 现金支付 checkout.
  bool cashDrawer = false;
};

}  // namespace cz
