#pragma once

#include <QPointer>
#include <QWidget>

#include "core/dialogs.h"

namespace cz {

// Message boxes and questions owned by one window.
class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* owner) : m_owner(owner) {}

  void message(const std::string& text, const std::string& title, MessageIcon icon) override;
  bool ask(const std::string& text, const std::string& title, Answer byDefault) override;
  std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                   const std::string& initial) override;
  // A modal list of the rows; Enter or a double click picks the current row.
  std::optional<int> choose(const std::string& title, const std::vector<std::string>& headers,
                            const std::vector<std::vector<std::string>>& rows) override;
  // Qt's own file dialog (not the desktop's), so every text in it is Chinese.
  std::optional<std::string> saveFileName(const std::string& title, const std::string& suggested,
                                          const std::vector<std::string>& filters) override;

 private:
  QPointer<QWidget> m_owner;
};

}  // namespace cz
