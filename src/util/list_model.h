#pragma once

#include <string>
#include <vector>

#include "util/colour.h"

namespace cz {

enum class ColumnAlign { Left, Centre, Right };

struct ListColumn {
  std::string title;
  int width = 80;  // pixels; 0 hides the column
  ColumnAlign align = ColumnAlign::Left;
};

// Receives the changes of a ListModel, so that a view can follow it. Calls come from the thread
// that changes the model; "about to" calls come before the change, the others after it.
class ListModelObserver {
 public:
  virtual ~ListModelObserver() = default;
  virtual void listAboutToAppend(int index) { (void)index; }
  virtual void listAppended() {}
  virtual void listAboutToReset() {}
  virtual void listReset() {}
  virtual void listItemChanged(int index) { (void)index; }
  // A caller asked that this item be scrolled into view.
  virtual void listEnsureVisible(int index) { (void)index; }
  virtual void listSelectionChanged() {}
};

// The items of a report-style list view: one text per column, and per item one text colour and
// one background colour. Reads outside the list give empty text and writes are ignored.
class ListModel {
 public:
  void setColumns(std::vector<ListColumn> columns);
  const std::vector<ListColumn>& columns() const { return m_columns; }
  int columnCount() const { return static_cast<int>(m_columns.size()); }

  // Removes every item.
  void clear();
  // Appends an item with its column texts and returns its index.
  int append(std::vector<std::string> texts);
  void setText(int index, int column, const std::string& text);
  int itemCount() const { return static_cast<int>(m_items.size()); }
  const std::string& text(int index, int column) const;

  void setItemColours(int index, Rgb text, Rgb back);
  Rgb itemTextColour(int index) const;
  Rgb itemBackColour(int index) const;

  // The selected item, −1 when none.
  int selectedIndex() const { return m_selected; }
  void setSelectedIndex(int index);

  // Asks the view to scroll the item into view.
  void ensureVisible(int index);

  // A header that does not react to the mouse (no resizing, no clicks).
  bool headerInert() const { return m_headerInert; }
  void setHeaderInert(bool inert) { m_headerInert = inert; }

  void setObserver(ListModelObserver* observer) { m_observer = observer; }

 private:
  struct Item {
    std::vector<std::string> texts;
    Rgb text = kNoColour;
    Rgb back = kNoColour;
  };
  bool contains(int index) const { return index >= 0 && index < itemCount(); }

  std::vector<ListColumn> m_columns;
  std::vector<Item> m_items;
  int m_selected = -1;
  bool m_headerInert = false;
  ListModelObserver* m_observer = nullptr;
};

}  // namespace cz
