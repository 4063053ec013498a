// The checkout of an order whose last commit went unanswered (the connection to the server was
// lost after COMMIT was sent): the server may have stored the sale or not, and the cashier's next
// F4 must not store it a second time.
#include "cashier/checkout.h"
#include "cashier/sale_presenter.h"
#include "core/app_context.h"
#include "core/dialogs.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "storage/database.h"
#include "util/timestamp.h"

namespace cz {

bool SalePresenter::finishIfStored(Transaction& transaction, const std::string& details,
                                   const std::optional<TenderPresenter>& tender) {
  Database& db = m_app.db;
  // Run under the writers' lock: a commit still on its way would be seen here.
  const SaleLookup found =
      findStoredSale(db, m_state.orderNumber, details, m_app.session.currentAccount);
  if (!found.ok) {
    const std::string error = db.lastError();
    transaction.rollback();
    m_app.log.write(LogType::Error, saleFailedEntry(error));
    m_dialogs.message(error, "提交销售订单失败", MessageIcon::Information);
    return true;
  }
  if (!found.sale) return false;
  transaction.rollback();
  m_unsureOrderNumber.clear();
  m_state.pointsTotal = found.sale->points;
  const LocalDateTime storedAt =
      dateTimeFromTimestamp(found.sale->date).value_or(m_app.clock.now());
  finishCheckout(storedAt, found.sale->rowid, tender);
  return true;
}

}  // namespace cz
