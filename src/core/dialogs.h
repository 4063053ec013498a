#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cz {

enum class MessageIcon { None, Information, Warning };

// The button a question's Enter and Space answer. A question that throws work away defaults to
// 否, since a barcode scanner sends Enter after every code.
enum class Answer { Yes, No };

// The title of every message box that is not given one.
inline constexpr const char* kDefaultTitle = "信息：";

// Message boxes and questions. Each window gets its own instance, so every box is owned by the
// window whose presenter asks.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // Shows a message with an OK button and waits until it is closed.
  virtual void message(const std::string& text, const std::string& title = kDefaultTitle,
                       MessageIcon icon = MessageIcon::None) = 0;

  // Asks a question with 是 / 否 buttons; true only for 是. `byDefault` is the button that Enter
  // and Space press.
  virtual bool ask(const std::string& text, const std::string& title = kDefaultTitle,
                   Answer byDefault = Answer::Yes) = 0;

  // Asks for one line of text; nothing when the user cancels.
  virtual std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                           const std::string& initial = {}) = 0;

  // Lists `rows` under `headers` and lets the user pick one with Enter or a double click; its
  // index, or nothing when the user cancels (Esc, the close mark). Where no list can be shown
  // nothing is picked.
  virtual std::optional<int> choose(const std::string& title,
                                    const std::vector<std::string>& headers,
                                    const std::vector<std::vector<std::string>>& rows) {
    (void)title, (void)headers, (void)rows;
    return std::nullopt;
  }

  // Asks for the name of a file to write, offering `suggested` and the `filters` (such as
  // "CSV 文件 (*.csv)"); a name typed without an ending gets the chosen filter's. Nothing when
  // the user cancels or where no such dialog can be shown.
  virtual std::optional<std::string> saveFileName(const std::string& title,
                                                  const std::string& suggested,
                                                  const std::vector<std::string>& filters) {
    (void)title, (void)suggested, (void)filters;
    return std::nullopt;
  }
};

}  // namespace cz
