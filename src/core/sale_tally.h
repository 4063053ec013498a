#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace cz {

// The payment methods of the sale, in the order the reports list them.
inline constexpr const char* kPaymentMethods[4] = {"现金支付", "微信支付", "支付宝支付",
                                                   "其他支付"};

// One stored sale line as the reports count it, read from the order-details text.
struct SaleLine {
  std::string_view name;     // 商品名称
  std::string_view barcode;  // 条码
  double quantity = 0;       // 数量
  double total = 0;          // 总价 (before discount)
  double received = 0;       // 实收
  double costPrice = 0;      // 进货价 at the time of the sale
  // The stored lines carry no type: a return line is the one with negative amounts.
  bool isReturn() const { return received < 0 || total < 0; }
};

// Calls `each` for every line of an order-details text; an unreadable text has none.
void forEachSaleLine(std::string_view details, const std::function<void(const SaleLine&)>& each);

// A money sum as the reports show it: rounded to one decimal (round1), never "-0".
double tidyMoney(double value);

// One 销售 row's amounts, read from its 总应收, 总实收, 积分 and 付款方式 texts.
struct OrderAmounts {
  double due = 0;
  double received = 0;
  double points = 0;
  int payment = -1;  // index in kPaymentMethods; −1 for any other text
};
OrderAmounts readOrderAmounts(std::string_view due, std::string_view received,
                              std::string_view points, std::string_view payment);

// Running sums over stored sales. Every amount is summed as read and rounded only when shown
// (tidyMoney), so sums over the same rows agree to the cent wherever they are taken.
struct SalesSums {
  std::int64_t orders = 0;
  double due = 0;       // 总应收
  double received = 0;  // 总实收
  double points = 0;    // 积分 granted
  double byPayment[4] = {0, 0, 0, 0};  // 总实收 in the order of kPaymentMethods
  std::int64_t saleLines = 0;
  double saleAmount = 0;  // 实收 of the 售出 lines
  std::int64_t returnLines = 0;
  double returnAmount = 0;  // 实收 of the 退货 lines (negative)

  // One 销售 row's 总应收, 总实收, 积分 and 付款方式 texts.
  void addOrder(std::string_view due, std::string_view received, std::string_view points,
                std::string_view payment);
  void add(const OrderAmounts& order);
  void addLine(const SaleLine& line);
  // 应收 − 实收, unrounded.
  double discount() const { return due - received; }
};

}  // namespace cz
