#pragma once

#include <QWidget>

#include "catalogue/goods_presenter.h"
#include "core/ui/qt_dialogs.h"

class QLineEdit;
class QPushButton;

namespace cz {

struct AppContext;

// "创建新物品": four boxes and the add button, on the theme background.
class CreateGoodsWindow : public QWidget {
  Q_OBJECT
 public:
  explicit CreateGoodsWindow(AppContext& app, QWidget* owner = nullptr);

  CreateGoodsPresenter& presenter() { return m_presenter; }

 private:
  void render();

  QtDialogs m_dialogs;
  CreateGoodsPresenter m_presenter;
  QLineEdit* m_name;
  QLineEdit* m_barcode;
  QLineEdit* m_size;
  QLineEdit* m_note;
  QPushButton* m_add;
};

}  // namespace cz
