#include "catalogue/ui/create_goods_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "catalogue/ui/form_widgets.h"
#include "util/ui/qt_text.h"

namespace cz {

CreateGoodsWindow::CreateGoodsWindow(AppContext& app, QWidget* owner)
    : QWidget(owner, Qt::Window), m_dialogs(this), m_presenter(app, m_dialogs) {
  setObjectName("创建新物品");
  setWindowTitle("创建新物品");
  resize(333, 313);
  applyBackground(*this, m_presenter.background());

  addLabel(*this, "透明标签1", "商品名称", {8, 12, 49, 24});
  addLabel(*this, "透明标签2", "商品条码", {8, 58, 49, 24});
  addLabel(*this, "透明标签5", "*唯一标识，不可重复", {69, 92, 248, 24});
  addLabel(*this, "透明标签3", "商品规格", {8, 127, 49, 24});
  addLabel(*this, "透明标签4", "商品备注", {8, 167, 49, 24});

  m_name = addEdit(*this, "编辑框名称", {68, 8, 250, 29},
                   [this](const QString& t) { m_presenter.name = ss(t); });
  m_barcode = addEdit(*this, "编辑框条码", {68, 57, 250, 29},
                      [this](const QString& t) { m_presenter.barcode = ss(t); });
  m_size = addEdit(*this, "编辑框规格", {68, 124, 250, 29},
                   [this](const QString& t) { m_presenter.size = ss(t); });
  m_note = addEdit(*this, "编辑框备注", {68, 165, 250, 75},
                   [this](const QString& t) { m_presenter.note = ss(t); });

  m_add = new QPushButton("添加新商品", this);
  m_add->setObjectName("超级添加");
  m_add->setGeometry(220, 250, 97, 26);
  connect(m_add, &QPushButton::clicked, this, [this] {
    m_presenter.addClicked();
    render();
  });
}

void CreateGoodsWindow::render() {
  showText(*m_name, m_presenter.name);
  showText(*m_barcode, m_presenter.barcode);
  showText(*m_size, m_presenter.size);
  showText(*m_note, m_presenter.note);
}

}  // namespace cz
