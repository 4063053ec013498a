// Writes the data.db of a big shop, for benchmarks and trials at scale: 100 000 goods, 10 000
// members, 1 000 000 sales over two years, 20 000 purchase orders, 10 000 suppliers and
// 1 000 000 log entries. The same file comes out on every run (fixed seed, fixed dates).
//
// Usage: bigshop PATH/data.db   (refuses to touch an existing file)
//
// The file is written beside its final name as PATH/data.db.part and renamed when complete, so an
// interrupted run never leaves a half-filled data.db behind.
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "bigshop_names.h"
#include "cashier/sale_area.h"
#include "core/bootstrap.h"
#include "core/dialogs.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "storage/database.h"
#include "storage/schema.h"
#include "util/clock.h"
#include "util/json_document.h"
#include "util/list_model.h"
#include "util/numbers.h"
#include "util/text_grid.h"

namespace {

namespace fs = std::filesystem;

constexpr int kGoods = 100000;
constexpr int kMembers = 10000;
constexpr int kSales = 1000000;
constexpr int kPurchases = 20000;
constexpr int kSuppliers = 10000;
constexpr int kLogEntries = 1000000;
constexpr int kDays = 730;
constexpr std::uint64_t kSeed = 20261210;

// ---- Deterministic randomness: the same numbers on every platform ----------------------------

std::uint64_t mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

class Random {
 public:
  explicit Random(std::uint64_t seed) : m_state(mix(seed ^ kSeed)) {}
  std::uint64_t next() { return mix(m_state++); }
  // 0 ≤ result < n.
  int below(int n) {
    return static_cast<int>((next() >> 32) * static_cast<std::uint64_t>(n) >> 32);
  }
  // lo ≤ result ≤ hi.
  int between(int lo, int hi) { return lo + below(hi - lo + 1); }
  // 0 ≤ result < 1.
  double unit() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }
  bool chance(double p) { return unit() < p; }
  template <typename T, std::size_t N>
  const T& pick(const T (&items)[N]) {
    return items[below(static_cast<int>(N))];
  }

 private:
  std::uint64_t m_state;
};

// ---- Calendar ----------------------------------------------------------------------------------

// Days from 1970-01-01 to the date (proleptic Gregorian calendar).
std::int64_t daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = static_cast<int>(y - era * 400);
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

cz::LocalDateTime civilFromDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int doe = static_cast<int>(days - era * 146097);
  const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int mp = (5 * doy + 2) / 153;
  cz::LocalDateTime t;
  t.day = doy - (153 * mp + 2) / 5 + 1;
  t.month = mp < 10 ? mp + 3 : mp - 9;
  t.year = static_cast<int>(yoe + era * 400) + (t.month <= 2);
  return t;
}

// A moment as whole seconds from 1970-01-01 08:00:00 local time: the stored timestamp text of
// orders is exactly this number.
struct Moment {
  std::int64_t seconds;

  cz::LocalDateTime local() const {
    const std::int64_t fromMidnight = seconds + 8 * 3600;
    std::int64_t days = fromMidnight / 86400;
    std::int64_t rest = fromMidnight % 86400;
    if (rest < 0) rest += 86400, --days;
    cz::LocalDateTime t = civilFromDays(days);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
  }
  std::string timestampText() const { return std::to_string(seconds); }
  std::string orderNumber(const char* prefix) const {
    const cz::LocalDateTime t = local();
    return std::string(prefix) + std::to_string(t.year) + std::to_string(t.month) +
           std::to_string(t.day) + timestampText();
  }
};

// The two years the data covers end on the last day of November 2026.
const std::int64_t kFirstDay = daysFromCivil(2024, 12, 1);

// The moment of the i-th of `count` events spread over the two years, in shop hours
// (08:00 to 22:00), in order.
Moment spread(std::int64_t i, std::int64_t count) {
  const std::int64_t day = i * kDays / count;
  const std::int64_t first = (day * count + kDays - 1) / kDays;  // first event of that day
  const std::int64_t next = ((day + 1) * count + kDays - 1) / kDays;
  const std::int64_t perDay = std::max<std::int64_t>(1, next - first);
  const std::int64_t second = 8 * 3600 + (i - first) * (14 * 3600) / perDay;
  return Moment{(kFirstDay + day) * 86400 + second - 8 * 3600};
}

// ---- Names -------------------------------------------------------------------------------------

using namespace bigshop;

std::string phoneNumber(Random& random) {
  static const char* const kPrefixes[] = {"130", "135", "138", "139", "150", "151",
                                          "158", "177", "186", "189", "199", "0735"};
  std::string phone = random.pick(kPrefixes);
  while (phone.size() < 11) phone += static_cast<char>('0' + random.below(10));
  return phone;
}

// A 13-digit EAN code starting with 69 (the numbers of this country's makers), with its check
// digit. Distinct items give distinct codes.
std::string ean13(int item) {
  std::string code = "69";
  const std::string body = std::to_string(1000000000LL + 37LL * item + 12345LL);
  code += body.substr(body.size() - 10);
  int sum = 0;
  for (int k = 0; k < 12; ++k) sum += (code[k] - '0') * (k % 2 == 0 ? 1 : 3);
  code += static_cast<char>('0' + (10 - sum % 10) % 10);
  return code;
}

// ---- The shop ----------------------------------------------------------------------------------

struct Goods {
  std::string name, barcode, specText;
  float costPrice, salePrice;
  int stock;
  std::string minimumRate;
  bool earnsPoints;
};

struct Member {
  std::string name, phone;
  int rate;
};

struct Supplier {
  std::string name, phone;
};

Goods makeGoods(int i) {
  Random random(1000000000ull + i);
  Goods g;
  const int brands = static_cast<int>(std::size(kBrands));
  const int products = static_cast<int>(std::size(kProducts));
  const int specs = static_cast<int>(std::size(kSpecs));
  g.specText = kSpecs[i / (brands * products) % specs];
  g.name = std::string(kBrands[i % brands]) + kProducts[i / brands % products] + g.specText;
  g.barcode = ean13(i);
  const double cost = cz::round1(0.5 + random.unit() * random.unit() * 300);
  g.costPrice = static_cast<float>(cost);
  g.salePrice = static_cast<float>(cz::round1(cost * (1.1 + random.unit() * 0.5)));
  g.stock = random.chance(0.03) ? 0 : random.between(1, 999);
  g.minimumRate = random.pick(kMinimumRates);
  g.earnsPoints = random.chance(0.8);
  return g;
}

Member makeMember(int i) {
  Random random(2000000000ull + i);
  static const int kRates[] = {10, 10, 10, 10, 9, 9, 8, 7};
  return Member{std::string(random.pick(kSurnames)) + random.pick(kGiven) +
                    (random.chance(0.5) ? random.pick(kGiven) : ""),
                phoneNumber(random), random.pick(kRates)};
}

Supplier makeSupplier(int i) {
  Random random(3000000000ull + i);
  return Supplier{std::string(random.pick(kCities)) + random.pick(kBrands) + random.pick(kTrades) +
                      "商贸有限公司" + std::to_string(i + 1) + "部",
                  phoneNumber(random)};
}

// One sale as checkout stores it: the cart lines and the row's values.
struct Sale {
  Moment moment;
  std::string number, customer, customerNumber, details, due, received, points, payment;
};

class SaleMaker {
 public:
  SaleMaker(const std::vector<Goods>& goods, const std::vector<Member>& members)
      : m_goods(goods), m_members(members) {
    cz::setUpSaleArea(m_area);
  }

  Sale make(int i) {
    Random random(4000000000ull + i);
    Sale sale;
    sale.moment = spread(i, kSales);
    sale.number = sale.moment.orderNumber("SX");
    const bool withMember = random.chance(0.4);
    const int memberIndex = random.below(kMembers);
    const float memberRate = withMember ? static_cast<float>(m_members[memberIndex].rate) : 10.0f;

    // Most baskets are small: 1 to 20 lines, seven on average.
    const double u = random.unit();
    const int lines = 1 + static_cast<int>(u * u * 20);
    cz::TextGrid& cart = m_area.cart;
    cart.setRowCount(1);
    float due = 0;
    float received = 0;
    double points = 0;
    for (int k = 1; k <= lines; ++k) {
      const Goods& g = m_goods[random.below(kGoods)];
      const bool isReturn = random.chance(0.02);
      const int quantity = random.chance(0.7) ? 1 : random.between(2, 6);
      const float minimum = cz::readSingle(g.minimumRate);
      const float rate = std::max(memberRate, minimum);
      double total = cz::round1(quantity * static_cast<double>(g.salePrice));
      if (isReturn) total = -total;
      const double paid = cz::round1(total * static_cast<double>(rate / 10));
      const std::string earned = g.earnsPoints ? cz::doubleText(total) : "";
      cart.appendRow({cz::integerText(k), g.name, g.barcode, g.specText, isReturn ? "退货" : "售出",
                      cz::singleText(g.salePrice), cz::integerText(quantity), cz::doubleText(total),
                      cz::singleText(rate), cz::doubleText(paid), cz::boolText(g.earnsPoints),
                      cz::singleText(g.costPrice),
                      cz::integerText(g.stock - (isReturn ? -quantity : quantity)),
                      cz::singleText(minimum), earned});
      due += static_cast<float>(total);
      received += static_cast<float>(paid);
      points += cz::readNumber(earned);
    }
    sale.details = cz::buildOrderDetails(cart);
    sale.due = cz::singleText(due);
    sale.received = cz::singleText(received);
    sale.customer = withMember ? m_members[memberIndex].name : "-";
    sale.customerNumber = withMember ? cz::integerText(memberIndex + 1) : "";
    sale.points = withMember ? cz::doubleText(cz::round1(points)) : "0";
    sale.payment = random.pick(kPayments);
    return sale;
  }

 private:
  const std::vector<Goods>& m_goods;
  const std::vector<Member>& m_members;
  cz::SaleArea m_area;
};

// ---- Writing -----------------------------------------------------------------------------------

class FixedClock : public cz::Clock {
 public:
  cz::LocalDateTime now() const override { return Moment{kFirstDay * 86400}.local(); }
};

class PrintedDialogs : public cz::Dialogs {
 public:
  void message(const std::string& text, const std::string& title, cz::MessageIcon) override {
    std::fprintf(stderr, "bigshop: %s: %s\n", title.c_str(), text.c_str());
  }
  bool ask(const std::string&, const std::string&, cz::Answer) override { return false; }
  std::optional<std::string> input(const std::string&, const std::string&,
                                   const std::string&) override {
    return std::nullopt;
  }
};

// One prepared insert, run many times with new values.
class Insert {
 public:
  Insert(cz::Database& db, const std::string& sql) : m_db(db), m_statement(db.prepare(sql, {})) {}
  bool ok() const { return m_statement != nullptr; }

  bool run(const std::vector<std::string>& values) {
    sqlite3_stmt* s = m_statement.get();
    sqlite3_reset(s);
    for (std::size_t k = 0; k < values.size(); ++k) {
      sqlite3_bind_text(s, static_cast<int>(k + 1), values[k].data(),
                        static_cast<int>(values[k].size()), SQLITE_TRANSIENT);
    }
    if (sqlite3_step(s) == SQLITE_DONE) return true;
    m_db.captureError();
    return false;
  }

 private:
  cz::Database& m_db;
  cz::Statement m_statement;
};

using Clock = std::chrono::steady_clock;

// Runs `fill` for `count` rows of one table inside one transaction.
template <typename Fill>
bool writeTable(cz::Database& db, const char* table, const std::string& sql, int count, Fill fill) {
  const auto start = Clock::now();
  Insert insert(db, sql);
  if (!insert.ok() || !db.begin()) {
    std::fprintf(stderr, "bigshop: %s: %s\n", table, db.lastError().c_str());
    return false;
  }
  std::vector<std::string> values;
  for (int i = 0; i < count; ++i) {
    fill(i, values);
    if (!insert.run(values)) {
      std::fprintf(stderr, "bigshop: %s row %d: %s\n", table, i, db.lastError().c_str());
      db.rollback();
      return false;
    }
  }
  if (!db.commit()) {
    std::fprintf(stderr, "bigshop: %s: %s\n", table, db.lastError().c_str());
    return false;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%-6s %8d rows  %6.1f s\n", table, count, seconds);
  std::fflush(stdout);
  return true;
}

bool writeShop(const std::string& path) {
  cz::Database db;
  if (!db.open(path)) {
    std::fprintf(stderr, "bigshop: %s: %s\n", path.c_str(), db.lastError().c_str());
    return false;
  }
  // A file that is renamed into place only when complete needs no journal.
  db.execute("PRAGMA journal_mode=OFF");
  db.execute("PRAGMA synchronous=OFF");
  db.execute("PRAGMA cache_size=-262144");

  cz::Session session;
  session.currentAccount = "admin";
  cz::ListModel logList;
  FixedClock clock;
  cz::OperationLog log(db, session, clock, logList);
  PrintedDialogs dialogs;
  if (!createSchema(db, log, dialogs)) return false;

  std::vector<Goods> goods;
  goods.reserve(kGoods);
  for (int i = 0; i < kGoods; ++i) goods.push_back(makeGoods(i));
  std::vector<Member> members;
  members.reserve(kMembers);
  for (int i = 0; i < kMembers; ++i) members.push_back(makeMember(i));
  std::vector<Supplier> suppliers;
  suppliers.reserve(kSuppliers);
  for (int i = 0; i < kSuppliers; ++i) suppliers.push_back(makeSupplier(i));

  const bool ok =
      writeTable(db, "库存",
                 "insert into 库存(名称,条码,规格,备注,进货价,销售价,当前库存,最低折扣,参与积分) "
                 "values(?,?,?,?,?,?,?,?,?)",
                 kGoods,
                 [&](int i, std::vector<std::string>& v) {
                   const Goods& g = goods[i];
                   v = {g.name,
                        g.barcode,
                        g.specText,
                        i % 50 == 0 ? "新品" : "",
                        cz::singleText(g.costPrice),
                        cz::singleText(g.salePrice),
                        cz::integerText(g.stock),
                        g.minimumRate,
                        cz::boolText(g.earnsPoints)};
                 }) &&
      writeTable(db, "会员",
                 "insert into 会员(姓名,联系方式,备注,折扣率,积分,创建者) values(?,?,?,?,?,?)",
                 kMembers,
                 [&](int i, std::vector<std::string>& v) {
                   Random random(5000000000ull + i);
                   const Member& m = members[i];
                   v = {m.name,
                        m.phone,
                        i % 20 == 0 ? "老顾客" : "",
                        cz::integerText(m.rate),
                        cz::doubleText(cz::round1(random.unit() * 5000)),
                        "admin"};
                 }) &&
      writeTable(db, "供应商", "insert into 供应商(名称,联系方式,创建者) values(?,?,?)", kSuppliers,
                 [&](int i, std::vector<std::string>& v) {
                   v = {suppliers[i].name, suppliers[i].phone, "admin"};
                 }) &&
      [&] {
        SaleMaker maker(goods, members);
        return writeTable(db, "销售",
                          "insert into 销售(订单号,日期,客户,客户编号,订单详情,总应收,总实收,积分,"
                          "付款方式,制单人) values(?,?,?,?,?,?,?,?,?,?)",
                          kSales, [&](int i, std::vector<std::string>& v) {
                            Sale s = maker.make(i);
                            v = {std::move(s.number),   s.moment.timestampText(),
                                 std::move(s.customer), std::move(s.customerNumber),
                                 std::move(s.details),  std::move(s.due),
                                 std::move(s.received), std::move(s.points),
                                 std::move(s.payment),  "admin"};
                          });
      }() &&
      [&] {
        cz::TextGrid grid;
        grid.setColumnCount(8);
        const char* const headers[] = {"",     "商品名称",     "条码", "规格",
                                       "单价", "数量(可编辑)", "总价", "目前库存"};
        for (int c = 0; c < 8; ++c) grid.setText(0, c, headers[c]);
        return writeTable(
            db, "进货",
            "insert into 进货(订单号,日期,供应商,电话,订单详情,应付,实付,付款方式,制单人) "
            "values(?,?,?,?,?,?,?,?,?)",
            kPurchases, [&](int i, std::vector<std::string>& v) {
              Random random(6000000000ull + i);
              const Moment moment = spread(i, kPurchases);
              const Supplier& supplier = suppliers[random.below(kSuppliers)];
              const int lines = random.between(1, 20);
              grid.setRowCount(1);
              float payable = 0;
              for (int k = 1; k <= lines; ++k) {
                const Goods& g = goods[random.below(kGoods)];
                const int quantity = random.between(1, 100);
                const double total = cz::round1(quantity * static_cast<double>(g.costPrice));
                grid.appendRow({cz::integerText(k), g.name, g.barcode, g.specText,
                                cz::singleText(g.costPrice), cz::integerText(quantity),
                                cz::doubleText(total), cz::integerText(g.stock)});
                payable += static_cast<float>(total);
              }
              const std::string due = cz::singleText(payable);
              v = {moment.orderNumber("CG"),
                   moment.timestampText(),
                   supplier.name,
                   supplier.phone,
                   cz::buildOrderDetails(grid),
                   due,
                   random.chance(0.9) ? due : cz::singleText(payable * 0.9f),
                   random.pick(kPayments),
                   "admin"};
            });
      }() &&
      [&] {
        // Most entries record stock changes; every tenth is a sale entry that quotes a stored
        // order in full, as checkout writes it.
        SaleMaker maker(goods, members);
        return writeTable(db, "日志", "insert into 日志(时间,类型,账号,日志) values(?,?,?,?)",
                          kLogEntries, [&](int i, std::vector<std::string>& v) {
                            Random random(7000000000ull + i);
                            const std::string time = cz::timeText(spread(i, kLogEntries).local());
                            std::string text;
                            int type = cz::LogType::Stock;
                            if (i % 10 == 0) {
                              const Sale s = maker.make(static_cast<int>(
                                  static_cast<std::int64_t>(i) * kSales / kLogEntries));
                              type = cz::LogType::Sale;
                              text = "创建销售单。\r\n订单号：" + s.number + "\r\n客户：" +
                                     s.customer + "\r\n客户编号：" + s.customerNumber +
                                     "\r\n详单详情：" + s.details + "\r\n总应收：" + s.due +
                                     "\r\n总实收：" + s.received + "\r\n付款方式：" + s.payment;
                            } else if (i % 100 == 1) {
                              type = cz::LogType::System;
                              text = "[admin]成功登录了系统";
                            } else {
                              const Goods& g = goods[random.below(kGoods)];
                              text = "减少商品：[" + g.name + "][" + g.barcode + "]库存数量：" +
                                     cz::integerText(random.between(1, 6));
                            }
                            v = {time, cz::integerText(type), "admin", std::move(text)};
                          });
      }();
  if (!ok) return false;

  const auto start = Clock::now();
  cz::ensureIndexes(db);
  std::printf("indexes          %6.1f s\n",
              std::chrono::duration<double>(Clock::now() - start).count());
  db.close();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bigshop PATH/data.db\n");
    return 2;
  }
  const fs::path target = argv[1];
  std::error_code error;
  if (fs::exists(target, error)) {
    std::fprintf(stderr, "bigshop: %s exists; it is left alone\n", target.c_str());
    return 1;
  }
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), error);
  const fs::path part = target.string() + ".part";
  fs::remove(part, error);

  const auto start = Clock::now();
  if (!writeShop(part.string())) {
    fs::remove(part, error);
    return 1;
  }
  fs::rename(part, target, error);
  if (error) {
    std::fprintf(stderr, "bigshop: %s: %s\n", target.c_str(), error.message().c_str());
    return 1;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%s: %.0f MB in %.1f s\n", target.c_str(),
              static_cast<double>(fs::file_size(target, error)) / 1e6, seconds);
  return 0;
}
