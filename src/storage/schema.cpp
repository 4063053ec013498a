#include "storage/schema.h"


namespace cz {

namespace {

const char* const kSeedAdmin =
    "insert into 账号(账号,密码,查看进货,进货权限,编辑进货,修改折扣,修改积分,新增会员,清除日志,"
    "新增供应商,改删供应商,查看底价,账号最低折扣,修改商品权限,删除销售订单,删除采购订单) "
    "values('admin','','真','真','真','真','真','真','真','真','真','真','0','真','真','真')";

}  // namespace

const std::vector<TableDef>& schemaTables() {
  static const std::vector<TableDef> tables = {
      {"账号",
       {{"账号", "TEXT(50)"},
        {"密码", "TEXT(50)"},
        {"查看进货", "INTEGER"},
        {"进货权限", "INTEGER"},
        {"编辑进货", "INTEGER"},
        {"修改折扣", "INTEGER"},
        {"修改积分", "INTEGER"},
        {"新增会员", "INTEGER"},
        {"清除日志", "INTEGER"},
        {"新增供应商", "INTEGER"},
        {"改删供应商", "INTEGER"},
        {"查看底价", "INTEGER"},
        {"账号最低折扣", "NUMERIC"},
        {"修改商品权限", "INTEGER"},
        {"删除销售订单", "INTEGER"},
        {"删除采购订单", "INTEGER"}},
       "创建账号失败"},
      {"会员",
       {{"编号", "INTEGER PRIMARY KEY"},
        {"姓名", "TEXT(50)"},
        {"联系方式", "TEXT(15)"},
        {"备注", "TEXT(200)"},
        {"折扣率", "INTEGER"},
        {"积分", "NUMERIC"},
        {"创建者", "TEXT(15)"}},
       "创建会员失败"},
      {"日志",
       {{"时间", "TEXT(13)"}, {"类型", "TEXT(20)"}, {"账号", "TEXT(20)"}, {"日志", "TEXT"}},
       "创建日志失败"},
      {"进货",
       {{"订单号", "TEXT(20)"},
        {"日期", "TEXT"},
        {"供应商", "TEXT(50)"},
        {"电话", "TEXT(20)"},
        {"订单详情", "TEXT"},
        {"应付", "NUMERIC"},
        {"实付", "NUMERIC"},
        {"付款方式", "TEXT(20)"},
        {"制单人", "TEXT(50)"}},
       "创建进货失败"},
      {"库存",
       {{"名称", "TEXT(50)"},
        {"条码", "TEXT(50)"},
        {"规格", "TEXT(50)"},
        {"备注", "TEXT(200)"},
        {"进货价", "NUMERIC"},
        {"销售价", "NUMERIC"},
        {"当前库存", "INTEGER"},
        {"最低折扣", "TEXT"},
        {"参与积分", "INTEGER"}},
       "创建库存失败"},
      {"供应商",
       {{"名称", "TEXT(50)"},
        {"联系方式", "TEXT(50)"},
        {"编号", "INTEGER PRIMARY KEY"},
        {"创建者", "TEXT(50)"}},
       "创建供应商失败"},
      {"销售",
       {{"订单号", "TEXT(20)"},
        {"日期", "TEXT"},
        {"客户", "TEXT(50)"},
        {"客户编号", "TEXT(50)"},
        {"订单详情", "TEXT"},
        {"总应收", "NUMERIC"},
        {"总实收", "NUMERIC"},
        {"积分", "INTEGER"},
        {"付款方式", "TEXT(20)"},
        {"制单人", "TEXT(20)"}},
       "创建销售失败"},
  };
  return tables;
}

std::optional<SchemaFailure> createTables(Database& db) {
  Transaction transaction(db);
  auto fail = [&](const std::string& title) {
    SchemaFailure failure{title, db.lastError()};
    transaction.rollback();
    return failure;
  };
  const auto& tables = schemaTables();
  for (size_t i = 0; i < tables.size(); ++i) {
    if (!db.createTable(tables[i].name, tables[i].columns)) return fail(tables[i].failureTitle);
    // The admin account goes in right after its table, before the others are created.
    if (i == 0 && !db.execute(kSeedAdmin)) return fail("创建admin失败");
  }
  if (!transaction.commit()) return fail(tables.front().failureTitle);
  return std::nullopt;
}

std::string trimmedSql(const std::string& expression) {
  // 32 space, 9 tab, 10 and 13 line breaks, 12288 the full-width space (U+3000).
  return "trim(" + expression + ",char(32,9,10,13,12288))";
}

void ensureIndexes(Database& db) {
  const std::string indexes[] = {
      "CREATE INDEX IF NOT EXISTS 库存_条码 ON 库存(条码)",
      "CREATE INDEX IF NOT EXISTS 库存_名称 ON 库存(名称)",
      // A file's index holds each row's rowid already; the server's needs it named, so that a
      // page of the order lists is read from the index alone.
      db.onServer() ? "CREATE INDEX IF NOT EXISTS 销售_日期 ON 销售(日期, rowid)"
                    : "CREATE INDEX IF NOT EXISTS 销售_日期 ON 销售(日期)",
      db.onServer() ? "CREATE INDEX IF NOT EXISTS 进货_日期 ON 进货(日期, rowid)"
                    : "CREATE INDEX IF NOT EXISTS 进货_日期 ON 进货(日期)",
      // A checkout makes sure no other till stored its order number already.
      "CREATE INDEX IF NOT EXISTS 销售_订单号 ON 销售(订单号)",
      "CREATE INDEX IF NOT EXISTS 进货_订单号 ON 进货(订单号)",
      // The duplicate test of a new member compares trimmed names and contacts.
      "CREATE INDEX IF NOT EXISTS 会员_姓名 ON 会员(" + trimmedSql("姓名") + ")",
      "CREATE INDEX IF NOT EXISTS 会员_联系方式 ON 会员(" + trimmedSql("联系方式") + ")",
  };
  for (const std::string& sql : indexes) db.execute(sql);
  // Only beside the shop's own tables: a file whose schema was never made (a failed creation)
  // must still count as empty at the next start, so that it gets its tables then.
  if (db.hasTable("销售")) {
    for (const TableDef& table : tillTables()) db.createTable(table.name, table.columns, true);
    if (db.onServer()) keepOrderCounts(db);
  }
}

void keepOrderCounts(Database& db) {
  static const char* const kTables[] = {"销售", "进货"};
  RecordSet kept(db);
  if (kept.open("select count(*) from information_schema.tables where table_name='行数'") &&
      kept.next() && kept.field(1) == "1") {
    kept.close();
    if (kept.open("select count(*) from 行数") && kept.next() && kept.field(1) == "2") return;
  }
  kept.close();
  Transaction transaction(db);
  if (!transaction.started()) return;
  const bool ok =
      db.execute("CREATE TABLE IF NOT EXISTS 行数(表名 text primary key, 行数 bigint not null)") &&
      db.execute(
          "CREATE OR REPLACE FUNCTION cz_order_count() RETURNS trigger LANGUAGE plpgsql AS "
          "$$ BEGIN "
          "IF TG_OP = 'INSERT' THEN UPDATE 行数 SET 行数 = 行数 + (SELECT count(*) FROM "
          "new_rows) WHERE 表名 = TG_TABLE_NAME; "
          "ELSIF TG_OP = 'DELETE' THEN UPDATE 行数 SET 行数 = 行数 - (SELECT count(*) "
          "FROM old_rows) WHERE 表名 = TG_TABLE_NAME; "
          "ELSE UPDATE 行数 SET 行数 = 0 WHERE 表名 = TG_TABLE_NAME; END IF; "
          "RETURN NULL; END $$");
  if (!ok) return;
  for (const std::string table : kTables) {
    // No order is stored or deleted between the count and the triggers taking over.
    const bool counted =
        db.execute("LOCK TABLE " + table + " IN SHARE ROW EXCLUSIVE MODE") &&
        db.execute("CREATE OR REPLACE TRIGGER " + table + "_行数_增 AFTER INSERT ON " + table +
                   " REFERENCING NEW TABLE AS new_rows FOR EACH STATEMENT EXECUTE FUNCTION "
                   "cz_order_count()") &&
        db.execute("CREATE OR REPLACE TRIGGER " + table + "_行数_删 AFTER DELETE ON " + table +
                   " REFERENCING OLD TABLE AS old_rows FOR EACH STATEMENT EXECUTE FUNCTION "
                   "cz_order_count()") &&
        db.execute("CREATE OR REPLACE TRIGGER " + table + "_行数_清 AFTER TRUNCATE ON " + table +
                   " FOR EACH STATEMENT EXECUTE FUNCTION cz_order_count()") &&
        db.execute("INSERT INTO 行数 VALUES('" + table + "', (SELECT count(*) FROM " + table +
                   ")) ON CONFLICT (表名) DO NOTHING");
    if (!counted) return;
  }
  transaction.commit();
}

const std::vector<TableDef>& tillTables() {
  static const std::vector<TableDef> tables = {
      // One row per shift close: the shift's bounds, its figures, the counted cash and the
      // report text as printed, so a reprint shows the same.
      {"交班记录",
       {{"编号", "INTEGER PRIMARY KEY"},
        {"时间", "TEXT"},
        {"账号", "TEXT(20)"},
        {"开始", "TEXT"},
        {"结束", "TEXT"},
        {"订单数", "INTEGER"},
        {"总应收", "NUMERIC"},
        {"总实收", "NUMERIC"},
        {"现金支付", "NUMERIC"},
        {"微信支付", "NUMERIC"},
        {"支付宝支付", "NUMERIC"},
        {"其他支付", "NUMERIC"},
        {"备用金", "NUMERIC"},
        {"应有现金", "NUMERIC"},
        {"实点现金", "NUMERIC"},
        {"差额", "NUMERIC"},
        {"下班备用金", "NUMERIC"},
        {"报表", "TEXT"}},
       "创建交班记录失败"},
      // Orders put aside at the till, with their cart lines as an order-details document.
      {"挂单",
       {{"编号", "INTEGER PRIMARY KEY"},
        {"时间", "TEXT"},
        {"订单号", "TEXT(20)"},
        {"客户", "TEXT(50)"},
        {"客户编号", "TEXT(50)"},
        {"折扣率", "NUMERIC"},
        {"付款方式", "TEXT(20)"},
        {"应收", "NUMERIC"},
        {"行数", "INTEGER"},
        {"订单详情", "TEXT"},
        {"制单人", "TEXT(20)"}},
       "创建挂单失败"},
      // What a goods has beside its 库存 row: sold by weight (称重 真/假) and its own low-stock
      // warning level (预警, empty for none), kept apart so the 库存 table stays as it is and
      // other tools can set them too.
      {"商品属性", {{"条码", "TEXT PRIMARY KEY"}, {"称重", "TEXT"}, {"预警", "NUMERIC"}},
       "创建商品属性失败"},
  };
  return tables;
}

}  // namespace cz
