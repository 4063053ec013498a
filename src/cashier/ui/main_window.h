#pragma once

#include <QWidget>

#include "cashier/main_presenter.h"
#include "core/ui/qt_dialogs.h"

namespace cz {

class ToolbarStrip;

// The main cashier window: frameless, with the toolbar strip across the top.
class MainWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MainWindow(AppContext& app, QWidget* parent = nullptr);
  ~MainWindow() override;

  MainPresenter& presenter() { return m_presenter; }
  // Called just before the window is destroyed by exit, shift change or the login's close.
  void aboutToBeDestroyed();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QtDialogs m_dialogs;
  MainPresenter m_presenter;
  ToolbarStrip* m_strip;
  bool m_destroying = false;
};

// 动画框1: the drawn strip of toolbar items.
class ToolbarStrip : public QWidget {
  Q_OBJECT
 public:
  ToolbarStrip(MainPresenter& presenter, QWidget* parent);

  // The item under a point of the strip, if any.
  const ToolbarItem* itemAt(const QPoint& point) const;
  static QRect itemRect(const ToolbarItem& item);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  MainPresenter& m_presenter;
  int m_hovered = -1;
};

}  // namespace cz
