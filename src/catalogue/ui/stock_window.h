#pragma once

#include <QWidget>

#include "catalogue/goods_presenter.h"
#include "core/ui/qt_dialogs.h"

class QCheckBox;
class QLineEdit;
class QMenu;
class QPushButton;

namespace cz {

class GridView;
struct AppContext;

// The stock list: search box, buttons, the 允许编辑 box and the goods grid with its menu. Starts
// loading every item when it is built.
class StockWindow : public QWidget {
  Q_OBJECT
 public:
  explicit StockWindow(AppContext& app, QWidget* owner = nullptr);
  ~StockWindow() override;

  StockListPresenter& presenter() { return m_presenter; }

 private:
  void render();

  QtDialogs m_dialogs;
  StockListPresenter m_presenter;
  QLineEdit* m_search;
  QPushButton* m_searchButton;
  QPushButton* m_add;
  QPushButton* m_lowStock;
  QCheckBox* m_allowEdit;
  GridView* m_grid;
  QMenu* m_menu;
};

}  // namespace cz
