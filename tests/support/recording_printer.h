#pragma once

#include <string>
#include <vector>

#include "printing/printer.h"

namespace cz::test {

// Records every printer call in order ("start", "start:dialog", "bold", "size:12",
// "origin:0,0", "text", "end") and keeps the printed texts.
class RecordingPrinter : public Printer {
 public:
  bool startJob(bool showDialog) override {
    calls.push_back(showDialog ? "start:dialog" : "start");
    return jobStarts;
  }
  void setBold(bool bold) override { calls.push_back(bold ? "bold" : "regular"); }
  void setFontSize(int points) override { calls.push_back("size:" + std::to_string(points)); }
  void setOrigin(int x, int y) override {
    calls.push_back("origin:" + std::to_string(x) + "," + std::to_string(y));
  }
  void printText(const std::string& text) override {
    calls.push_back("text");
    texts.push_back(text);
  }
  void endJob() override { calls.push_back("end"); }

  // What startJob answers: false stands for no printer or a cancelled dialog.
  bool jobStarts = true;
  std::vector<std::string> calls;
  std::vector<std::string> texts;
};

}  // namespace cz::test
