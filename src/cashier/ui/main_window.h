#pragma once

#include <QPushButton>
#include <QWidget>
#include <memory>

#include "cashier/main_presenter.h"
#include "core/ui/qt_dialogs.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace cz {

class GridView;
class Hotkeys;
class ListView;
class ToolbarStrip;
class CheckoutButton;

// The main cashier window: frameless, the toolbar strip across the top, the cart grid, the bottom
// bar with the sale's entry boxes and labels, and 超级收款. Every control carries its name as
// objectName; the sale binds to them by that name.
class MainWindow : public QWidget, private MainWindowFrame {
  Q_OBJECT
 public:
  // `hotkeys` stands in for the platform's hotkeys (tests); by default the window takes F1 and F4
  // system-wide where it can, application-wide otherwise.
  explicit MainWindow(AppContext& app, std::unique_ptr<Hotkeys> hotkeys = nullptr,
                      QWidget* parent = nullptr);
  ~MainWindow() override;

  MainPresenter& presenter() { return m_presenter; }
  // The window's message boxes and questions. Whatever runs from this window shows its boxes
  // here, so that F1 or F4 pressed while one is open is ignored.
  Dialogs& dialogs() { return m_presenter.dialogs(); }
  // Called just before the window is destroyed by exit, shift change or the login's close.
  void aboutToBeDestroyed();
  // Shows the presenter's layout and colours.
  void render();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool isMaximised() const override;
  void minimise() override;
  void maximise() override;
  void showNormalCentred() override;
  std::optional<Rgb> chooseColour(Rgb initial) override;

  QtDialogs m_qtDialogs;
  std::unique_ptr<Hotkeys> m_hotkeys;
  MainPresenter m_presenter;
  ToolbarStrip* m_strip;
  GridView* m_cart;
  CheckoutButton* m_checkout;
  QLabel* m_bottomBar;
  ListView* m_goodsChoices;
  ListView* m_memberChoices;
  QWidget* m_colourPicker;
  QSize m_normalSize;
  bool m_maximised = false;
  bool m_destroying = false;
};

// 超级收款: an owner-drawn button in two shades of the theme, grey while disabled.
class CheckoutButton : public QPushButton {
  Q_OBJECT
 public:
  CheckoutButton(const QString& text, QWidget* parent);
  void setShades(const QColor& main, const QColor& second);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor m_main;
  QColor m_second;
};

// 动画框1: the drawn strip of toolbar items.
class ToolbarStrip : public QWidget {
  Q_OBJECT
 public:
  ToolbarStrip(MainPresenter& presenter, QWidget* parent);

  // The item under a point of the strip, if any; the hover indicator is never hit.
  const ToolbarItem* itemAt(const QPoint& point) const;
  static QRect itemRect(const ToolbarItem& item);
  // The item's picture and caption are drawn in white on this colour.
  void setColour(const QColor& colour);

 signals:
  // Emitted after the presenter handled the click, unless the window went with it.
  void itemClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  MainPresenter& m_presenter;
  QColor m_colour;
};

}  // namespace cz
