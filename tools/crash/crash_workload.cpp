#include "crash_workload.h"

#include <cstdio>
#include <random>

#include "cashier/sale_area.h"
#include "cashier/sale_presenter.h"
#include "core/app_context.h"
#include "core/bootstrap.h"
#include "core/dialogs.h"
#include "core/headless.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "core/windows.h"
#include "printing/printer.h"
#include "purchasing/purchase_entry.h"
#include "storage/database.h"
#include "storage/schema.h"
#include "util/clock.h"
#include "util/list_model.h"
#include "util/timestamp.h"
#include "util/ui_queue.h"

namespace cz::crash {

namespace {

constexpr int kGoods = 200;
// The first goods have little stock, so tills selling at once run out of it and refuse sales.
constexpr int kScarceGoods = 5;
constexpr int kMembers = 30;
constexpr int kSuppliers = 5;
constexpr int kEnter = 13;

std::string barcodeOf(int i) {
  char text[32];
  std::snprintf(text, sizeof text, "69%011d", i);
  return text;
}
std::string phoneOf(int i) {
  char text[32];
  std::snprintf(text, sizeof text, "138%08d", i);
  return text;
}
std::string supplierOf(int i) {
  char text[32];
  std::snprintf(text, sizeof text, "供应商%02d", i);
  return text;
}

// A clock one second further on at every reading, starting after the newest stored order, so
// that every order of every run gets its own number.
class SteppingClock : public Clock {
 public:
  explicit SteppingClock(std::int64_t start) : m_seconds(start) {}
  LocalDateTime now() const override {
    const auto t = dateTimeFromTimestamp(std::to_string(m_seconds++));
    return t ? *t : LocalDateTime{};
  }

 private:
  mutable std::int64_t m_seconds;
};

std::int64_t newestOrderSeconds(Database& db) {
  RecordSet newest(db);
  std::int64_t seconds = 1800000000;  // 2027
  if (newest.open(
          "select max(日期) from (select 日期 from 销售 union all select 日期 from 进货)") &&
      newest.next() && !newest.field(1).empty()) {
    seconds = std::max<std::int64_t>(seconds, std::stoll(newest.field(1)));
  }
  return seconds + 100;
}

// One "process": the objects a logged-in window would be handed.
struct Process {
  explicit Process(const Store& store) {
    const std::string& dir = store.dir;
    store.open(db);
    clock = std::make_unique<SteppingClock>(newestOrderSeconds(db));
    log = std::make_unique<OperationLog>(db, session, *clock, logList);
    app = std::make_unique<AppContext>(
        AppContext{db, session, *log, *clock, windows, queue, dir, dir + "/memory.ini"});
    session.dataDirectory = dir + "/";
    session.currentAccount = "admin";
    session.permissions.flags.fill(true);
    session.settings.printingEnabled = false;
  }
  Database db;
  Session session;
  ListModel logList;
  HeadlessWindows windows;
  DiscardingUiQueue queue;
  AnsweringDialogs dialogs{true};
  std::unique_ptr<SteppingClock> clock;
  std::unique_ptr<OperationLog> log;
  std::unique_ptr<AppContext> app;
};

}  // namespace

bool Store::open(Database& db) const {
  return server.empty() ? db.open(dir + "/data.db") : db.openServer(server);
}

bool prepareStore(const Store& store) {
  Process p(store);
  if (!p.db.isOpen() || !createSchema(p.db, *p.log, p.dialogs)) return false;
  ensureIndexes(p.db);
  Transaction fill(p.db);
  for (int i = 1; i <= kGoods; ++i) {
    const std::string price = std::to_string(1 + i % 50) + "." + std::to_string(i % 10) + "5";
    p.db.execute(
        "insert into 库存(名称,条码,规格,备注,进货价,销售价,当前库存,最低折扣,参与积分) "
        "values(?,?,?,?,?,?,?,?,?)",
        {"商品" + std::to_string(i), barcodeOf(i), "个", "", "1", price,
         i <= kScarceGoods ? "40" : "1000000", i % 7 == 0 ? "9" : "0", i % 3 == 0 ? "假" : "真"});
  }
  for (int i = 1; i <= kMembers; ++i) {
    p.db.execute(
        "insert into 会员(姓名,联系方式,备注,折扣率,积分,创建者) values(?,?,?,?,?,?)",
        {"会员" + std::to_string(i), phoneOf(i), "", std::to_string(5 + i % 6), "0", "admin"});
  }
  for (int i = 1; i <= kSuppliers; ++i) {
    p.db.execute("insert into 供应商(名称,联系方式,创建者) values(?,?,?)",
                 {supplierOf(i), phoneOf(900 + i), "admin"});
  }
  return fill.commit();
}

void runWorkload(const Store& store, unsigned seed, int sales) {
  Process p(store);
  std::mt19937 random(seed);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(1, n)(random); };
  NoPrinter printer;
  SaleArea area;
  setUpSaleArea(area);
  SalePresenter sale(*p.app, p.dialogs, printer, area);
  for (int stored = 0; sales < 0 || stored < sales;) {
    if (pick(4) > 1) {
      sale.startNewOrder();
      const int lines = pick(5);
      for (int i = 0; i < lines; ++i) {
        sale.barcodeTextChanged(barcodeOf(pick(kGoods)));
        sale.barcodeKeyDown(kEnter);
      }
      if (pick(2) == 1) {
        sale.memberTextChanged(phoneOf(pick(kMembers)));
        sale.memberKeyDown(kEnter);
      }
      if (pick(3) == 1 && area.cart.rowCount() > 1) {
        area.cart.setCurrentCell(1, kCartType);
        sale.cartDoubleClicked();
      }
      const std::int64_t before = p.session.lastSaleRowid;
      sale.checkoutClicked();
      if (p.session.lastSaleRowid != before) ++stored;
    } else {
      PurchasePresenter purchase(*p.app, p.dialogs, p.dialogs);
      const int lines = pick(5);
      for (int i = 0; i < lines; ++i) {
        purchase.barcodeText = barcodeOf(pick(kGoods));
        purchase.barcodeKeyDown(kEnter);
      }
      purchase.supplierText = supplierOf(pick(kSuppliers));
      purchase.supplierKeyDown(kEnter);
      purchase.submit();
    }
  }
}

}  // namespace cz::crash
