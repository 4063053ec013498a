#include "reports/report_tables.h"

#include <algorithm>
#include <cstdio>

#include "core/shift_report.h"
#include "util/numbers.h"

namespace cz {

namespace {

constexpr const char* kTotalsLabel = "合计";

// The money columns that the days' and the cashiers' tables share.
std::vector<std::string> sumsCells(const SalesSums& s) {
  std::vector<std::string> cells = {integerText(s.orders),        moneyText(s.due),
                                    moneyText(s.received),        moneyText(s.discount()),
                                    moneyText(s.returnAmount)};
  for (double amount : s.byPayment) cells.push_back(moneyText(amount));
  return cells;
}

std::vector<std::string> sumsHeaders(const char* first) {
  std::vector<std::string> headers = {first,      "订单数",   "总应收", "总实收",
                                      "优惠金额", "退货金额"};
  for (const char* method : kPaymentMethods) headers.push_back(method);
  return headers;
}

std::vector<std::string> withLabel(const std::string& label, std::vector<std::string> cells) {
  cells.insert(cells.begin(), label);
  return cells;
}

std::string hourLabel(int hour) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:00-%02d:59", hour, hour);
  return text;
}

// A quantity: whole units, or a weight with its decimals.
std::string quantityText(double quantity) {
  return doubleText(quantity == 0 ? 0.0 : quantity);
}

}  // namespace

std::string pageTitle(ReportPage page) {
  switch (page) {
    case ReportPage::Days:
      return "按日";
    case ReportPage::Goods:
      return "按商品";
    case ReportPage::Clerks:
      return "按收银员";
    case ReportPage::Hours:
      return "按小时";
  }
  return {};
}

ReportTable reportTable(const SalesReport& report, ReportPage page, bool withMargin) {
  ReportTable table;
  table.title = pageTitle(page);
  switch (page) {
    case ReportPage::Days: {
      table.headers = sumsHeaders("日期");
      const std::int64_t first = dayNumber(report.first);
      for (std::size_t i = 0; i < report.days.size(); ++i) {
        table.rows.push_back(withLabel(dayText(dayFromNumber(first + static_cast<std::int64_t>(i))),
                                       sumsCells(report.days[i])));
      }
      table.rows.push_back(withLabel(kTotalsLabel, sumsCells(report.total)));
      break;
    }
    case ReportPage::Goods: {
      table.headers = {"条码", "商品名称", "数量", "实收"};
      if (withMargin) table.headers.push_back("毛利");
      table.textColumns = 2;
      double quantity = 0, received = 0, margin = 0;
      for (const GoodsSums& g : report.goods) {
        std::vector<std::string> row = {g.barcode, g.name, quantityText(g.quantity),
                                        moneyText(g.received)};
        if (withMargin) row.push_back(moneyText(g.margin()));
        table.rows.push_back(std::move(row));
        quantity += g.quantity;
        received += g.received;
        margin += g.margin();
      }
      std::vector<std::string> totals = {kTotalsLabel, "", quantityText(quantity),
                                         moneyText(received)};
      if (withMargin) totals.push_back(moneyText(margin));
      table.rows.push_back(std::move(totals));
      break;
    }
    case ReportPage::Clerks:
      table.headers = sumsHeaders("收银员");
      for (const ClerkSums& clerk : report.clerks) {
        table.rows.push_back(withLabel(clerk.account, sumsCells(clerk.sums)));
      }
      table.rows.push_back(withLabel(kTotalsLabel, sumsCells(report.total)));
      break;
    case ReportPage::Hours:
      table.headers = {"时段", "订单数", "总实收"};
      for (int hour = 0; hour < 24; ++hour) {
        const SalesSums& s = report.hours[hour];
        table.rows.push_back({hourLabel(hour), integerText(s.orders), moneyText(s.received)});
      }
      table.rows.push_back(
          {kTotalsLabel, integerText(report.total.orders), moneyText(report.total.received)});
      break;
  }
  return table;
}

ReportChart reportChart(const SalesReport& report, ReportPage page) {
  ReportChart chart;
  switch (page) {
    case ReportPage::Days: {
      chart.title = "每日总实收";
      const std::int64_t first = dayNumber(report.first);
      for (std::size_t i = 0; i < report.days.size(); ++i) {
        const ReportDay day = dayFromNumber(first + static_cast<std::int64_t>(i));
        chart.labels.push_back(integerText(day.month) + "-" + integerText(day.day));
        chart.values.push_back(tidyMoney(report.days[i].received));
      }
      break;
    }
    case ReportPage::Goods: {
      chart.title = "实收前十的商品";
      const std::size_t count = std::min<std::size_t>(10, report.goods.size());
      for (std::size_t i = 0; i < count; ++i) {
        chart.labels.push_back(report.goods[i].name);
        chart.values.push_back(tidyMoney(report.goods[i].received));
      }
      break;
    }
    case ReportPage::Clerks:
      chart.title = "付款方式";
      chart.pie = true;
      for (int i = 0; i < 4; ++i) {
        chart.labels.push_back(kPaymentMethods[i]);
        chart.values.push_back(tidyMoney(report.total.byPayment[i]));
      }
      break;
    case ReportPage::Hours:
      chart.title = "各时段总实收";
      for (int hour = 0; hour < 24; ++hour) {
        chart.labels.push_back(integerText(hour));
        chart.values.push_back(tidyMoney(report.hours[hour].received));
      }
      break;
  }
  return chart;
}

}  // namespace cz
