#pragma once

#include <QObject>

class QCheckBox;
class QLineEdit;
class QWidget;

namespace cz {

class GridView;
class SupplierPagePresenter;

// Builds the controls of the supplier page onto `page` (positions in the coordinates of the tab
// control that holds it) and forwards their events to the presenter.
class SupplierPage : public QObject {
  Q_OBJECT
 public:
  SupplierPage(SupplierPagePresenter& presenter, QWidget* page);

  GridView* grid() const { return m_grid; }

 private:
  void render();
  void popUpMenu();

  SupplierPagePresenter& m_presenter;
  QWidget* m_page;
  GridView* m_grid;
  QLineEdit* m_search;
  QCheckBox* m_allowEdit;
};

}  // namespace cz
