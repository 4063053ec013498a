#pragma once

#include <QPointer>
#include <QWidget>

#include "core/backup_service.h"

class QProgressDialog;

namespace cz {

// Progress of backups as a QProgressDialog over its owner (or centred on the screen without
// one), and notices as message boxes that neither wait nor take the keyboard.
class QtBackupScreen : public BackupScreen {
 public:
  explicit QtBackupScreen(QWidget* owner = nullptr) : m_owner(owner) {}
  ~QtBackupScreen() override;

  void showProgress(const std::string& text, bool blocking, std::function<void()> cancel) override;
  void setProgress(std::int64_t done, std::int64_t total) override;
  void hideProgress() override;
  void notify(const std::string& text, const std::string& title, MessageIcon icon) override;

 private:
  QPointer<QWidget> m_owner;
  QPointer<QProgressDialog> m_progress;
};

}  // namespace cz
