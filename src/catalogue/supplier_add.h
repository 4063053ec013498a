#pragma once

#include <string>

namespace cz {

class Dialogs;
struct AppContext;

// "新增供应商": adds one supplier per click and stays open for the next.
class SupplierAddPresenter {
 public:
  SupplierAddPresenter(AppContext& app, Dialogs& dialogs) : m_app(app), m_dialogs(dialogs) {}

  const std::string& name() const { return m_name; }
  const std::string& contact() const { return m_contact; }
  void nameChanged(const std::string& text) { m_name = text; }
  void contactChanged(const std::string& text) { m_contact = text; }

  // "增加": stores the supplier with the current account as creator and empties both boxes; a
  // failure is logged and shown, and the boxes keep their text. Names are not checked.
  void addClicked();

 private:
  AppContext& m_app;
  Dialogs& m_dialogs;
  std::string m_name;
  std::string m_contact;
};

}  // namespace cz
