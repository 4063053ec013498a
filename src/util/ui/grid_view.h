#pragma once

#include <QAbstractTableModel>
#include <QTableView>

#include "util/text_grid.h"

namespace cz {

// Shows a TextGrid: grid row 0 is the horizontal header, grid rows 1… are the view's rows.
// No per-cell objects, so grids of 100 000 rows stay cheap.
class GridTableModel : public QAbstractTableModel, public TextGridObserver {
  Q_OBJECT
 public:
  GridTableModel(TextGrid& grid, QObject* parent = nullptr);
  ~GridTableModel() override;

  TextGrid& grid() { return m_grid; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  void gridRowsAboutToBeInserted(int first, int last) override;
  void gridRowsInserted() override;
  void gridRowsAboutToBeRemoved(int first, int last) override;
  void gridRowsRemoved() override;
  void gridAboutToReset() override;
  void gridReset() override;
  void gridCellsChanged(int row1, int col1, int row2, int col2) override;
  void gridLookChanged() override;

 signals:
  // A cell edit was committed; the typed text is already in the grid.
  void cellEdited(int row, int col);
  void lookChanged();

 private:
  TextGrid& m_grid;
};

// The grid control: reports the grid events with grid coordinates (rows from 1), keeps the
// grid's current cell in step, and applies widths, the grid colour and the editable flag.
class GridView : public QTableView {
  Q_OBJECT
 public:
  GridView(TextGrid& textGrid, QWidget* parent = nullptr);

  TextGrid& grid() { return m_model->grid(); }

  // Commits and closes the cell editor, if one is open, as leaving the cell would: the typed
  // text reaches the grid and editFinished is emitted before this returns.
  void finishEditing();

 signals:
  void currentCellChanged(int row, int col);
  void editBegins(int row, int col);
  void editFinished(int row, int col);
  void cellDoubleClicked(int row, int col);
  void rightButtonReleased(int row, int col);
  void keyDown(int code);
  void keyUp(int code);
  void mouseMoved(int row, int col);

 protected:
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void applyLook();

  GridTableModel* m_model;
};

}  // namespace cz
