#include "util/ui/grid_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "util/ui/qt_text.h"

namespace cz {

GridTableModel::GridTableModel(TextGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), m_grid(grid) {
  m_grid.setObserver(this);
}

GridTableModel::~GridTableModel() {
  m_grid.setObserver(nullptr);
}

int GridTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_grid.rowCount() - 1;
}

int GridTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_grid.columnCount();
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int row = index.row() + 1;
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return qs(m_grid.text(row, index.column()));
    case Qt::ForegroundRole: {
      const Rgb c = m_grid.textColour(row, index.column());
      return c == kNoColour ? QVariant() : QVariant(qcolor(c));
    }
    case Qt::BackgroundRole: {
      const Rgb c = m_grid.backColour(row, index.column());
      return c == kNoColour ? QVariant() : QVariant(qcolor(c));
    }
    default:
      return {};
  }
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return qs(m_grid.text(0, section));
  return {};
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (m_grid.editable()) f |= Qt::ItemIsEditable;
  return f;
}

bool GridTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole || !m_grid.editable()) return false;
  m_grid.setText(index.row() + 1, index.column(), ss(value.toString()));
  emit cellEdited(index.row() + 1, index.column());
  return true;
}

void GridTableModel::gridRowsAboutToBeInserted(int first, int last) {
  beginInsertRows({}, first - 1, last - 1);
}
void GridTableModel::gridRowsInserted() {
  endInsertRows();
}
void GridTableModel::gridRowsAboutToBeRemoved(int first, int last) {
  beginRemoveRows({}, first - 1, last - 1);
}
void GridTableModel::gridRowsRemoved() {
  endRemoveRows();
}
void GridTableModel::gridAboutToReset() {
  beginResetModel();
}
void GridTableModel::gridReset() {
  endResetModel();
  emit lookChanged();
}

void GridTableModel::gridCellsChanged(int row1, int col1, int row2, int col2) {
  if (row1 == 0) {
    emit headerDataChanged(Qt::Horizontal, col1, col2);
    if (row2 == 0) return;
    row1 = 1;
  }
  emit dataChanged(index(row1 - 1, col1), index(row2 - 1, col2));
}

void GridTableModel::gridLookChanged() {
  emit lookChanged();
}

GridView::GridView(TextGrid& textGrid, QWidget* parent)
    : QTableView(parent), m_model(new GridTableModel(textGrid, this)) {
  setModel(m_model);
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(24);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setMouseTracking(true);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  connect(m_model, &GridTableModel::lookChanged, this, &GridView::applyLook);
  connect(m_model, &GridTableModel::cellEdited, this, &GridView::editFinished);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            const int row = current.isValid() ? current.row() + 1 : -1;
            const int col = current.isValid() ? current.column() : -1;
            if (row == grid().currentRow() && col == grid().currentColumn()) return;
            grid().setCurrentCell(row, col);
            emit currentCellChanged(row, col);
          });
  applyLook();
}

void GridView::applyLook() {
  TextGrid& g = grid();
  for (int c = 0; c < g.columnCount(); ++c) {
    const int width = g.columnWidth(c);
    setColumnHidden(c, width == 0);
    if (width > 0) setColumnWidth(c, width);
  }
  QPalette p = palette();
  if (g.gridColour() != kNoColour) p.setColor(QPalette::Base, qcolor(g.gridColour()));
  setPalette(p);
  const QModelIndex wanted =
      g.currentRow() >= 1 ? m_model->index(g.currentRow() - 1, g.currentColumn()) : QModelIndex();
  if (wanted != currentIndex()) {
    QSignalBlocker block(selectionModel());
    if (wanted.isValid()) {
      selectionModel()->setCurrentIndex(wanted, QItemSelectionModel::ClearAndSelect);
    } else {
      selectionModel()->clearCurrentIndex();
    }
    viewport()->update();
  }
}

void GridView::finishEditing() {
  if (state() != QAbstractItemView::EditingState) return;
  QWidget* editor = indexWidget(currentIndex());
  if (!editor) return;
  commitData(editor);
  closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool GridView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  if (!grid().editable()) return false;
  const bool started = QTableView::edit(index, trigger, event);
  if (started && trigger != QAbstractItemView::CurrentChanged) {
    emit editBegins(index.row() + 1, index.column());
  }
  return started;
}

void GridView::keyPressEvent(QKeyEvent* event) {
  QTableView::keyPressEvent(event);
  emit keyDown(platformKeyCode(event->key()));
}

void GridView::keyReleaseEvent(QKeyEvent* event) {
  QTableView::keyReleaseEvent(event);
  emit keyUp(platformKeyCode(event->key()));
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableView::mouseDoubleClickEvent(event);
  emit cellDoubleClicked(grid().currentRow(), grid().currentColumn());
}

void GridView::mouseReleaseEvent(QMouseEvent* event) {
  QTableView::mouseReleaseEvent(event);
  if (event->button() == Qt::RightButton) {
    emit rightButtonReleased(grid().currentRow(), grid().currentColumn());
  }
}

void GridView::mouseMoveEvent(QMouseEvent* event) {
  QTableView::mouseMoveEvent(event);
  const QModelIndex at = indexAt(event->position().toPoint());
  emit mouseMoved(at.isValid() ? at.row() + 1 : -1, at.isValid() ? at.column() : -1);
}

}  // namespace cz
