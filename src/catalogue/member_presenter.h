#pragma once

#include <optional>
#include <string>

#include "catalogue/members.h"
#include "util/background_loader.h"
#include "util/colour.h"
#include "util/text_grid.h"

namespace cz {

class Dialogs;
struct AppContext;

// "会员列表": every member in a grid, loaded on a worker thread; search, editing cell by cell
// and deletion.
class MemberListPresenter {
 public:
  MemberListPresenter(AppContext& app, Dialogs& dialogs);

  TextGrid& grid() { return m_grid; }
  // True while a load is still delivering rows.
  bool loading() const { return m_loader.loading(); }
  // Waits until the worker has read everything; its rows still arrive through the UI queue.
  void waitForReader() { m_loader.wait(); }

  // The window was created: starts loading every member.
  void created();
  // "刷新列表": lists every member again.
  void refresh();
  // "查询会员": asks for a text and lists the members whose number, name or contact contain it.
  void searchChosen();
  // "删除会员": after a 是 to the question naming the current row's member, deletes that member
  // and lists every member again.
  void deleteChosen();
  // The grid's current cell moved: decides whether the grid is editable.
  void currentCellChanged(int row, int col);
  // A cell edit begins in this row.
  void editBegins(int row, int col);
  // A cell edit was committed; the typed text is in the grid. Only that column is written, and
  // only while the stored value is still the one the cell showed: after another till's change
  // the row is read again and the user told.
  void cellEdited(int row, int col);

 private:
  void load(std::optional<std::string> search);
  // Shows the stored fields in the row.
  void showStoredRow(int row, const MemberFields& stored);
  // Another till changed (or deleted) the member since it was loaded: the row is read again and
  // the user told.
  void changedElsewhere(int row);
  // The text cell (row, col) showed when its edit began.
  std::string textBeforeEdit(int row, int col);
  // 折扣率 or 积分 typed with anything but a number in range: the cell is put back and the user
  // told; true when refused.
  bool typedNumberRefused(int row, int col);

  struct SavedCell {
    int row = -1;
    int col = -1;
    std::string text;
  };

  AppContext& m_app;
  Dialogs& m_dialogs;
  TextGrid m_grid;
  std::string m_savedDiscount;
  SavedCell m_savedCell;
  // Last member, so that the destructor cancels and joins the worker before the grid goes.
  BackgroundLoader m_loader;
};

// "新增会员": adds members one after the other.
class AddMemberPresenter {
 public:
  AddMemberPresenter(AppContext& app, Dialogs& dialogs);

  // The window's background: the theme background the main window shows, kNoColour when unset.
  Rgb background() const { return m_background; }

  std::string name, contact, note;
  const std::string& discount() const { return m_discount; }

  // The discount box changed (every keystroke): a rate below the account minimum, at or below 0
  // or above 10 puts the box back to "10" with a message.
  void discountChanged(const std::string& text);
  // "增加": adds the member unless its name or contact matches one on file.
  void addClicked();

 private:
  AppContext& m_app;
  Dialogs& m_dialogs;
  Rgb m_background;
  std::string m_discount = "10";
};

}  // namespace cz
