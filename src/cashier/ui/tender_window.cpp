#include "cashier/ui/tender_window.h"

#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "util/ui/qt_text.h"

namespace cz {
namespace {

class TenderDialog : public QDialog {
 public:
  TenderDialog(QWidget* owner, TenderPresenter& tender, Dialogs& dialogs)
      : QDialog(owner), m_tender(tender), m_dialogs(dialogs) {
    setObjectName("收款");
    setWindowTitle("收款");
    setFixedSize(360, 230);
    // The big figure is what the customer pays: 实收, after the member's discount.
    auto* dueCaption = new QLabel("实收", this);
    dueCaption->setGeometry(20, 16, 60, 24);
    auto* due = new QLabel(qs(tender.toPay()), this);
    due->setObjectName("标签收款实收");
    due->setGeometry(20, 40, 320, 56);
    due->setStyleSheet("QLabel { color: #d1361b; font-size: 40px; font-weight: bold; }");
    auto* receivedCaption = new QLabel("收到", this);
    receivedCaption->setGeometry(20, 110, 40, 28);
    m_received = new QLineEdit(qs(tender.receivedText()), this);
    m_received->setObjectName("编辑框收到");
    m_received->setGeometry(64, 108, 150, 32);
    m_received->selectAll();
    m_change = new QLabel(qs(tender.changeText()), this);
    m_change->setObjectName("标签找零");
    m_change->setGeometry(226, 110, 120, 28);
    m_change->setStyleSheet("QLabel { font-size: 18px; font-weight: bold; }");
    auto* payment = new QLabel("付款方式：" + qs(tender.payment()), this);
    payment->setObjectName("标签收款方式");
    payment->setGeometry(20, 156, 320, 24);
    auto* hint = new QLabel("回车确认收款，Esc取消", this);
    hint->setGeometry(20, 190, 320, 24);
    connect(m_received, &QLineEdit::textEdited, this, [this](const QString& text) {
      m_tender.receivedChanged(ss(text));
      m_change->setText(qs(m_tender.changeText()));
    });
    m_received->setFocus();
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      if (m_tender.confirm(m_dialogs)) accept();
      return;
    }
    QDialog::keyPressEvent(event);  // Esc rejects
  }

 private:
  TenderPresenter& m_tender;
  Dialogs& m_dialogs;
  QLineEdit* m_received;
  QLabel* m_change;
};

}  // namespace

bool QtTenderScreen::run(TenderPresenter& tender) {
  TenderDialog dialog(m_owner, tender, m_dialogs);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace cz
