#include "util/ui/list_view.h"

#include <QHeaderView>
#include <QKeyEvent>

#include "util/ui/qt_text.h"

namespace cz {

ListTableModel::ListTableModel(ListModel& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list) {
  m_list.setObserver(this);
}

ListTableModel::~ListTableModel() {
  m_list.setObserver(nullptr);
}

int ListTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_list.itemCount();
}

int ListTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_list.columnCount();
}

QVariant ListTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return qs(m_list.text(index.row(), index.column()));
    case Qt::ForegroundRole: {
      const Rgb c = m_list.itemTextColour(index.row());
      return c == kNoColour ? QVariant() : QVariant(qcolor(c));
    }
    case Qt::BackgroundRole: {
      const Rgb c = m_list.itemBackColour(index.row());
      return c == kNoColour ? QVariant() : QVariant(qcolor(c));
    }
    case Qt::TextAlignmentRole: {
      const auto& columns = m_list.columns();
      if (index.column() < static_cast<int>(columns.size()) &&
          columns[static_cast<size_t>(index.column())].align == ColumnAlign::Centre) {
        return int(Qt::AlignCenter);
      }
      return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    default:
      return {};
  }
}

QVariant ListTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= m_list.columnCount()) return {};
  const ListColumn& column = m_list.columns()[static_cast<size_t>(section)];
  if (role == Qt::DisplayRole) return qs(column.title);
  if (role == Qt::TextAlignmentRole && column.align == ColumnAlign::Centre) {
    return int(Qt::AlignCenter);
  }
  return {};
}

void ListTableModel::listAboutToAppend(int index) {
  beginInsertRows({}, index, index);
}
void ListTableModel::listAppended() {
  endInsertRows();
}
void ListTableModel::listAboutToReset() {
  beginResetModel();
}
void ListTableModel::listReset() {
  endResetModel();
}
void ListTableModel::listItemChanged(int index) {
  emit dataChanged(this->index(index, 0), this->index(index, std::max(0, columnCount() - 1)));
}
void ListTableModel::listEnsureVisible(int index) {
  emit ensureVisibleRequested(index);
}
void ListTableModel::listSelectionChanged() {
  emit selectionRequested(m_list.selectedIndex());
}

ListView::ListView(ListModel& list, QWidget* parent)
    : QTreeView(parent), m_model(new ListTableModel(list, this)) {
  setModel(m_model);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  header()->setStretchLastSection(false);
  applyColumns();
  connect(m_model, &QAbstractItemModel::modelReset, this, &ListView::applyColumns);
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            // The echo back to this view selects the same row again, which changes nothing.
            m_model->list().setSelectedIndex(current.isValid() ? current.row() : -1);
          });
  connect(m_model, &ListTableModel::ensureVisibleRequested, this,
          [this](int index) { scrollTo(m_model->index(index, 0)); });
  connect(m_model, &ListTableModel::selectionRequested, this, [this](int index) {
    if (index < 0) {
      clearSelection();
    } else {
      setCurrentIndex(m_model->index(index, 0));
    }
  });
}

void ListView::applyColumns() {
  const auto& columns = m_model->list().columns();
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    const int width = columns[static_cast<size_t>(i)].width;
    setColumnHidden(i, width == 0);
    if (width > 0) setColumnWidth(i, width);
  }
  const bool inert = m_model->list().headerInert();
  header()->setSectionsClickable(!inert);
  header()->setSectionResizeMode(inert ? QHeaderView::Fixed : QHeaderView::Interactive);
}

void ListView::keyPressEvent(QKeyEvent* event) {
  QTreeView::keyPressEvent(event);
  emit keyDown(platformKeyCode(event->key()));
}

void ListView::keyReleaseEvent(QKeyEvent* event) {
  QTreeView::keyReleaseEvent(event);
  emit keyUp(platformKeyCode(event->key()));
}

void ListView::focusOutEvent(QFocusEvent* event) {
  QTreeView::focusOutEvent(event);
  emit focusLost();
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeView::mouseDoubleClickEvent(event);
  emit itemDoubleClicked();
}

}  // namespace cz
