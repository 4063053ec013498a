#include "util/typed_number.h"

#include <gtest/gtest.h>

namespace cz {
namespace {

constexpr auto Fine = TypedNumberCheck::Fine;
constexpr auto NaN = TypedNumberCheck::NotANumber;
constexpr auto Out = TypedNumberCheck::OutOfRange;

TEST(TypedNumber, EachKindTakesOnlyNumbersInItsRange) {
  const struct {
    const char* text;
    TypedNumberCheck amount, count, rate, quantity;
  } cases[] = {
      // text            price  stock  rate   quantity
      {"0", Fine, Fine, Fine, Out},
      {"12", Fine, Fine, Out, Fine},
      {" 7 ", Fine, Fine, Fine, Fine},
      {"\t3", Fine, Fine, Fine, Fine},
      {"9.9", Fine, Out, Fine, Out},
      {".5", Fine, Out, Fine, Out},
      {"5.", Fine, Out, Fine, Out},
      {"3.0", Fine, Out, Fine, Out},
      {"10", Fine, Fine, Fine, Fine},
      {"10.0000001", Fine, Out, Fine, Out},
      {"10.5", Fine, Out, Out, Out},
      {"-5", Out, Out, Out, Out},
      {"-0", Out, Out, Out, Out},
      {"-0.5", Out, Out, Out, Out},
      {"99999999", Fine, Fine, Out, Out},
      {"100000000", Out, Fine, Out, Out},
      {"999999999", Out, Fine, Out, Out},
      {"1000000000", Out, Out, Out, Out},
      {"999999", Fine, Fine, Out, Fine},
      {"1000000", Fine, Fine, Out, Out},
      {"99999999999999999999999", Out, Out, Out, Out},
      {"", NaN, NaN, NaN, NaN},
      {"   ", NaN, NaN, NaN, NaN},
      {"abc", NaN, NaN, NaN, NaN},
      {"3.5.1", NaN, NaN, NaN, NaN},
      {"1e3", NaN, NaN, NaN, NaN},
      {"+5", NaN, NaN, NaN, NaN},
      {"- 5", NaN, NaN, NaN, NaN},
      {"5-", NaN, NaN, NaN, NaN},
      {".", NaN, NaN, NaN, NaN},
      {"-", NaN, NaN, NaN, NaN},
      {"1,000", NaN, NaN, NaN, NaN},
      {"12元", NaN, NaN, NaN, NaN},
      {"１２", NaN, NaN, NaN, NaN},  // full-width digits
      {"0x10", NaN, NaN, NaN, NaN},
      {"nan", NaN, NaN, NaN, NaN},
      {"inf", NaN, NaN, NaN, NaN},
      {"3 5", NaN, NaN, NaN, NaN},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(checkTypedNumber(c.text, TypedNumberKind::Amount), c.amount) << c.text;
    EXPECT_EQ(checkTypedNumber(c.text, TypedNumberKind::Count), c.count) << c.text;
    EXPECT_EQ(checkTypedNumber(c.text, TypedNumberKind::Rate), c.rate) << c.text;
    EXPECT_EQ(checkTypedNumber(c.text, TypedNumberKind::Quantity), c.quantity) << c.text;
  }
}

TEST(TypedNumber, MessagesNameTheColumnAndTheRange) {
  EXPECT_EQ(typedNumberProblem("销售价", "abc", TypedNumberKind::Amount), "[销售价]不是有效的数字");
  EXPECT_EQ(typedNumberProblem("进货价", "-1", TypedNumberKind::Amount),
            "[进货价]必须在0到99999999之间");
  EXPECT_EQ(typedNumberProblem("当前库存", "3.5", TypedNumberKind::Count),
            "[当前库存]必须是0到999999999之间的整数");
  EXPECT_EQ(typedNumberProblem("折扣率", "11", TypedNumberKind::Rate), "[折扣率]必须在0到10之间");
  EXPECT_EQ(typedNumberProblem("数量", "0", TypedNumberKind::Quantity),
            "[数量]必须是1到999999之间的整数");
  EXPECT_EQ(typedNumberProblem("数量", "2", TypedNumberKind::Quantity), "");
}

}  // namespace
}  // namespace cz
