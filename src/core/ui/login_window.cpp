#include "core/ui/login_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QSignalBlocker>

#include "core/branding.h"
#include "util/ui/qt_text.h"
#include "util/ui/shadow_window.h"
#include "util/ui/window_drag.h"

namespace cz {

LoginWindow::LoginWindow(AppContext& app, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_dialogs(this),
      m_presenter(app, m_dialogs) {
  setObjectName("登陆窗口");
  setWindowTitle(kProductName);
  setFixedSize(682, 431);
  move(50, 50);

  const QString boxStyle =
      "QLineEdit { border: 1px solid #9db7d6; border-radius: 4px; padding: 0 8px;"
      " background: white; font-size: 15px; lineedit-password-character: 42; }"
      "QLineEdit:focus { border-color: #2f7bd8; }";

  m_account = new QLineEdit(this);
  m_account->setObjectName("编辑框账号");
  m_account->setGeometry(248, 173, 234, 31);
  m_account->setPlaceholderText("账号");
  m_account->setStyleSheet(boxStyle);

  m_password = new QLineEdit(this);
  m_password->setObjectName("编辑框密码");
  m_password->setGeometry(248, 216, 234, 31);
  m_password->setEchoMode(QLineEdit::Password);
  m_password->setPlaceholderText("密码");
  m_password->setStyleSheet(boxStyle);

  m_login = new QLabel("登陆", this);
  m_login->setObjectName("标签登陆");
  m_login->setGeometry(287, 272, 136, 24);
  m_login->setAlignment(Qt::AlignCenter);
  m_login->setCursor(Qt::PointingHandCursor);
  m_login->setStyleSheet(
      "QLabel { color: white; background: #2f7bd8; border-radius: 4px; font-size: 15px; }"
      "QLabel:hover { background: #3d8ae8; }");
  m_login->installEventFilter(this);

  m_close = new QLabel(this);
  m_close->setObjectName("透明标签2");
  m_close->setGeometry(661, -1, 49, 24);
  m_close->setCursor(Qt::PointingHandCursor);
  m_close->setToolTip("关闭");
  m_close->installEventFilter(this);

  connect(m_account, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_presenter.accountChanged(ss(text)); });
  connect(m_password, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_presenter.passwordChanged(ss(text)); });
  // Enter moves from the account to the password, and logs in from the password.
  connect(m_account, &QLineEdit::returnPressed, this, [this] { m_password->setFocus(); });
  connect(m_password, &QLineEdit::returnPressed, this, [this] { m_presenter.loginClicked(); });

  new WindowDragger(this);
  // A soft black shadow follows the frameless window, which is itself drawn slightly
  // see-through.
  applyShadow(this, Qt::black);
  makeTranslucent(this, 240);
}

void LoginWindow::created() {
  m_presenter.created();
  render();
}

void LoginWindow::render() {
  // Showing the presenter's texts is not a change made by the user.
  const QSignalBlocker blockAccount(m_account);
  const QSignalBlocker blockPassword(m_password);
  if (ss(m_account->text()) != m_presenter.account()) m_account->setText(qs(m_presenter.account()));
  if (ss(m_password->text()) != m_presenter.password()) {
    m_password->setText(qs(m_presenter.password()));
  }
}

bool LoginWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    if (watched == m_login) {
      m_presenter.loginClicked();
      return true;
    }
    if (watched == m_close) {
      m_closing = true;
      m_presenter.closeClicked();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void LoginWindow::closeEvent(QCloseEvent* event) {
  // A close from the window system (Alt+F4) does what the close mark does.
  event->ignore();
  if (!m_closing) {
    m_closing = true;
    m_presenter.closeClicked();
  }
}

void LoginWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, height());
  sky.setColorAt(0, QColor(36, 104, 190));
  sky.setColorAt(0.45, QColor(120, 176, 236));
  sky.setColorAt(0.45001, QColor(246, 249, 253));
  sky.setColorAt(1, QColor(232, 240, 250));
  p.fillRect(rect(), sky);

  // A boat on the morning water, the mark of the product.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 214, 102));
  p.drawEllipse(QPointF(120, 70), 26, 26);
  p.setBrush(QColor(250, 250, 250));
  QPolygonF hull;
  hull << QPointF(70, 150) << QPointF(170, 150) << QPointF(150, 168) << QPointF(90, 168);
  p.drawPolygon(hull);
  QPolygonF sail;
  sail << QPointF(118, 90) << QPointF(118, 146) << QPointF(160, 146);
  p.drawPolygon(sail);

  QFont title = font();
  title.setPixelSize(30);
  title.setBold(true);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 60, width(), 50), Qt::AlignCenter, kProductName);

  // The close mark in the top right corner, under 透明标签2.
  p.setPen(QPen(Qt::white, 2));
  const QRect mark(661, 4, 14, 14);
  p.drawLine(mark.topLeft(), mark.bottomRight());
  p.drawLine(mark.topRight(), mark.bottomLeft());

  p.setPen(QColor(180, 190, 205));
  p.setBrush(Qt::NoBrush);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace cz
