#pragma once

// What the sale presenter's files share: the guard that marks a sale handler running, and the
// cart's colour while an order is open. Only the sale presenter's own files include this.

#include "cashier/sale_presenter.h"
#include "util/colour.h"

namespace cz {

inline constexpr Rgb kOpenCartColour = rgb(255, 255, 255);

// Marks a sale handler as running, so that other sale events wait; messages deferred meanwhile
// are shown once it ends.
class SalePresenter::Busy {
 public:
  explicit Busy(SalePresenter& sale) : m_sale(sale) { m_sale.m_busy = true; }
  ~Busy() {
    m_sale.m_busy = false;
    if (!m_sale.m_deferredMessages.empty()) m_sale.showDeferredMessages();
  }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  SalePresenter& m_sale;
};

}  // namespace cz
