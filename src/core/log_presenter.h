#pragma once

namespace cz {

class Dialogs;
class ListModel;

// The log window "运行日志": lists every entry of this process; closing only hides it.
class LogPresenter {
 public:
  LogPresenter(ListModel& list, Dialogs& dialogs) : m_list(list), m_dialogs(dialogs) {}

  ListModel& list() { return m_list; }

  // The window was shown: the last entry is scrolled into view.
  void shown();
  // Close requested: returns false, the window is only hidden so its rows survive.
  bool closeRequested() { return false; }
  // Double click on the list: shows the selected entry in full, titled by its time.
  void doubleClicked();

 private:
  ListModel& m_list;
  Dialogs& m_dialogs;
};

}  // namespace cz
