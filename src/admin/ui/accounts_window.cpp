#include "admin/ui/accounts_window.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "util/ui/grid_view.h"
#include "util/ui/qt_text.h"

namespace cz {

namespace {

QLabel* label(const char* name, const char* text, QRect geometry, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setGeometry(geometry);
  return l;
}

QPushButton* button(const char* name, const char* text, QRect geometry, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setGeometry(geometry);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

AccountsWindow::AccountsWindow(AppContext& app, QWidget* owner)
    : QWidget(owner, Qt::Window), m_dialogs(this), m_presenter(app, m_dialogs) {
  setObjectName("账号管理");
  setWindowTitle("账号管理");
  setFixedSize(574, 661);
  move(50, 50);
  setAttribute(Qt::WA_DeleteOnClose);

  label("透明标签3", "账号列表", {8, 15, 49, 24}, this);
  m_accounts = new QComboBox(this);
  m_accounts->setObjectName("组合框1");
  m_accounts->setGeometry(64, 13, 179, 20);
  QPushButton* refresh = button("超级刷新", "刷新账号", {247, 13, 107, 24}, this);

  label("透明标签1", "账号", {8, 48, 49, 24}, this);
  m_newAccount = new QLineEdit(this);
  m_newAccount->setObjectName("编辑框账号");
  m_newAccount->setGeometry(64, 48, 179, 24);
  QPushButton* add = button("超级增加", "增加账号", {247, 48, 107, 23}, this);

  label("透明标签2", "密码", {8, 78, 49, 24}, this);
  m_password = new QLineEdit(this);
  m_password->setObjectName("编辑框密码");
  m_password->setGeometry(64, 78, 179, 24);
  QPushButton* save = button("超级保存", "保存新密码", {247, 79, 107, 23}, this);

  m_grid = new GridView(m_presenter.grid(), this);
  m_grid->setObjectName("高级表格");
  m_grid->setGeometry(6, 113, 560, 514);

  connect(m_accounts, &QComboBox::currentIndexChanged, this, [this](int index) {
    m_presenter.accountSelected(index);
    render();
  });
  connect(refresh, &QPushButton::clicked, this, [this] {
    m_presenter.refreshClicked();
    render();
  });
  connect(m_newAccount, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_presenter.newAccountChanged(ss(text)); });
  connect(m_password, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_presenter.passwordChanged(ss(text)); });
  connect(add, &QPushButton::clicked, this, [this] {
    m_presenter.addClicked();
    render();
  });
  connect(save, &QPushButton::clicked, this, [this] { m_presenter.savePasswordClicked(); });
  connect(m_grid, &GridView::currentCellChanged, this,
          [this] { m_presenter.currentCellChanged(); });
  connect(m_grid, &GridView::cellDoubleClicked, this, [this] {
    const bool wasEditable = m_presenter.grid().editable();
    m_presenter.cellDoubleClicked();
    // The minimum discount opens for typing on the double click that made it editable.
    if (!wasEditable && m_presenter.grid().editable()) {
      static_cast<QAbstractItemView*>(m_grid)->edit(m_grid->currentIndex());
    }
  });
  connect(m_grid, &GridView::editBegins, this,
          [this](int row, int col) { m_presenter.editBegins(row, col); });
  connect(m_grid, &GridView::editFinished, this,
          [this](int row, int col) { m_presenter.editFinished(row, col); });
}

AccountsWindow::~AccountsWindow() {
  // The view goes before the presenter whose grid it shows.
  delete m_grid;
}

void AccountsWindow::created() {
  m_presenter.created();
  render();
}

void AccountsWindow::render() {
  {
    const QSignalBlocker block(m_accounts);
    QStringList names;
    for (const std::string& name : m_presenter.accounts()) names << qs(name);
    QStringList shown;
    for (int i = 0; i < m_accounts->count(); ++i) shown << m_accounts->itemText(i);
    if (names != shown) {
      m_accounts->clear();
      m_accounts->addItems(names);
    }
    m_accounts->setCurrentIndex(m_presenter.selectedIndex());
  }
  const auto setLine = [](QLineEdit* edit, const std::string& text) {
    if (ss(edit->text()) == text) return;
    const QSignalBlocker block(edit);
    edit->setText(qs(text));
  };
  setLine(m_newAccount, m_presenter.newAccount());
  m_password->setEchoMode(m_presenter.masksPasswords() ? QLineEdit::Password : QLineEdit::Normal);
  setLine(m_password, m_presenter.password());
}

}  // namespace cz
