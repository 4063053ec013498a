#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace cz {

// The drop shadow of a frameless window: a separate window, transparent to the mouse and drawn
// with per-pixel alpha, 5 pixels larger than its window on every side. It follows every move and
// resize of its window, shows and hides with it, and is destroyed with it (it is its child).
class ShadowWindow : public QWidget {
  Q_OBJECT
 public:
  ShadowWindow(QWidget* target, const QColor& colour);

  QColor colour() const { return m_colour; }
  void setColour(const QColor& colour);
  // Moves and sizes the shadow to its window's frame and repaints it; a window without area
  // leaves the shadow as it was.
  void follow();
  // The shadow's picture at its current size: five one-pixel rings in the colour, from alpha 5
  // on the outside to 65 just outside the window, transparent elsewhere.
  QImage picture() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void showWithTarget();

  QWidget* m_target;
  QColor m_colour;
};

// Gives `window` a shadow in `colour`. A window that has one keeps it and only takes the new
// colour, so applying twice neither adds a second shadow nor follows the window twice.
ShadowWindow* applyShadow(QWidget* window, const QColor& colour);

// The shadow of `window`, or nullptr.
ShadowWindow* shadowOf(QWidget* window);

// Draws the whole of `window` with the constant opacity alpha / 255.
void makeTranslucent(QWidget* window, int alpha);

}  // namespace cz
