#pragma once

#include <QPointer>
#include <QWidget>

#include "cashier/tender.h"

namespace cz {

class Dialogs;

// The 收款 window, modal over the main window: 应收 in large type, the 收到 box, 找零 and the
// payment method. Enter confirms (refused with "收到金额不足" while the change is below zero),
// Esc cancels.
class QtTenderScreen : public TenderScreen {
 public:
  QtTenderScreen(QWidget* owner, Dialogs& dialogs) : m_owner(owner), m_dialogs(dialogs) {}
  bool run(TenderPresenter& tender) override;

 private:
  QPointer<QWidget> m_owner;
  Dialogs& m_dialogs;
};

}  // namespace cz
