#include "util/text_grid.h"

#include <gtest/gtest.h>

#include "util/list_model.h"

namespace cz {
namespace {

TextGrid numberedGrid(int dataRows) {
  TextGrid grid;
  grid.setColumnCount(3);
  grid.setText(0, 1, "名称");
  grid.setRowCount(dataRows + 1);
  for (int r = 1; r <= dataRows; ++r) {
    grid.setText(r, 0, std::to_string(r));
    grid.setText(r, 1, "row" + std::to_string(r));
  }
  return grid;
}

TEST(TextGrid, RowCountKeepsTheHeaderAndDropsOrAddsDataRows) {
  TextGrid grid = numberedGrid(3);
  grid.setRowCount(2);
  EXPECT_EQ(grid.rowCount(), 2);
  EXPECT_EQ(grid.text(1, 1), "row1");
  EXPECT_EQ(grid.text(2, 1), "");  // dropped, not kept
  grid.setRowCount(4);
  EXPECT_EQ(grid.text(3, 1), "");  // new rows are empty
  grid.setRowCount(0);
  EXPECT_EQ(grid.rowCount(), 1);
  EXPECT_EQ(grid.headerText(1), "名称");
}

TEST(TextGrid, DeleteRowMovesLaterRowsUpWithoutRenumbering) {
  TextGrid grid = numberedGrid(3);
  grid.deleteRow(1);
  EXPECT_EQ(grid.rowCount(), 3);
  EXPECT_EQ(grid.text(1, 0), "2");
  EXPECT_EQ(grid.text(1, 1), "row2");
  grid.deleteRow(0);  // the header stays
  EXPECT_EQ(grid.headerText(1), "名称");
}

TEST(TextGrid, ResetKeepsHeaderColumnsAndLook) {
  TextGrid grid = numberedGrid(2);
  grid.setColumnWidth(2, 0);
  grid.setGridColour(rgb(96, 96, 96));
  grid.setCurrentCell(2, 1);
  grid.reset();
  EXPECT_EQ(grid.rowCount(), 1);
  EXPECT_EQ(grid.columnCount(), 3);
  EXPECT_EQ(grid.headerText(1), "名称");
  EXPECT_EQ(grid.columnWidth(2), 0);
  EXPECT_EQ(grid.gridColour(), rgb(96, 96, 96));
  EXPECT_EQ(grid.currentRow(), -1);  // the current row went with the data
  EXPECT_EQ(grid.currentColumn(), -1);
}

TEST(TextGrid, ColourRangesAreClippedAndOddIndexesAreHarmless) {
  TextGrid grid = numberedGrid(2);
  grid.setTextColour(1, -5, 99, 99, rgb(255, 0, 0));
  EXPECT_EQ(grid.textColour(2, 2), rgb(255, 0, 0));
  EXPECT_EQ(grid.textColour(0, 0), kNoColour);
  EXPECT_EQ(grid.backColour(1, 1), kNoColour);
  grid.setText(9, 9, "x");
  grid.setText(-1, 0, "x");
  EXPECT_EQ(grid.text(9, 9), "");
  EXPECT_EQ(grid.text(-1, -1), "");
  grid.setCurrentCell(7, 0);
  EXPECT_EQ(grid.currentRow(), -1);
}

TEST(ListModel, ItemsColoursAndSelection) {
  ListModel list;
  list.setColumns({{"", 50}, {"时间", 133}});
  EXPECT_EQ(list.append({"1", "a"}), 0);
  EXPECT_EQ(list.append({"2"}), 1);
  list.setText(1, 1, "b");
  list.setItemColours(1, rgb(255, 0, 0), rgb(255, 255, 255));
  EXPECT_EQ(list.text(1, 1), "b");
  EXPECT_EQ(list.text(1, 7), "");
  EXPECT_EQ(list.itemTextColour(1), rgb(255, 0, 0));
  EXPECT_EQ(list.selectedIndex(), -1);
  list.setSelectedIndex(5);
  EXPECT_EQ(list.selectedIndex(), -1);
  list.setSelectedIndex(0);
  list.clear();
  EXPECT_EQ(list.itemCount(), 0);
  EXPECT_EQ(list.selectedIndex(), -1);
}

}  // namespace
}  // namespace cz
