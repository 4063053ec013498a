#include "catalogue/ui/add_member_window.h"

#include <QLineEdit>
#include <QPushButton>

#include "catalogue/ui/form_widgets.h"
#include "util/ui/qt_text.h"

namespace cz {

AddMemberWindow::AddMemberWindow(AppContext& app, QWidget* owner)
    : QWidget(owner, Qt::Window), m_dialogs(this), m_presenter(app, m_dialogs) {
  setObjectName("新增会员");
  setWindowTitle("新增会员");
  resize(364, 225);
  applyBackground(*this, m_presenter.background());

  addLabel(*this, "透明标签1", "会员姓名", {24, 16, 64, 24});
  addLabel(*this, "透明标签2", "联系方式", {24, 52, 64, 24});
  addLabel(*this, "透明标签3", "备注", {24, 85, 64, 24});
  addLabel(*this, "透明标签4", "折扣率", {24, 120, 64, 24});

  m_name = addEdit(*this, "编辑框姓名", {96, 16, 248, 24},
                   [this](const QString& t) { m_presenter.name = ss(t); });
  m_contact = addEdit(*this, "编辑框联系", {96, 49, 248, 24},
                      [this](const QString& t) { m_presenter.contact = ss(t); });
  m_note = addEdit(*this, "编辑框备注", {96, 84, 248, 24},
                   [this](const QString& t) { m_presenter.note = ss(t); });
  m_discount = addEdit(*this, "编辑框折扣", {96, 120, 248, 24}, [this](const QString& t) {
    m_presenter.discountChanged(ss(t));
    render();
  });

  m_add = new QPushButton("增加", this);
  m_add->setObjectName("超级增加");
  m_add->setGeometry(237, 153, 106, 33);
  connect(m_add, &QPushButton::clicked, this, [this] {
    m_presenter.addClicked();
    render();
  });
  render();
}

void AddMemberWindow::render() {
  showText(*m_name, m_presenter.name);
  showText(*m_contact, m_presenter.contact);
  showText(*m_note, m_presenter.note);
  showText(*m_discount, m_presenter.discount());
}

}  // namespace cz
