#pragma once

#include <QObject>
#include <QPointer>

class QLabel;

namespace cz {

// Shows that the program waits for the database server, for Database::setWaitHook: the busy
// cursor and a line over the main window's bottom bar, painted at once (the UI thread is inside
// the server call, so nothing else runs), and input typed meanwhile dropped rather than acted on
// when the call ends.
class ServerWaitIndicator : public QObject {
 public:
  explicit ServerWaitIndicator(QObject* parent = nullptr);
  ~ServerWaitIndicator() override;

  void waiting(bool on);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QLabel> m_line;
  bool m_waiting = false;
  bool m_filtering = false;
  // Counts the waits, so the end of an earlier one does not lift a later one's filter.
  unsigned m_wait = 0;
};

}  // namespace cz
