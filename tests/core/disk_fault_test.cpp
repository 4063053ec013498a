// A full or read-only disk striking while an order is stored: at every write of the checkout and
// of the purchase submission, for good or for one write only, on any file, only the journal or
// only the database file. Each time the user is told why, the order stays open as it was, the
// file holds nothing of it and passes its integrity check, and once the disk is well again the
// same order goes through exactly once.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cashier/sale_area.h"
#include "cashier/sale_presenter.h"
#include "purchasing/purchase_entry.h"
#include "storage/database.h"
#include "support/faulty_vfs.h"
#include "support/recording_printer.h"
#include "support/test_app.h"

namespace cz {
namespace {

namespace fs = std::filesystem;
using test::DiskFault;
using test::DiskFaultPlan;
using test::DiskFile;
using Rows = std::vector<std::vector<std::string>>;
using Texts = std::vector<std::string>;

enum class Operation { Checkout, Purchase };
// The journal the program's connection uses. With the write-ahead log every commit also
// checkpoints, so the database file is written during the order too.
enum class Journal { Wal, Rollback };

const char* name(Operation op) {
  return op == Operation::Checkout ? "checkout" : "purchase";
}
const char* name(Journal journal) {
  return journal == Journal::Wal ? "write-ahead log" : "rollback journal";
}
const char* name(DiskFault fault) {
  return fault == DiskFault::Full ? "full" : "read-only";
}
const char* name(DiskFile file) {
  return file == DiskFile::Any ? "any file" : file == DiskFile::Journal ? "journal" : "database";
}

// Everything a restart would read of the order's tables, the 错误 entries left out.
Rows snapshot(Database& db) {
  Rows all;
  for (const char* sql : {"select * from 库存 order by rowid", "select * from 会员 order by rowid",
                          "select * from 销售 order by rowid", "select * from 进货 order by rowid",
                          "select * from 日志 where 类型<>'6' order by rowid"}) {
    RecordSet rows(db);
    if (!rows.open(sql)) {
      ADD_FAILURE() << sql << ": " << db.lastError();
      continue;
    }
    while (rows.next()) {
      std::vector<std::string> row{sql};
      for (int i = 1; i <= rows.columnCount(); ++i) row.push_back(rows.field(i));
      all.push_back(std::move(row));
    }
  }
  return all;
}

std::string integrity(Database& db) {
  RecordSet rows(db);
  if (!rows.open("pragma integrity_check") || !rows.next()) return db.lastError();
  return rows.field(1);
}

// One start of the program on a copy of the prepared shop, with an order filled in and ready to
// be stored: a sale of two goods (one of them twice) to a member, or a purchase of the same goods
// from a supplier.
class Shop {
 public:
  Shop(Operation op, Journal journal, const fs::path& shopFile) : m_op(op) {
    fs::copy_file(shopFile, m_dir.path() / "data.db");
    app = std::make_unique<test::TestApp>(m_dir.path());
    // Logged in as admin, without the login's writes of the account file.
    EXPECT_TRUE(app->db.open(file())) << app->db.lastError();
    app->session.currentAccount = "admin";
    app->session.permissions.flags.fill(true);
    const char* mode = journal == Journal::Wal ? "wal" : "delete";
    EXPECT_EQ(app->rows("pragma journal_mode=" + std::string(mode)), (Rows{{mode}}));
    if (journal == Journal::Wal) app->db.execute("pragma wal_autocheckpoint=1");
    app->session.settings.printingEnabled = false;
    if (op == Operation::Checkout) {
      setUpSaleArea(m_area);
      m_sale = std::make_unique<SalePresenter>(app->context, app->dialogs, m_printer, m_area);
      m_sale->startNewOrder();
      for (const char* code : {"A", "A", "B"}) {
        m_sale->barcodeTextChanged(code);
        m_sale->barcodeKeyDown(13);
      }
      m_sale->memberTextChanged("孙");
      m_sale->memberKeyDown(13);
    } else {
      m_purchase = std::make_unique<PurchasePresenter>(app->context, app->dialogs, app->dialogs);
      for (const char* code : {"A", "A", "B"}) {
        m_purchase->barcodeText = code;
        m_purchase->barcodeKeyDown(PurchasePresenter::kEnterKey);
      }
      m_purchase->supplierText = "甲供货";
      m_purchase->supplierKeyDown(PurchasePresenter::kEnterKey);
    }
    app->dialogs.calls.clear();
  }

  // Stores the order as the user does (answering 是 to the checkout's question).
  void store() {
    if (m_op == Operation::Checkout) {
      app->dialogs.answer(true);
      m_sale->checkoutClicked();
    } else {
      m_purchase->submit();
    }
  }

  // What the window shows of the open order.
  Texts window() {
    Texts texts;
    if (m_op == Operation::Checkout) {
      const SaleState& s = m_sale->state();
      // (The hidden points label is left out: a checkout rounds it in place.)
      texts = {s.orderNumber,
               s.memberName,
               s.memberPoints,
               s.memberRateText,
               s.due,
               s.received,
               m_sale->memberNumber(),
               s.payment,
               s.inputsEnabled ? "inputs" : "no inputs",
               m_sale->orderOpen() ? "open" : "closed"};
      for (int r = 0; r < m_area.cart.rowCount(); ++r) {
        for (int c = 0; c < kCartColumnCount; ++c) texts.push_back(m_area.cart.text(r, c));
      }
    } else {
      const PurchasePresenter& p = *m_purchase;
      texts = {p.orderNumber(), p.supplierName(),     p.supplierContact(),
               p.payable(),     m_purchase->paidText, p.submitEnabled() ? "open" : "closed"};
      for (int r = 0; r < m_purchase->grid().rowCount(); ++r) {
        for (int c = 0; c < kPurchaseColumnCount; ++c) {
          texts.push_back(m_purchase->grid().text(r, c));
        }
      }
    }
    return texts;
  }

  // The stored rows and log entries that carry this order's number.
  int storedOrders() {
    const std::string number =
        m_op == Operation::Checkout ? m_sale->state().orderNumber : m_purchase->orderNumber();
    const Rows rows = app->rows(
        "select (select count(*) from 销售 where 订单号=?1) + (select count(*) from 进货 where "
        "订单号=?1), (select count(*) from 日志 where 类型<>'6' and instr(日志, ?1) > 0)",
        {number});
    EXPECT_EQ(rows.at(0).at(0), rows.at(0).at(1)) << "an order row without its log entry";
    return std::stoi(rows.at(0).at(0));
  }

  std::string file() const { return (m_dir.path() / "data.db").string(); }

  std::unique_ptr<test::TestApp> app;

 private:
  Operation m_op;
  test::TempDir m_dir;
  SaleArea m_area;
  test::RecordingPrinter m_printer;
  std::unique_ptr<SalePresenter> m_sale;
  std::unique_ptr<PurchasePresenter> m_purchase;
};

class DiskFaultTest : public ::testing::Test {
 protected:
  // The prepared shop: goods A and B, the member 孙 and the supplier 甲供货.
  static void SetUpTestSuite() {
    test::installFaultyDisk();
    s_dir = new test::TempDir;
    test::TestApp app(s_dir->path());
    test::startAndLogIn(app);
    for (const char* sql :
         {"insert into 库存 values('可乐','A','瓶','','2','3.5','10','0','真')",
          "insert into 库存 values('饼干','B','袋','','8','12.25','10','0','真')",
          "insert into 会员(姓名,联系方式,备注,折扣率,积分,创建者) "
          "values('孙','137','','9','1','admin')",
          "insert into 供应商(名称,联系方式,创建者) values('甲供货','111','admin')"}) {
      ASSERT_TRUE(app.db.execute(sql)) << app.db.lastError();
    }
  }
  static void TearDownTestSuite() {
    delete s_dir;
    s_dir = nullptr;
  }
  static fs::path shopFile() { return s_dir->path() / "data.db"; }

  // Stock and points once the order is stored.
  static Rows outcome(test::TestApp& app) {
    return app.rows("select 当前库存 from 库存 union all select 积分 from 会员");
  }
  // The same, as the next start of the program reads it.
  static Rows outcomeAfterRestart(const std::string& file) {
    test::TestApp next(fs::path(file).parent_path());
    EXPECT_TRUE(next.db.open(file)) << next.db.lastError();
    EXPECT_EQ(integrity(next.db), "ok");
    return outcome(next);
  }

  // Stores the order on a well disk: the writes of `file` it takes, and its outcome.
  static int writesOf(Operation op, Journal journal, DiskFile file, Rows* stored = nullptr) {
    Shop shop(op, journal, shopFile());
    test::setDiskFault(DiskFault::None);
    shop.store();
    const int writes = test::diskWrites(file);
    if (stored) *stored = outcome(*shop.app);
    return writes;
  }

  // Stores the order with the fault planned, then again on a well disk; `titles` are the boxes
  // the failure may be shown in.
  static void storeThroughFault(Operation op, Journal journal, const DiskFaultPlan& plan,
                                const std::set<std::string>& titles) {
    static std::map<Operation, Rows> outcomes;
    if (!outcomes.count(op)) writesOf(op, journal, DiskFile::Any, &outcomes[op]);
    const Rows& expected = outcomes[op];
    Shop shop(op, journal, shopFile());
    test::TestApp& app = *shop.app;
    const Rows before = snapshot(app.db);
    const Texts shown = shop.window();
    {
      test::ScopedDiskFault fault(plan);
      shop.store();
    }
    if (titles.count("") || app.dialogs.messages() == Texts{"提交订单完毕"}) {
      EXPECT_EQ(app.dialogs.messages(), Texts{"提交订单完毕"});
      // The write that failed was one the engine could do without (or try again): the order is
      // stored, whole and once.
      EXPECT_EQ(shop.storedOrders(), 1);
      EXPECT_EQ(outcome(app), expected);
      EXPECT_EQ(integrity(app.db), "ok");
      EXPECT_EQ(outcomeAfterRestart(shop.file()), expected);
      return;
    }
    const auto messages = app.dialogs.calls;
    ASSERT_FALSE(messages.empty());
    const auto& box = messages.back();
    EXPECT_TRUE(titles.count(box.title)) << box.title << ": " << box.text;
    // (A read-only disk striking just when the journal is deleted is an I/O error.)
    static const std::set<std::string> kReasons = {
        "database or disk is full", "attempt to write a readonly database", "disk I/O error"};
    EXPECT_TRUE(kReasons.count(box.text)) << box.title << ": " << box.text;
    EXPECT_EQ(app.dialogs.messages().size(), 1u);
    EXPECT_EQ(shop.window(), shown);

    // The running program and the next start both read the shop as it was.
    EXPECT_EQ(snapshot(app.db), before);
    EXPECT_EQ(integrity(app.db), "ok");
    {
      Database restart;
      ASSERT_TRUE(restart.open(shop.file())) << restart.lastError();
      EXPECT_EQ(snapshot(restart), before);
      EXPECT_EQ(integrity(restart), "ok");
    }

    app.dialogs.calls.clear();
    shop.store();
    EXPECT_EQ(app.dialogs.messages(), Texts{"提交订单完毕"});
    shop.store();  // the stored order is closed: a second click stores nothing
    EXPECT_EQ(shop.storedOrders(), 1);
    EXPECT_EQ(outcome(app), expected);
    EXPECT_EQ(integrity(app.db), "ok");
    EXPECT_EQ(outcomeAfterRestart(shop.file()), expected);
  }

  static test::TempDir* s_dir;
};

test::TempDir* DiskFaultTest::s_dir = nullptr;

const std::set<std::string> kSaleTitles = {"更新库存失败", "更新会员积分失败", "提交销售订单失败"};
const std::set<std::string> kPurchaseTitles = {"更新库存失败", "提交进货订单失败"};

// The named moments, with the write-ahead log and with the rollback journal (which a file keeps
// where the log cannot be used): the first write of all, the commit (with the rollback journal
// the first write to the database file), and a checkpoint that fails after the commit.
TEST_F(DiskFaultTest, FirstWriteCommitAndCheckpoint) {
  const std::string commit[] = {"提交销售订单失败", "提交进货订单失败"};
  const struct {
    Journal journal;
    DiskFile file;
    std::string title;  // empty: the order is stored all the same
  } cases[] = {
      {Journal::Rollback, DiskFile::Any, "更新库存失败"},
      {Journal::Rollback, DiskFile::Database, "commit"},
      {Journal::Wal, DiskFile::Any, "commit"},
      {Journal::Wal, DiskFile::Database, ""},
  };
  for (const auto& c : cases) {
    for (const Operation op : {Operation::Checkout, Operation::Purchase}) {
      for (const DiskFault fault : {DiskFault::Full, DiskFault::ReadOnly}) {
        SCOPED_TRACE(std::string(name(op)) + ", " + name(c.journal) + ", " + name(fault) + ", " +
                     name(c.file));
        const std::string title = c.title == "commit" ? commit[static_cast<int>(op)] : c.title;
        storeThroughFault(op, c.journal, {fault, 0, -1, c.file}, {title});
      }
    }
  }
}

// Every write the order takes, failing for good or only once.
TEST_F(DiskFaultTest, EveryWriteOfTheOrder) {
  for (const Operation op : {Operation::Checkout, Operation::Purchase}) {
    for (const Journal journal : {Journal::Wal, Journal::Rollback}) {
      for (const DiskFile file : {DiskFile::Any, DiskFile::Journal, DiskFile::Database}) {
        const int writes = writesOf(op, journal, file);
        if (file == DiskFile::Any) {
          ASSERT_GT(writes, 0) << name(op) << ", " << name(journal);
        }
        for (int after = 0; after < writes; ++after) {
          for (const int times : {-1, 1}) {
            for (const DiskFault fault : {DiskFault::Full, DiskFault::ReadOnly}) {
              SCOPED_TRACE(std::string(name(op)) + ", " + name(journal) + ", " + name(fault) +
                           ", " + name(file) + ", after " + std::to_string(after) + " of " +
                           std::to_string(writes) + (times < 0 ? ", for good" : ", once"));
              storeThroughFault(op, journal, {fault, after, times, file},
                                op == Operation::Checkout ? kSaleTitles : kPurchaseTitles);
            }
          }
        }
      }
    }
  }
}

// A log entry that cannot be written never breaks the order it records. When its failure ends
// the whole transaction (as a full disk can), the order fails as a whole instead of being stored
// statement by statement outside it.
TEST_F(DiskFaultTest, AFailingLogEntry) {
  for (const Operation op : {Operation::Checkout, Operation::Purchase}) {
    for (const std::string how : {"abort", "rollback"}) {
      SCOPED_TRACE(std::string(name(op)) + ", " + how);
      Shop shop(op, Journal::Wal, shopFile());
      test::TestApp& app = *shop.app;
      const Rows before = snapshot(app.db);
      const Rows entries = app.rows("select count(*) from 日志");
      ASSERT_TRUE(app.db.execute("create trigger t before insert on 日志 begin select raise(" +
                                 how + ",'日志写不进'); end"));
      shop.store();
      if (how == "abort") {
        EXPECT_EQ(app.dialogs.messages(), Texts{"提交订单完毕"});
        EXPECT_EQ(app.rows("select (select count(*) from 销售) + (select count(*) from 进货)"),
                  (Rows{{"1"}}));
        EXPECT_EQ(app.rows("select count(*) from 日志"), entries);  // none of the order's
        continue;
      }
      ASSERT_EQ(app.dialogs.calls.size(), op == Operation::Checkout ? 2u : 1u);
      EXPECT_EQ(app.dialogs.calls.back().title, "更新库存失败");
      EXPECT_EQ(app.dialogs.calls.back().text, "日志写不进");
      EXPECT_EQ(snapshot(app.db), before);
      app.db.execute("drop trigger t");
      app.dialogs.calls.clear();
      shop.store();
      EXPECT_EQ(app.dialogs.messages(), Texts{"提交订单完毕"});
      EXPECT_EQ(shop.storedOrders(), 1);
    }
  }
}

}  // namespace
}  // namespace cz
