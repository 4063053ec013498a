#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

namespace cz {

// Lets a left-button press on a widget move its top-level window, as a press on a caption bar
// would. Uses the window system's own move where it has one and follows the mouse otherwise.
class WindowDragger : public QObject {
  Q_OBJECT
 public:
  // Watches `surface` (the window itself or a part of it such as a bottom bar).
  explicit WindowDragger(QWidget* surface);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* m_surface;
  bool m_following = false;
  QPoint m_grabOffset;
};

}  // namespace cz
