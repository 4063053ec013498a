#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/windows.h"
#include "history/order_time.h"
#include "storage/database.h"
#include "util/text_grid.h"

namespace cz {

class Dialogs;
struct AppContext;

// What the search boxes of an order list hold when 查询 is clicked.
struct OrderSearch {
  std::string orderNumber;  // 编辑框订单
  std::string customer;     // 编辑框客户 (the supplier on the purchase list)
  std::string details;      // 编辑框详情
  int paymentIndex = 0;     // 组合框1; 0 is "所有"
  bool dateRange = false;   // 选择框1
  CalendarDay firstDay;     // 日期框1
  CalendarDay lastDay;      // 日期框2
};

// "出货订单记录" / "采购订单记录": the stored sales or purchase orders a page at a time, with
// search, paging, deletion and the detail window.
//
// Every page load reads the file as it is then: the orders stored or deleted while the list is
// open (the cashier keeps selling) are counted, numbered and shown like the others. A plain list
// or a date search counts its orders and reads the page in 日期, rowid order off the date index,
// so every page costs the same however deep it lies. A search on typed text keeps the matching
// rowids and, at each page load, brings them up to date with the orders stored since (see
// loadMatches), scanning everything again only when an order it had seen is gone.
class OrderListPresenter {
 public:
  static constexpr int kWidth = 1172;
  static constexpr int kHeight = 755;
  // Used when the rows-per-page setting is below 1.
  static constexpr int kDefaultRowsPerPage = 300;

  // Runs load-all, as the window does when it is created.
  OrderListPresenter(AppContext& app, Dialogs& dialogs, OrderKind kind);

  OrderKind kind() const { return m_kind; }
  // The window caption: the list's name until the first page load, then the page caption.
  const std::string& caption() const { return m_caption; }
  // 透明标签2: "客户" or "供应商".
  std::string customerLabel() const;
  // Left edge of 超级查询.
  int queryButtonLeft() const;
  // The items of 组合框1, "所有" first.
  static const std::vector<std::string>& paymentItems();

  TextGrid& grid() { return m_grid; }
  const TextGrid& grid() const { return m_grid; }
  int pageCount() const { return m_pageCount; }
  int currentPage() const { return m_currentPage; }
  int lastPage() const { return m_lastPage; }
  // Rows the lists show per page: the setting, or 300 when it is below 1.
  int rowsPerPage() const;

  // The search boxes; the window copies its controls here before calling search().
  OrderSearch search;

  // Menu item 加载所有订单 (and window creation): every order, page 1 (page 0 when none).
  void loadAll();
  // 超级查询: the orders matching the search boxes, page 1.
  void runSearch();
  // |< << >> >| and 跳到 (with the text of 编辑框跳到).
  void firstPage();
  void previousPage();
  void nextPage();
  void lastPageClicked();
  void jump(const std::string& jumpText);
  // 编辑框跳到 changed to `text`: returns the text the box should hold afterwards.
  std::string jumpTextChecked(const std::string& text) const;

  // Double click or 查看订单清单: opens the detail window of the current row, if any.
  void showDetail();
  // 统计 (the sales list only): opens 销售统计.
  void statisticsClicked();
  // 删除订单: permission, question, delete of the selected order only, log, row removed.
  void deleteOrder();

  // The rowid of the order shown in a grid row; 0 when there is none.
  std::int64_t rowidOf(int row) const;

 private:
  // What the table held when the typed-text matches were last brought up to date.
  struct MatchSnapshot {
    bool valid = false;
    std::int64_t stored = 0;  // count(*) of the table, less the list's own deletes since
    // The rows of the largest rowids (largest first), each its rowid and then every column; the
    // list's own deletes are taken out.
    std::vector<std::vector<std::string>> top;
  };

  const char* table() const;
  void countAndStart(bool pageOneWhenEmpty);
  void pageLoad();
  void setCaption();
  // Each counts the result in the state of the file `hold` keeps open, fills `rows` with the
  // page at `offset` and returns the count.
  std::int64_t loadIndexed(RecordSet& hold, std::vector<std::vector<std::string>>& rows,
                           std::int64_t offset, int limit);
  std::int64_t loadMatches(RecordSet& hold, std::vector<std::vector<std::string>>& rows,
                           std::int64_t offset, int limit);
  bool catchUpMatches(std::int64_t stored);
  void rescanMatches(std::int64_t stored);
  bool takeTopRows();
  std::vector<std::string> readRow(RecordSet& set, std::int64_t number) const;

  AppContext& m_app;
  Dialogs& m_dialogs;
  OrderKind m_kind;
  std::string m_caption;
  TextGrid m_grid;

  // The current query: its condition (empty for all orders) and values; for a search on typed
  // text, the matching rowids in page order and what they were read from.
  std::string m_condition;
  SqlParams m_params;
  bool m_byRowids = false;
  std::vector<std::int64_t> m_rowids;
  MatchSnapshot m_snapshot;
  // The number of orders the last page load counted.
  std::int64_t m_total = 0;

  int m_pageCount = 0;
  int m_currentPage = 0;
  int m_lastPage = 0;
  // Beside each grid row (index row − 1): the rowid of its order.
  std::vector<std::int64_t> m_rowRowids;
};

}  // namespace cz
