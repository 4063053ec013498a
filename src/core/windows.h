#pragma once

namespace cz {

// Opens, shows, moves and destroys the program's top-level windows. The flows of login, shift
// change and exit talk to the screen only through this.
class Windows {
 public:
  virtual ~Windows() = default;

  // Creates the log window, hidden. Entries written from now on are listed there.
  virtual void loadLogWindow() = 0;
  virtual void showLogWindow() = 0;
  virtual void destroyLogWindow() = 0;

  // Creates the main cashier window, modeless.
  virtual void openMainWindow() = 0;
  virtual bool mainWindowLoaded() const = 0;
  // Destroys the main window when it is loaded; its destruction writes the leaving entry.
  virtual void destroyMainWindow() = 0;

  // Moves the login window off-screen (left −5000) while somebody is logged in.
  virtual void moveLoginOffScreen() = 0;
  // Brings the login window back, centred on the screen.
  virtual void centreLoginWindow() = 0;
  virtual void destroyLoginWindow() = 0;
};

}  // namespace cz
