#pragma once

#include <string>

namespace cz {

// The receipt printer. A job is one page: start, the text calls, end. Texts are printed one
// below the other, breaking lines at "\r\n".
class Printer {
 public:
  virtual ~Printer() = default;
  // Starts a job on the default printer, or on the one the user picks in the print dialog when
  // `showDialog` is set. False when no job started (no printer, dialog cancelled); the other calls
  // then draw nothing.
  virtual bool startJob(bool showDialog) = 0;
  virtual void setBold(bool bold) = 0;
  // Font size in points.
  virtual void setFontSize(int points) = 0;
  // Moves the origin of everything printed after it by (x, y) tenths of a millimetre.
  virtual void setOrigin(int x, int y) = 0;
  // Prints the text at the current position, continuing below the text printed before.
  virtual void printText(const std::string& text) = 0;
  // Ends the page and the document.
  virtual void endJob() = 0;
};

// A machine without system printing: no job ever starts.
class NoPrinter : public Printer {
 public:
  bool startJob(bool) override { return false; }
  void setBold(bool) override {}
  void setFontSize(int) override {}
  void setOrigin(int, int) override {}
  void printText(const std::string&) override {}
  void endJob() override {}
};

}  // namespace cz
