#include "cashier/tracked_dialogs.h"

namespace cz {

namespace {

// Counts one open box for as long as it lives.
class OpenBox {
 public:
  explicit OpenBox(int& open) : m_open(open) { ++m_open; }
  ~OpenBox() { --m_open; }
  OpenBox(const OpenBox&) = delete;
  OpenBox& operator=(const OpenBox&) = delete;

 private:
  int& m_open;
};

}  // namespace

void TrackedDialogs::message(const std::string& text, const std::string& title, MessageIcon icon) {
  const OpenBox box(m_open);
  m_inner.message(text, title, icon);
}

bool TrackedDialogs::ask(const std::string& text, const std::string& title, Answer byDefault) {
  const OpenBox box(m_open);
  return m_inner.ask(text, title, byDefault);
}

std::optional<std::string> TrackedDialogs::input(const std::string& prompt,
                                                 const std::string& title,
                                                 const std::string& initial) {
  const OpenBox box(m_open);
  return m_inner.input(prompt, title, initial);
}

std::optional<int> TrackedDialogs::choose(const std::string& title,
                                          const std::vector<std::string>& headers,
                                          const std::vector<std::vector<std::string>>& rows) {
  const OpenBox box(m_open);
  return m_inner.choose(title, headers, rows);
}

}  // namespace cz
