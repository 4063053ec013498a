#pragma once

// The objects a logged-in program hands its presenters, set up once for every benchmark: the
// database, the session, the log, the clock, the windows, the UI queue and the dialogs, tied
// together in an AppContext; and the same with the main window's sale on top.

#include <optional>
#include <string>

#include "cashier/sale_area.h"
#include "cashier/sale_presenter.h"
#include "core/app_context.h"
#include "core/headless.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "printing/print_spooler.h"
#include "printing/printer.h"
#include "storage/database.h"
#include "util/clock.h"
#include "util/list_model.h"
#include "util/ui_queue.h"

namespace bench {

struct ShopSetup {
  bool answer = true;    // what every question is answered
  bool spooler = false;  // ESC/POS jobs go through a print spooler of the shop's own
};

// `Queue` receives what worker threads hand the UI thread: the benchmark's own queue when it
// holds or waits for those tasks, otherwise one that drops them. `Clock` is the machine's time
// unless a benchmark moves it on itself. The database is not opened: each benchmark opens its
// own file.
template <typename Queue = cz::DiscardingUiQueue, typename Clock = cz::SystemClock>
struct Shop {
  explicit Shop(ShopSetup setup = {}) : dialogs(setup.answer) {
    if (setup.spooler) {
      spooler.emplace(queue);
      app.printSpooler = &*spooler;
    }
  }
  Shop(const Shop&) = delete;
  Shop& operator=(const Shop&) = delete;

  cz::Database db;
  cz::Session session;
  cz::ListModel logList;
  Clock clock;
  cz::HeadlessWindows windows;
  Queue queue;
  std::optional<cz::PrintSpooler> spooler;
  cz::OperationLog log{db, session, clock, logList};
  cz::AnsweringDialogs dialogs;
  cz::AppContext app{db, session, log, clock, windows, queue, "", ""};
};

// A shop with the main window's sale: its cart and choice lists, and the sale presenter on them,
// logged in as admin.
template <typename Queue = cz::DiscardingUiQueue, typename Clock = cz::SystemClock>
struct SaleShop : Shop<Queue, Clock> {
  explicit SaleShop(ShopSetup setup = {}) : Shop<Queue, Clock>(setup) {
    this->session.currentAccount = "admin";
    cz::setUpSaleArea(area);
  }

  cz::NoPrinter printer;
  cz::SaleArea area;
  cz::SalePresenter sale{this->app, this->dialogs, printer, area};
};

}  // namespace bench
