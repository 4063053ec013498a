#pragma once

namespace cz {

// What the main window's toolbar and hotkeys trigger in the sale area.
class SaleActions {
 public:
  virtual ~SaleActions() = default;
  // F1 and the new-order item: start a new order (asking first when one is open).
  virtual void startNewOrder() = 0;
  // F4: check the open order out exactly as a click on 超级收款 would, but only while that
  // button is enabled; otherwise nothing.
  virtual void checkoutHotkey() = 0;
};

}  // namespace cz
