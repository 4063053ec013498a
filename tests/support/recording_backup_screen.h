#pragma once

#include <string>
#include <vector>

#include "core/backup_service.h"

namespace cz::test {

// Records what backups show: progress windows and notices.
class RecordingBackupScreen : public BackupScreen {
 public:
  void showProgress(const std::string& text, bool blocking, std::function<void()> cancel) override {
    shown.push_back(text);
    progressOpen = true;
    lastBlocking = blocking;
    this->cancel = std::move(cancel);
  }
  void setProgress(std::int64_t done, std::int64_t total) override {
    lastDone = done;
    lastTotal = total;
  }
  void hideProgress() override {
    progressOpen = false;
    cancel = nullptr;
  }
  void notify(const std::string& text, const std::string& title, MessageIcon) override {
    notices.push_back(title + "|" + text);
  }

  std::vector<std::string> shown;
  std::vector<std::string> notices;
  bool progressOpen = false;
  bool lastBlocking = false;
  std::function<void()> cancel;
  std::int64_t lastDone = -1;
  std::int64_t lastTotal = -1;
};

}  // namespace cz::test
