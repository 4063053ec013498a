#pragma once

#include <string>

#include "util/background_loader.h"
#include "util/text_grid.h"

namespace cz {

class Dialogs;
struct AppContext;

// Columns of the supplier grid.
enum SupplierColumn {
  SupplierRowNumber = 0,
  SupplierName = 1,
  SupplierContact = 2,
  SupplierCreator = 3,
  SupplierNumber = 4,  // hidden; the key of every update and delete
};

// The "供应商" page of the settings window: the suppliers whose name contains the search text,
// edited in place and deleted by their hidden number. Rows are read on a worker thread.
class SupplierPagePresenter {
 public:
  SupplierPagePresenter(AppContext& app, Dialogs& dialogs);

  TextGrid& grid() { return m_grid; }
  const std::string& searchText() const { return m_search; }
  bool allowEdit() const { return m_allowEdit; }

  // The search box changed.
  void searchChanged(const std::string& text) { m_search = text; }
  // Key down in the search box: Enter (13) loads the suppliers.
  void searchKeyDown(int code);
  // Reads the suppliers whose name contains the search text on a worker thread and fills the
  // grid on the UI thread. A load started later supersedes this one: its rows are dropped.
  void load();
  // True while a load has not delivered its last rows.
  bool loading() const { return m_loader.loading(); }
  // Waits for the worker thread; its rows then wait on the UI queue.
  void waitForLoad() { m_loader.wait(); }

  // Click on 选择框1: only an account allowed to change suppliers makes the grid editable.
  void allowEditClicked();
  // Double click and current cell change: with editing allowed, the creator column stays
  // read-only and the other columns are editable.
  void cellDoubleClicked();
  void currentCellChanged();
  // A cell edit begins: the row's name and contact are kept to compare with the commit.
  void editBegins(int row);
  // A cell edit of `row` was committed: writes name and contact when either changed.
  void editCommitted(int row);

  // The menu: "刷新", "增加供应商", "删除供应商".
  void refreshClicked() { load(); }
  void addClicked();
  void deleteClicked();

 private:
  void applyEditRule();

  AppContext& m_app;
  Dialogs& m_dialogs;
  TextGrid m_grid;
  std::string m_search;
  bool m_allowEdit = false;
  std::string m_savedName;
  std::string m_savedContact;
  // Last member: it goes first, so no load delivers into a grid that is gone.
  BackgroundLoader m_loader;
};

}  // namespace cz
