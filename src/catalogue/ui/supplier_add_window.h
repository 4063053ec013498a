#pragma once

#include <QDialog>

#include "catalogue/supplier_add.h"
#include "core/ui/qt_dialogs.h"

class QLineEdit;
class QPushButton;

namespace cz {

struct AppContext;

// "新增供应商": a modal window that adds one supplier per click of "增加" and stays open.
class SupplierAddWindow : public QDialog {
  Q_OBJECT
 public:
  explicit SupplierAddWindow(AppContext& app, QWidget* owner = nullptr);

  SupplierAddPresenter& presenter() { return m_presenter; }

 private:
  void render();

  QtDialogs m_dialogs;
  SupplierAddPresenter m_presenter;
  QLineEdit* m_name;
  QLineEdit* m_contact;
  QPushButton* m_add;
};

}  // namespace cz
