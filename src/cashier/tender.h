#pragma once

#include <string>

namespace cz {

class Dialogs;

// The 收款 window: the amount the customer pays (实收, after any member discount) in large type,
// the amount handed over (prefilled with 实收), the change as it is typed, and the payment
// method. Enter confirms, Esc cancels.
class TenderPresenter {
 public:
  TenderPresenter(std::string due, std::string received, std::string payment);

  const std::string& due() const { return m_due; }
  // What the customer pays: 实收 of the order, the figure the change is worked out from.
  const std::string& toPay() const { return m_received; }
  const std::string& payment() const { return m_payment; }
  const std::string& receivedText() const { return m_receivedText; }
  // "找零：" + the change, or "找零：-" while the text is no amount.
  const std::string& changeText() const { return m_changeText; }

  void receivedChanged(const std::string& text);
  // Enter: true when the amount covers 实收; otherwise says "收到金额不足" and stays open.
  bool confirm(Dialogs& dialogs);

  // What the bottom bar shows after the checkout: "收到：…  找零：…".
  std::string summary() const;
  // The amount handed over and the change, as money texts (one decimal), for the receipt.
  std::string tenderedText() const;
  std::string changeAmountText() const;

 private:
  std::string m_due;
  std::string m_received;  // 实收 of the order
  std::string m_payment;
  std::string m_receivedText;
  std::string m_changeText;
  bool m_enough = false;
  double m_change = 0;
};

// Shows the 收款 window for `tender` and waits; true when it was confirmed.
class TenderScreen {
 public:
  virtual ~TenderScreen() = default;
  virtual bool run(TenderPresenter& tender) = 0;
};

}  // namespace cz
