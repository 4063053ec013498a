#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace cz {

using Deadline = std::chrono::steady_clock::time_point;

// Where the receipt printer of the [打印机] 设备 key is reached.
struct PrinterTarget {
  enum class Kind { None, DeviceFile, Network, CupsQueue };
  Kind kind = Kind::None;
  std::string path;  // device file, or the CUPS queue's name
  std::string host;  // network printer
  int port = 0;
};

// Reads a 设备 text: a path starting with "/" is a device file (/dev/usb/lp0, a serial port);
// "host:port" with a port of 1 to 65535 is a network printer ("[::1]:9100" for an IPv6 address);
// any other text is the name of a CUPS queue. Blanks around the text do not count; empty text is
// Kind::None.
PrinterTarget parsePrinterTarget(const std::string& device);

// One job's connection to a receipt printer. Every call gives up at its deadline, and at once
// when the cancel descriptor given to connectPrinter becomes readable.
class PrinterConnection {
 public:
  virtual ~PrinterConnection() = default;

  // Sends `request` and collects what the printer answers until `until`. Empty when it does not
  // answer, or when the connection cannot carry answers (a plain file, a CUPS queue).
  virtual std::string ask(std::string_view request, Deadline until) = 0;

  // Sends all of `bytes`. Empty text on success, otherwise the reason for the cashier.
  virtual std::string write(std::string_view bytes, Deadline deadline) = 0;

  // Ends the job once everything written has left: a network printer has received every byte, a
  // CUPS queue has accepted the document. Empty text on success, otherwise the reason.
  virtual std::string finish(Deadline deadline) = 0;
};

// Opens the connection to `target` by `deadline`. `cancelFd` is a descriptor that becomes
// readable when the job must stop, or -1. On failure returns nullptr and sets `error` to the
// reason for the cashier (in Chinese, naming the device).
std::unique_ptr<PrinterConnection> connectPrinter(const PrinterTarget& target, Deadline deadline,
                                                  int cancelFd, std::string& error);

// Opens libcups, loaded at the first CUPS job only; false with the reason when it cannot be opened.
bool loadCupsLibrary(std::string& error);

// A CUPS queue through libcups: the bytes go to the queue as one raw job.
std::unique_ptr<PrinterConnection> connectCupsQueue(const std::string& queue, Deadline deadline,
                                                    int cancelFd, std::string& error);

// The reason for the cashier of a system error number ("连接被拒绝", "设备不存在", …).
std::string systemErrorText(int error);

}  // namespace cz
