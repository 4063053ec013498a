#include "core/sale_tally.h"

#include <vector>

#include "util/numbers.h"
#include "util/order_lines.h"

namespace cz {

void forEachSaleLine(std::string_view details, const std::function<void(const SaleLine&)>& each) {
  static const std::vector<std::string_view> kNames = {"商品名称", "条码", "数量",
                                                       "总价",     "实收", "进货价"};
  forEachOrderLine(details, kNames, [&each](const std::vector<std::string_view>& v) {
    SaleLine line;
    line.name = v[0];
    line.barcode = v[1];
    line.quantity = readNumber(v[2]);
    line.total = readNumber(v[3]);
    line.received = readNumber(v[4]);
    line.costPrice = readNumber(v[5]);
    each(line);
  });
}

double tidyMoney(double value) {
  const double rounded = round1(value);
  return rounded == 0 ? 0.0 : rounded;
}

OrderAmounts readOrderAmounts(std::string_view due, std::string_view received,
                              std::string_view points, std::string_view payment) {
  OrderAmounts order{readNumber(due), readNumber(received), readNumber(points), -1};
  for (int i = 0; i < 4; ++i) {
    if (payment == kPaymentMethods[i]) order.payment = i;
  }
  return order;
}

void SalesSums::addOrder(std::string_view dueText, std::string_view receivedText,
                         std::string_view pointsText, std::string_view payment) {
  add(readOrderAmounts(dueText, receivedText, pointsText, payment));
}

void SalesSums::add(const OrderAmounts& order) {
  ++orders;
  due += order.due;
  received += order.received;
  points += order.points;
  if (order.payment >= 0) byPayment[order.payment] += order.received;
}

void SalesSums::addLine(const SaleLine& line) {
  if (line.isReturn()) {
    ++returnLines;
    returnAmount += line.received;
  } else {
    ++saleLines;
    saleAmount += line.received;
  }
}

}  // namespace cz
