#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <string>

class QWidget;

namespace cz {

// What a barcode scanner typed into a message box: the characters, and whether Enter ended
// them (a whole scan) or the box closed first.
struct CaughtScan {
  std::string text;
  bool entered = false;
};

// While a message box of the main window is open, keeps the characters typed into it instead
// of letting them vanish, and keeps the Enter that ends them from answering the box: a scanner
// sends Enter after every code, and a code scanned over a question must neither answer it nor
// be lost. The sale enters the caught codes once the box is closed.
class ScanCatcher : public QObject {
 public:
  // `window` is the main window: keys typed there are its own and never caught.
  explicit ScanCatcher(QWidget* window);

  // Catches from construction until destruction; nests.
  class Scope {
   public:
    explicit Scope(ScanCatcher& catcher);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    ScanCatcher& m_catcher;
  };

  // The scans caught so far, oldest first; clears them.
  std::deque<CaughtScan> take();
  bool empty() const { return m_scans.empty(); }
  // Called when the last open box has closed with scans caught, whoever showed the box.
  void setOnCaught(std::function<void()> onCaught) { m_onCaught = std::move(onCaught); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* m_window;
  int m_depth = 0;
  std::string m_typed;
  std::deque<CaughtScan> m_scans;
  std::function<void()> m_onCaught;
};

}  // namespace cz
