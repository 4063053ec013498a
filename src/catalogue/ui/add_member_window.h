#pragma once

#include <QWidget>

#include "catalogue/member_presenter.h"
#include "core/ui/qt_dialogs.h"

class QLineEdit;
class QPushButton;

namespace cz {

struct AppContext;

// "新增会员": name, contact, note and discount boxes and the add button, on the theme background.
class AddMemberWindow : public QWidget {
  Q_OBJECT
 public:
  explicit AddMemberWindow(AppContext& app, QWidget* owner = nullptr);

  AddMemberPresenter& presenter() { return m_presenter; }

 private:
  void render();

  QtDialogs m_dialogs;
  AddMemberPresenter m_presenter;
  QLineEdit* m_name;
  QLineEdit* m_contact;
  QLineEdit* m_note;
  QLineEdit* m_discount;
  QPushButton* m_add;
};

}  // namespace cz
