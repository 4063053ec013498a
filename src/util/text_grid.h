#pragma once

#include <string>
#include <vector>

#include "util/colour.h"

namespace cz {

// Receives the changes of a TextGrid, so that a view can follow it. Every call comes from the
// thread that changes the grid; "about to" calls come before the change, the others after it.
class TextGridObserver {
 public:
  virtual ~TextGridObserver() = default;
  // Data rows [first, last] (grid row numbers, ≥ 1) are about to be inserted / were inserted.
  virtual void gridRowsAboutToBeInserted(int first, int last) { (void)first, (void)last; }
  virtual void gridRowsInserted() {}
  // Data rows [first, last] are about to be removed / were removed.
  virtual void gridRowsAboutToBeRemoved(int first, int last) { (void)first, (void)last; }
  virtual void gridRowsRemoved() {}
  // The whole shape changes (column count); the view should rebuild itself.
  virtual void gridAboutToReset() {}
  virtual void gridReset() {}
  // Cell texts or colours in the rectangle changed; row 0 means header texts.
  virtual void gridCellsChanged(int row1, int col1, int row2, int col2) {
    (void)row1, (void)col1, (void)row2, (void)col2;
  }
  // Column widths, the editable flag, the grid colour or the current cell changed.
  virtual void gridLookChanged() {}
};

// A grid of text cells. Row 0 is the fixed header row, data rows start at 1, column 0 shows the
// row number by convention. Every cell holds UTF-8 text. Reads outside the grid give empty text,
// writes outside it are ignored, so odd indexes never crash a caller.
class TextGrid {
 public:
  TextGrid();
  virtual ~TextGrid() = default;
  TextGrid(const TextGrid&) = default;
  TextGrid& operator=(const TextGrid&) = default;
  TextGrid(TextGrid&&) = default;
  TextGrid& operator=(TextGrid&&) = default;

  // Total rows including the header row. Setting n + 1 keeps the header and n data rows: rows
  // beyond are dropped, new rows are empty. The header row always stays (n < 1 counts as 1).
  int rowCount() const { return static_cast<int>(m_rows.size()); }
  void setRowCount(int rows);
  int columnCount() const { return m_columnCount; }
  void setColumnCount(int columns);

  const std::string& text(int row, int col) const;
  void setText(int row, int col, const std::string& text);
  const std::string& headerText(int col) const { return text(0, col); }

  // Width in pixels; 0 hides the column, whose cells still hold and return text.
  int columnWidth(int col) const;
  void setColumnWidth(int col, int width);

  // Appends one data row (cells beyond the column count are ignored) and returns its row number.
  int appendRow(const std::vector<std::string>& cells = {});
  // Appends many data rows with one notification, taking their texts over (cells beyond the
  // column count are dropped). For loads of thousands of rows.
  void appendRows(std::vector<std::vector<std::string>>&& rows);
  // Deletes a data row; later rows move up. Row-number cells are not renumbered. Row 0 stays.
  void deleteRow(int row);
  // Drops every data row; header, columns, widths and the grid colour stay.
  void reset();

  // Colours of the cells (row1, col1)..(row2, col2), clipped to the grid. kNoColour = default.
  void setTextColour(int row1, int col1, int row2, int col2, Rgb colour);
  void setBackColour(int row1, int col1, int row2, int col2, Rgb colour);
  Rgb textColour(int row, int col) const;
  Rgb backColour(int row, int col) const;
  Rgb gridColour() const { return m_gridColour; }
  void setGridColour(Rgb colour);

  // One editable flag for the whole grid.
  bool editable() const { return m_editable; }
  void setEditable(bool editable);

  // The current cell, −1 / −1 when there is none.
  int currentRow() const { return m_currentRow; }
  int currentColumn() const { return m_currentColumn; }
  void setCurrentCell(int row, int col);

  // At most one observer (the view); nullptr detaches it.
  void setObserver(TextGridObserver* observer) { m_observer = observer; }

 protected:
  // For a grid that keeps something of its own per data row in step with the texts (the cart's
  // typed lines). Each is called after the change, whoever made it (a view's editor included).
  // A data cell's text was set.
  virtual void cellTextSet(int row, int col) { (void)row, (void)col; }
  // Data rows [first, last] were inserted / removed.
  virtual void dataRowsInserted(int first, int last) { (void)first, (void)last; }
  virtual void dataRowsRemoved(int first, int last) { (void)first, (void)last; }
  // The column count changed: every row's cells were cut or padded.
  virtual void columnsChanged() {}

 private:
  struct CellColours {
    Rgb text = kNoColour;
    Rgb back = kNoColour;
  };
  struct Row {
    std::vector<std::string> cells;
    std::vector<CellColours> colours;  // empty until a colour is set on the row
  };
  bool contains(int row, int col) const;
  template <typename Set>
  void setColourRange(int row1, int col1, int row2, int col2, Set set);
  void clampCurrent();

  std::vector<Row> m_rows;
  int m_columnCount = 0;
  std::vector<int> m_widths;
  Rgb m_gridColour = kNoColour;
  bool m_editable = false;
  int m_currentRow = -1;
  int m_currentColumn = -1;
  TextGridObserver* m_observer = nullptr;
};

}  // namespace cz
