#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cashier/sale_area.h"
#include "cashier/sale_presenter.h"
#include "support/recording_printer.h"
#include "support/test_app.h"

namespace cz::test {

// A logged-in program with a sale presenter on the main window's sale area.
class SaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app = std::make_unique<TestApp>(dir.path());
    startAndLogIn(*app);
    app->dialogs.calls.clear();
    setUpSaleArea(area);
    sale = std::make_unique<SalePresenter>(app->context, app->dialogs, printer, area);
  }

  // Adds a goods row; prices and stock as the texts the 库存 columns get.
  void addGoods(const std::string& name, const std::string& barcode, const std::string& price,
                const std::string& stock, const std::string& minimum = "0",
                const std::string& points = "真", const std::string& cost = "1") {
    ASSERT_TRUE(app->db.execute("insert into 库存 values(?,?,'瓶','',?,?,?,?,?)",
                                {name, barcode, cost, price, stock, minimum, points}))
        << app->db.lastError();
  }
  // Adds a member and returns its number.
  std::string addMember(const std::string& name, const std::string& contact,
                        const std::string& rate, const std::string& points = "0") {
    EXPECT_TRUE(app->db.execute(
        "insert into 会员(姓名,联系方式,备注,折扣率,积分,创建者) values(?,?,'',?,?,'admin')",
        {name, contact, rate, points}));
    return std::to_string(app->db.lastInsertRowId());
  }

  void newOrder() {
    if (sale->orderOpen() && lines() > 0) app->dialogs.answer(true);
    sale->startNewOrder();
  }
  void scan(const std::string& text) {
    sale->barcodeTextChanged(text);
    sale->barcodeKeyDown(13);
  }
  void enterMember(const std::string& text) {
    sale->memberTextChanged(text);
    sale->memberKeyDown(13);
  }
  // Types `text` into cell (row, col) as the grid's editor does.
  void edit(int row, int col, const std::string& text) {
    area.cart.setCurrentCell(row, col);
    sale->cursorMoved();
    ASSERT_TRUE(area.cart.editable());
    sale->editBegins();
    area.cart.setText(row, col, text);
    sale->editEnds();
  }
  void doubleClick(int row, int col) {
    area.cart.setCurrentCell(row, col);
    sale->cursorMoved();
    sale->cartDoubleClicked();
  }
  // Answers 是 to the confirmation and checks out.
  void checkout() {
    app->dialogs.answer(true);
    sale->checkoutClicked();
  }
  std::string cell(int row, int col) const { return area.cart.text(row, col); }
  // Texts of a cart line, columns 1 to 14.
  std::vector<std::string> line(int row) const {
    std::vector<std::string> texts;
    for (int c = 1; c < kCartColumnCount; ++c) texts.push_back(area.cart.text(row, c));
    return texts;
  }
  int lines() const { return area.cart.rowCount() - 1; }
  std::string stockOf(const std::string& barcode) {
    const auto rows = app->rows("select 当前库存 from 库存 where 条码=?", {barcode});
    return rows.empty() ? "?" : rows[0][0];
  }
  // "type|text" of the log entries stored since markLog().
  std::vector<std::string> storedLog() {
    std::vector<std::string> texts;
    for (const auto& row :
         app->rows("select 类型, 日志 from 日志 where rowid > ?", {std::to_string(m_logMark)})) {
      texts.push_back(row[0] + "|" + row[1]);
    }
    return texts;
  }
  // "type label|text" of the entries listed since markLog().
  std::vector<std::string> listedLog() {
    std::vector<std::string> texts;
    for (int i = m_listMark; i < app->logList.itemCount(); ++i) {
      texts.push_back(app->logList.text(i, 3) + "|" + app->logList.text(i, 4));
    }
    return texts;
  }
  void markLog() {
    const auto rows = app->rows("select ifnull(max(rowid),0) from 日志");
    m_logMark = std::stoll(rows.at(0).at(0));
    m_listMark = app->logList.itemCount();
  }

  TempDir dir;
  std::unique_ptr<TestApp> app;
  SaleArea area;
  RecordingPrinter printer;
  std::unique_ptr<SalePresenter> sale;

 private:
  long long m_logMark = 0;
  int m_listMark = 0;
};

}  // namespace cz::test
