#include <gtest/gtest.h>

#include "admin/settings_file.h"
#include "cashier/scale_label.h"
#include "cashier/scale_sale.h"

namespace cz {
namespace {

TEST(ScaleLabelTest, CheckDigitWeighsThreeAndOneFromTheRight) {
  // A well-known EAN-13 (…1), and the labels the other tests scan.
  EXPECT_EQ(gs1CheckDigit("400638133393"), 1);
  EXPECT_EQ(gs1CheckDigit("210004201234"), 9);
  EXPECT_EQ(gs1CheckDigit("21000420123400617"), 5);
  EXPECT_EQ(gs1CheckDigit("000000000000"), 0);
}

TEST(ScaleLabelTest, ReadsBothFormatsFlagsAndCheckDigits) {
  ScaleSettings amount;
  amount.enabled = true;
  ScaleSettings weight = amount;
  weight.thirteenDigitWeight = true;
  ScaleSettings off;  // 启用 is off by default
  ScaleSettings flag23 = amount;
  flag23.flags = {"23"};

  struct Case {
    const char* what;
    std::string text;
    const ScaleSettings& settings;
    ScaleScan scan;
    std::string plu;
    bool hasAmount;
    std::int64_t fen;
    bool hasWeight;
    std::int64_t grams;
  };
  const Case cases[] = {
      {"18 digits: amount and weight", "210004201234006175", amount, ScaleScan::Label, "00042",
       true, 1234, true, 617},
      {"18 digits, wrong check digit", "210004201234006174", amount, ScaleScan::BadCheckDigit, "",
       false, 0, false, 0},
      {"13 digits read as the amount", "2100042012349", amount, ScaleScan::Label, "00042", true,
       1234, false, 0},
      {"13 digits read as the weight", "2100042006171", weight, ScaleScan::Label, "00042", false, 0,
       true, 617},
      {"13 digits, wrong check digit", "2100042012340", amount, ScaleScan::BadCheckDigit, "", false,
       0, false, 0},
      {"the second default flag, PLU of zeros", "2200000005007", amount, ScaleScan::Label, "00000",
       true, 500, false, 0},
      {"PLU without leading zeros", "2112345001005", amount, ScaleScan::Label, "12345", true, 100,
       false, 0},
      {"a flag not listed", "2300042012343", amount, ScaleScan::NotALabel, "", false, 0, false, 0},
      {"a flag of its own", "2300042012343", flag23, ScaleScan::Label, "00042", true, 1234, false,
       0},
      {"the default flags no longer listed", "2100042012349", flag23, ScaleScan::NotALabel, "",
       false, 0, false, 0},
      {"scale off: an ordinary barcode", "2100042012349", off, ScaleScan::NotALabel, "", false, 0,
       false, 0},
      {"scale off, bad check digit too", "2100042012340", off, ScaleScan::NotALabel, "", false, 0,
       false, 0},
      {"an ordinary EAN-13", "4006381333931", amount, ScaleScan::NotALabel, "", false, 0, false, 0},
      {"12 digits", "210004201234", amount, ScaleScan::NotALabel, "", false, 0, false, 0},
      {"14 digits", "21000420123490", amount, ScaleScan::NotALabel, "", false, 0, false, 0},
      {"a letter inside", "21000420A2349", amount, ScaleScan::NotALabel, "", false, 0, false, 0},
      {"blanks around", " 2100042012349", amount, ScaleScan::NotALabel, "", false, 0, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ScaleLabel label = readScaleLabel(c.text, c.settings);
    EXPECT_EQ(label.scan, c.scan);
    if (c.scan != ScaleScan::Label) continue;
    EXPECT_EQ(label.plu, c.plu);
    EXPECT_EQ(label.hasAmount, c.hasAmount);
    EXPECT_EQ(label.amountFen, c.fen);
    EXPECT_EQ(label.hasWeight, c.hasWeight);
    EXPECT_EQ(label.grams, c.grams);
  }
}

TEST(ScaleLabelTest, LineQuantityAndTotal) {
  struct Case {
    const char* what;
    bool hasAmount;
    std::int64_t fen;
    bool hasWeight;
    std::int64_t grams;
    double price;
    bool ok;
    std::string quantity;
    double total;
  };
  const Case cases[] = {
      // The label's amount is the total, rounded like any amount; the weight is the label's.
      {"amount and weight", true, 1234, true, 617, 20, true, "0.617", 12.3},
      {"amount and weight disagreeing with the price", true, 1000, true, 617, 20, true, "0.617",
       10},
      {"amount only: the weight is amount / price", true, 1234, false, 0, 20, true, "0.617", 12.3},
      {"amount only, to the gram", true, 1000, false, 0, 3, true, "3.333", 10},
      {"amount only, half a gram rounds up", true, 1, false, 0, 20, true, "0.001", 0},
      {"weight only: the total is weight x price", false, 0, true, 617, 20, true, "0.617", 12.3},
      {"weight only, rounds half away from zero", false, 0, true, 1250, 9.9, true, "1.25", 12.4},
      {"whole kilograms", false, 0, true, 2000, 5, true, "2", 10},
      {"amount only without a price", true, 1234, false, 0, 0, false, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScaleLabel label;
    label.scan = ScaleScan::Label;
    label.hasAmount = c.hasAmount;
    label.amountFen = c.fen;
    label.hasWeight = c.hasWeight;
    label.grams = c.grams;
    const ScaleLine line = scaleLine(label, c.price);
    EXPECT_EQ(line.ok, c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(line.quantityText, c.quantity);
    EXPECT_DOUBLE_EQ(line.total, c.total);
  }
}

TEST(ScaleLabelTest, FlagsSettingIsACommaList) {
  EXPECT_EQ(scaleFlagsFromText("21,22"), (std::vector<std::string>{"21", "22"}));
  EXPECT_EQ(scaleFlagsFromText(" 20 ，28, 2,123,ab,"), (std::vector<std::string>{"20", "28"}));
  EXPECT_TRUE(scaleFlagsFromText("").empty());
}

TEST(ScaleLabelTest, TypedWeightsAndQuantityTexts) {
  struct Case {
    std::string text;
    std::optional<double> weight;
  };
  const Case cases[] = {{"1.25", 1.25}, {" 0.617 ", 0.617}, {"3", 3},           {"0.001", 0.001},
                        {".5", 0.5},    {"2.", 2},          {"1.2345", {}},     {"0", {}},
                        {"0.0004", {}}, {"-1", {}},         {"1e3", {}},        {"1.2.3", {}},
                        {"", {}},       {" ", {}},          {"1000000000", {}}, {"99999999999", {}},
                        {"１", {}}};
  for (const Case& c : cases) EXPECT_EQ(typedWeight(c.text), c.weight) << c.text;

  EXPECT_EQ(quantityText(0.617), "0.617");
  EXPECT_EQ(quantityText(10 - 0.617), "9.383");
  EXPECT_EQ(quantityText(0.1 + 0.2), "0.3");
  EXPECT_EQ(quantityText(2), "2");
  EXPECT_EQ(quantityText(-0.0001), "0");
  EXPECT_EQ(quantityText(999999999), "999999999");
}

}  // namespace
}  // namespace cz
