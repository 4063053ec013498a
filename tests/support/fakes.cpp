#include "support/fakes.h"

#include <gtest/gtest.h>

#include <ctime>

namespace cz::test {

void ScriptedDialogs::message(const std::string& text, const std::string& title, MessageIcon icon) {
  calls.push_back({"message", text, title, icon});
}

std::optional<int> ScriptedDialogs::choose(const std::string& title,
                                           const std::vector<std::string>& headers,
                                           const std::vector<std::vector<std::string>>& rows) {
  (void)headers;
  calls.push_back({"choose", title, title, MessageIcon::None});
  lastChoiceRows = rows;
  if (m_choices.empty()) {
    ADD_FAILURE() << "unexpected list: " << title;
    return std::nullopt;
  }
  const auto index = m_choices.front();
  m_choices.pop_front();
  return index;
}

bool ScriptedDialogs::ask(const std::string& text, const std::string& title, Answer byDefault) {
  calls.push_back({"ask", text, title, MessageIcon::None, byDefault});
  if (whileAsking) {
    // Run once: what happens while this box is open.
    auto during = std::move(whileAsking);
    whileAsking = nullptr;
    during();
  }
  if (m_answers.empty()) {
    ADD_FAILURE() << "unexpected question: " << text;
    return false;
  }
  const bool yes = m_answers.front();
  m_answers.pop_front();
  return yes;
}

std::optional<std::string> ScriptedDialogs::input(const std::string& prompt,
                                                  const std::string& title,
                                                  const std::string& /*initial*/) {
  calls.push_back({"input", prompt, title, MessageIcon::None});
  if (m_inputs.empty()) {
    ADD_FAILURE() << "unexpected input request: " << prompt;
    return std::nullopt;
  }
  auto text = m_inputs.front();
  m_inputs.pop_front();
  return text;
}

std::vector<std::string> ScriptedDialogs::messages() const {
  std::vector<std::string> texts;
  for (const Call& call : calls) {
    if (call.kind == "message") texts.push_back(call.text);
  }
  return texts;
}

void ManualUiQueue::post(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_tasks.push_back(std::move(task));
}

int ManualUiQueue::drain() {
  int ran = 0;
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_tasks.empty()) return ran;
      task = std::move(m_tasks.front());
      m_tasks.pop_front();
    }
    task();
    ++ran;
  }
}

std::size_t ManualUiQueue::pending() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_tasks.size();
}

void FixedClock::advanceSeconds(int seconds) {
  std::tm t{};
  t.tm_year = m_now.year - 1900;
  t.tm_mon = m_now.month - 1;
  t.tm_mday = m_now.day;
  t.tm_hour = m_now.hour;
  t.tm_min = m_now.minute;
  t.tm_sec = m_now.second + seconds;
  timegm(&t);  // normalises the fields
  m_now = {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

void RecordingWindows::openMainWindow() {
  calls.push_back("openMain");
  m_mainLoaded = true;
  if (onOpenMain) onOpenMain();
}

void RecordingWindows::destroyMainWindow() {
  calls.push_back("destroyMain");
  if (!m_mainLoaded) return;
  m_mainLoaded = false;
  if (onDestroyMain) onDestroyMain();
}

}  // namespace cz::test
