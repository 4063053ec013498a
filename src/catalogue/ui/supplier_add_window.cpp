#include "catalogue/ui/supplier_add_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "util/ui/qt_text.h"

namespace cz {

SupplierAddWindow::SupplierAddWindow(AppContext& app, QWidget* owner)
    : QDialog(owner), m_dialogs(this), m_presenter(app, m_dialogs) {
  setObjectName("新增供应商");
  setWindowTitle("新增供应商");
  setFixedSize(364, 149);
  setModal(true);

  auto* nameLabel = new QLabel("供应商", this);
  nameLabel->setObjectName("透明标签1");
  nameLabel->setGeometry(24, 16, 64, 24);
  m_name = new QLineEdit(this);
  m_name->setObjectName("编辑框姓名");
  m_name->setGeometry(96, 16, 248, 24);

  auto* contactLabel = new QLabel("联系方式", this);
  contactLabel->setObjectName("透明标签2");
  contactLabel->setGeometry(24, 52, 64, 24);
  m_contact = new QLineEdit(this);
  m_contact->setObjectName("编辑框联系");
  m_contact->setGeometry(96, 49, 248, 24);

  m_add = new QPushButton("增加", this);
  m_add->setObjectName("超级增加");
  m_add->setGeometry(237, 81, 106, 33);
  m_add->setAutoDefault(false);

  connect(m_name, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_presenter.nameChanged(ss(text)); });
  connect(m_contact, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_presenter.contactChanged(ss(text)); });
  connect(m_add, &QPushButton::clicked, this, [this] {
    m_presenter.addClicked();
    render();
  });
}

void SupplierAddWindow::render() {
  const QSignalBlocker blockName(m_name);
  const QSignalBlocker blockContact(m_contact);
  if (ss(m_name->text()) != m_presenter.name()) m_name->setText(qs(m_presenter.name()));
  if (ss(m_contact->text()) != m_presenter.contact()) m_contact->setText(qs(m_presenter.contact()));
}

}  // namespace cz
