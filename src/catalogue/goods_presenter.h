#pragma once

#include <optional>
#include <string>

#include "catalogue/goods.h"
#include "util/background_loader.h"
#include "util/colour.h"
#include "util/text_grid.h"

namespace cz {

class Dialogs;
struct AppContext;

// The stock list window: every item of 库存 in a grid, loaded on a worker thread; search, in-place
// editing for accounts with 修改商品权限, the points toggle and deletion.
class StockListPresenter {
 public:
  StockListPresenter(AppContext& app, Dialogs& dialogs);

  TextGrid& grid() { return m_grid; }
  // The state of the 允许编辑 box.
  bool allowEdit() const { return m_allowEdit; }
  // True while a load is still delivering rows.
  bool loading() const { return m_loader.loading(); }
  // Waits until the worker has read everything; its rows still arrive through the UI queue.
  void waitForReader() { m_loader.wait(); }

  // The window was created: starts loading every item (the grid is set up on construction,
  // with 进货价 shown only to accounts with 查看底价).
  void created();
  // 查询 or Enter in the search box: lists the items that contain `text`.
  void search(const std::string& text);
  // "显示所有库存": lists every item again, coloured.
  void showAll();
  // "添加新商品" or "创建新商品": opens the create window.
  void createClicked();
  // A click on 允许编辑; `checked` is the state the click left the box in.
  void allowEditClicked(bool checked);
  // The grid's current cell moved.
  void currentCellChanged(int row, int col);
  // A cell edit begins in this row.
  void editBegins(int row, int col);
  // A cell edit was committed; the typed text is in the grid. Only that column is written, and
  // only while the stored value is still the one the cell showed: after another till's change
  // the row is read again and the user told.
  void cellEdited(int row, int col);
  // Double click in the grid: toggles 参与积分 of the current row.
  void doubleClicked();
  // "删除选中": deletes the current row's item after asking.
  void deleteChosen();
  // "库存预警": lists only the goods at or below their warning level.
  void showLowStock();
  // "称重与预警": asks whether the current row's goods is sold by weight and for its warning
  // level, and stores both (for accounts with 修改商品权限).
  void markChosen();

 private:
  enum class Listing { All, Search, LowStock };
  void load(Listing listing, std::string search = {});
  void applyColumnRule();
  // Shows the stored fields in the row.
  void showStoredRow(int row, const GoodsFields& stored);
  // Another till changed (or deleted) the row since it was loaded: it is read again and the
  // user told.
  void changedElsewhere(int row);
  // The text cell (row, col) showed when its edit began.
  std::string textBeforeEdit(int row, int col);
  // A number column typed with anything but a number in range: the cell is put back and the
  // user told; true when refused.
  bool typedNumberRefused(int row, int col);

  struct SavedCell {
    int row = -1;
    int col = -1;
    std::string text;
  };

  AppContext& m_app;
  Dialogs& m_dialogs;
  TextGrid m_grid;
  bool m_allowEdit = false;
  std::string m_savedDiscount;
  SavedCell m_savedCell;
  // Last member, so that the destructor cancels and joins the worker before the grid goes.
  BackgroundLoader m_loader;
};

// "创建新物品": adds an item with a new barcode.
class CreateGoodsPresenter {
 public:
  CreateGoodsPresenter(AppContext& app, Dialogs& dialogs);

  // The window's background: the theme background the main window shows, kNoColour when unset.
  Rgb background() const { return m_background; }

  // The texts of the boxes 名称, 条码, 规格 and 备注.
  std::string name, barcode, size, note;

  // "添加新商品": inserts the item (for accounts with 修改商品权限); on success the four boxes are
  // emptied.
  void addClicked();

 private:
  AppContext& m_app;
  Dialogs& m_dialogs;
  Rgb m_background;
};

// The theme background colour the main window shows (the settings in memory), kNoColour when
// there is none. The add windows take it when they open.
Rgb themeBackground(const AppContext& app);

}  // namespace cz
