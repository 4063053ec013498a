#include "util/text_grid.h"

#include <algorithm>

namespace cz {

namespace {
const std::string kEmpty;
constexpr int kDefaultWidth = 80;
}  // namespace

TextGrid::TextGrid() {
  m_rows.resize(1);
}

bool TextGrid::contains(int row, int col) const {
  return row >= 0 && row < rowCount() && col >= 0 && col < m_columnCount;
}

void TextGrid::setRowCount(int rows) {
  rows = std::max(rows, 1);
  const int old = rowCount();
  if (rows == old) return;
  if (rows > old) {
    if (m_observer) m_observer->gridRowsAboutToBeInserted(old, rows - 1);
    m_rows.resize(static_cast<size_t>(rows));
    for (int r = old; r < rows; ++r) m_rows[static_cast<size_t>(r)].cells.resize(m_columnCount);
    dataRowsInserted(old, rows - 1);
    if (m_observer) m_observer->gridRowsInserted();
  } else {
    if (m_observer) m_observer->gridRowsAboutToBeRemoved(rows, old - 1);
    m_rows.resize(static_cast<size_t>(rows));
    clampCurrent();
    dataRowsRemoved(rows, old - 1);
    if (m_observer) m_observer->gridRowsRemoved();
  }
}

void TextGrid::setColumnCount(int columns) {
  columns = std::max(columns, 0);
  if (columns == m_columnCount) return;
  if (m_observer) m_observer->gridAboutToReset();
  m_columnCount = columns;
  for (Row& row : m_rows) {
    row.cells.resize(static_cast<size_t>(columns));
    if (!row.colours.empty()) row.colours.resize(static_cast<size_t>(columns));
  }
  m_widths.resize(static_cast<size_t>(columns), kDefaultWidth);
  clampCurrent();
  columnsChanged();
  if (m_observer) m_observer->gridReset();
}

const std::string& TextGrid::text(int row, int col) const {
  if (!contains(row, col)) return kEmpty;
  return m_rows[static_cast<size_t>(row)].cells[static_cast<size_t>(col)];
}

void TextGrid::setText(int row, int col, const std::string& text) {
  if (!contains(row, col)) return;
  m_rows[static_cast<size_t>(row)].cells[static_cast<size_t>(col)] = text;
  if (row > 0) cellTextSet(row, col);
  if (m_observer) m_observer->gridCellsChanged(row, col, row, col);
}

int TextGrid::columnWidth(int col) const {
  if (col < 0 || col >= m_columnCount) return 0;
  return m_widths[static_cast<size_t>(col)];
}

void TextGrid::setColumnWidth(int col, int width) {
  if (col < 0 || col >= m_columnCount) return;
  m_widths[static_cast<size_t>(col)] = std::max(width, 0);
  if (m_observer) m_observer->gridLookChanged();
}

int TextGrid::appendRow(const std::vector<std::string>& cells) {
  const int row = rowCount();
  if (m_observer) m_observer->gridRowsAboutToBeInserted(row, row);
  Row added;
  added.cells.resize(static_cast<size_t>(m_columnCount));
  const size_t n = std::min(cells.size(), added.cells.size());
  std::copy_n(cells.begin(), n, added.cells.begin());
  m_rows.push_back(std::move(added));
  dataRowsInserted(row, row);
  if (m_observer) m_observer->gridRowsInserted();
  return row;
}

void TextGrid::appendRows(std::vector<std::vector<std::string>>&& rows) {
  if (rows.empty()) return;
  const int first = rowCount();
  const int last = first + static_cast<int>(rows.size()) - 1;
  if (m_observer) m_observer->gridRowsAboutToBeInserted(first, last);
  // Grow geometrically: reserving the exact size on every batch would copy the whole grid each
  // time.
  const size_t needed = m_rows.size() + rows.size();
  if (m_rows.capacity() < needed) m_rows.reserve(std::max(needed, 2 * m_rows.capacity()));
  for (auto& cells : rows) {
    Row added;
    added.cells = std::move(cells);
    added.cells.resize(static_cast<size_t>(m_columnCount));
    m_rows.push_back(std::move(added));
  }
  dataRowsInserted(first, last);
  if (m_observer) m_observer->gridRowsInserted();
}

void TextGrid::deleteRow(int row) {
  if (row < 1 || row >= rowCount()) return;
  if (m_observer) m_observer->gridRowsAboutToBeRemoved(row, row);
  m_rows.erase(m_rows.begin() + row);
  clampCurrent();
  dataRowsRemoved(row, row);
  if (m_observer) m_observer->gridRowsRemoved();
}

void TextGrid::reset() {
  setRowCount(1);
}

template <typename Set>
void TextGrid::setColourRange(int row1, int col1, int row2, int col2, Set set) {
  if (row1 > row2) std::swap(row1, row2);
  if (col1 > col2) std::swap(col1, col2);
  row1 = std::max(row1, 0);
  col1 = std::max(col1, 0);
  row2 = std::min(row2, rowCount() - 1);
  col2 = std::min(col2, m_columnCount - 1);
  if (row1 > row2 || col1 > col2) return;
  for (int r = row1; r <= row2; ++r) {
    Row& row = m_rows[static_cast<size_t>(r)];
    if (row.colours.empty()) row.colours.resize(static_cast<size_t>(m_columnCount));
    for (int c = col1; c <= col2; ++c) set(row.colours[static_cast<size_t>(c)]);
  }
  if (m_observer) m_observer->gridCellsChanged(row1, col1, row2, col2);
}

void TextGrid::setTextColour(int row1, int col1, int row2, int col2, Rgb colour) {
  setColourRange(row1, col1, row2, col2, [colour](CellColours& c) { c.text = colour; });
}

void TextGrid::setBackColour(int row1, int col1, int row2, int col2, Rgb colour) {
  setColourRange(row1, col1, row2, col2, [colour](CellColours& c) { c.back = colour; });
}

Rgb TextGrid::textColour(int row, int col) const {
  if (!contains(row, col)) return kNoColour;
  const Row& r = m_rows[static_cast<size_t>(row)];
  return r.colours.empty() ? kNoColour : r.colours[static_cast<size_t>(col)].text;
}

Rgb TextGrid::backColour(int row, int col) const {
  if (!contains(row, col)) return kNoColour;
  const Row& r = m_rows[static_cast<size_t>(row)];
  return r.colours.empty() ? kNoColour : r.colours[static_cast<size_t>(col)].back;
}

void TextGrid::setGridColour(Rgb colour) {
  m_gridColour = colour;
  if (m_observer) m_observer->gridLookChanged();
}

void TextGrid::setEditable(bool editable) {
  m_editable = editable;
  if (m_observer) m_observer->gridLookChanged();
}

void TextGrid::setCurrentCell(int row, int col) {
  if (contains(row, col)) {
    m_currentRow = row;
    m_currentColumn = col;
  } else {
    m_currentRow = -1;
    m_currentColumn = -1;
  }
  if (m_observer) m_observer->gridLookChanged();
}

void TextGrid::clampCurrent() {
  if (!contains(m_currentRow, m_currentColumn)) {
    m_currentRow = -1;
    m_currentColumn = -1;
  }
}

}  // namespace cz
