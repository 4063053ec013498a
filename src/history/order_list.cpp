#include "history/order_list.h"

#include <algorithm>
#include <unordered_map>

#include "catalogue/lookups.h"
#include "core/app_context.h"
#include "core/dialogs.h"
#include "core/operation_log.h"
#include "core/permissions.h"
#include "core/session.h"
#include "util/json_document.h"
#include "util/numbers.h"

namespace cz {

namespace {

struct Column {
  const char* header;
  int width;
};

const std::vector<Column>& columnsOf(OrderKind kind) {
  static const std::vector<Column> sales = {{"", 35},         {"订单号", 180},  {"日期", 165},
                                            {"客户", 120},    {"客户编号", 60}, {"订单清单", 180},
                                            {"总应收", 80},   {"总实收", 80},   {"获得积分", 60},
                                            {"付款方式", 85}, {"制单人", 100}};
  // Column 4 holds the supplier's 电话, hidden.
  static const std::vector<Column> purchases = {
      {"", 35},          {"订单号", 180}, {"日期", 165},  {"供应商", 150},  {"供应商编号", 0},
      {"订单清单", 220}, {"总应付", 90},  {"总实付", 90}, {"付款方式", 85}, {"制单人", 100}};
  return kind == OrderKind::Sale ? sales : purchases;
}

constexpr int kDateColumn = 2;
// Rowids per "rowid in (…)" statement, well below the engine's limit on bound values.
constexpr std::size_t kRowidChunk = 500;

int pageCountOf(std::int64_t rows, int perPage) {
  if (rows <= 0) return 0;
  const std::int64_t pages = rows / perPage + (rows % perPage > 0 ? 1 : 0);
  return static_cast<int>(std::min<std::int64_t>(pages, 2147483647));
}

}  // namespace

OrderListPresenter::OrderListPresenter(AppContext& app, Dialogs& dialogs, OrderKind kind)
    : m_app(app),
      m_dialogs(dialogs),
      m_kind(kind),
      m_caption(kind == OrderKind::Sale ? "出货订单记录" : "采购订单记录") {
  const auto& columns = columnsOf(kind);
  m_grid.setColumnCount(static_cast<int>(columns.size()));
  for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
    m_grid.setText(0, c, columns[static_cast<size_t>(c)].header);
    m_grid.setColumnWidth(c, columns[static_cast<size_t>(c)].width);
  }
  m_grid.setEditable(false);
  loadAll();
}

const char* OrderListPresenter::table() const {
  return m_kind == OrderKind::Sale ? "销售" : "进货";
}

std::string OrderListPresenter::customerLabel() const {
  return m_kind == OrderKind::Sale ? "客户" : "供应商";
}

int OrderListPresenter::queryButtonLeft() const {
  return m_kind == OrderKind::Sale ? 820 : 822;
}

const std::vector<std::string>& OrderListPresenter::paymentItems() {
  static const std::vector<std::string> items = {"所有", "微信支付", "现金支付", "支付宝支付",
                                                 "其他支付"};
  return items;
}

int OrderListPresenter::rowsPerPage() const {
  const int setting = m_app.session.settings.rowsPerPage;
  return setting < 1 ? kDefaultRowsPerPage : setting;
}

void OrderListPresenter::loadAll() {
  m_where.clear();
  m_params.clear();
  m_byRowids = false;
  m_rowids.clear();
  countAndStart(false);
}

void OrderListPresenter::runSearch() {
  m_where.clear();
  m_params.clear();
  m_rowids.clear();
  std::vector<std::string> terms;
  // An empty box matches every order the program writes, so its term is left out.
  auto contains = [&](const char* column, const std::string& text) {
    if (text.empty()) return;
    terms.push_back(std::string(column) + " like ?");
    m_params.push_back(containsPattern(text));
  };
  contains("订单号", search.orderNumber);
  contains(m_kind == OrderKind::Sale ? "客户" : "供应商", search.customer);
  // The details are a JSON text: a backslash, quote, tab, line break or control character of a
  // cell is stored escaped, so the escaped form is searched as well as the typed one.
  const std::string escaped = jsonStringContent(search.details);
  if (escaped == search.details) {
    contains("订单详情", search.details);
  } else {
    terms.push_back("(订单详情 like ? or 订单详情 like ?)");
    m_params.push_back(containsPattern(search.details));
    m_params.push_back(containsPattern(escaped));
  }
  const auto& payments = paymentItems();
  if (search.paymentIndex > 0 && search.paymentIndex < static_cast<int>(payments.size()))
    contains("付款方式", payments[static_cast<size_t>(search.paymentIndex)]);
  m_byRowids = !terms.empty();
  if (search.dateRange) {
    // Compared as text on the date index; ten-digit values order like the times they stand for,
    // and a longer (millisecond) value falls in the range of its first ten digits.
    const DayRange range = dayRange(search.firstDay, search.lastDay);
    terms.push_back("日期 >= ? and 日期 < ?");
    m_params.push_back(range.from);
    m_params.push_back(range.until);
  }
  for (size_t i = 0; i < terms.size(); ++i) m_where += (i == 0 ? " where " : " and ") + terms[i];
  countAndStart(true);
}

void OrderListPresenter::countAndStart(bool pageOneWhenEmpty) {
  m_total = 0;
  m_rowids.clear();
  RecordSet set(m_app.db);
  if (m_byRowids) {
    // A LIKE on a substring uses no index: one pass finds the matches, and every page is then
    // read by rowid without searching again. The "+" keeps the date index for the date range
    // only: walking the whole index in order to fetch each row costs more than sorting matches.
    if (set.open(std::string("select rowid from ") + table() + m_where + " order by +日期, rowid",
                 m_params)) {
      while (set.next()) m_rowids.push_back(readInteger(set.field(1)));
    }
    m_total = static_cast<std::int64_t>(m_rowids.size());
  } else if (set.open(std::string("select count(*) from ") + table() + m_where, m_params) &&
             set.next()) {
    m_total = readInteger(set.field(1));
  }
  set.close();
  m_pageCount = pageCountOf(m_total, rowsPerPage());
  m_lastPage = m_pageCount;
  m_currentPage = (m_total > 0 || pageOneWhenEmpty) ? 1 : 0;
  pageLoad();
}

void OrderListPresenter::readPage(std::vector<std::vector<std::string>>& rows, std::int64_t offset,
                                  int limit) {
  const int columns = m_grid.columnCount();
  auto readRow = [&](RecordSet& set, std::int64_t number) {
    std::vector<std::string> cells(static_cast<size_t>(columns));
    cells[0] = integerText(number);
    // Field 1 is the rowid; field j + 1 is the table's column j.
    for (int j = 1; j < columns; ++j) {
      std::string text = set.field(j + 1);
      cells[static_cast<size_t>(j)] = j == kDateColumn ? orderTimeDisplay(text) : std::move(text);
    }
    return cells;
  };

  if (!m_byRowids) {
    if (offset >= m_total) return;
    const std::int64_t count = std::min<std::int64_t>(limit, m_total - offset);
    // The page's rowids come from the date index alone (no table row is read for the rows
    // skipped), walked from whichever end of the result is nearer.
    const bool fromEnd = offset > m_total - offset - count;
    SqlParams params = m_params;
    params.push_back(integerText(count));
    params.push_back(integerText(fromEnd ? m_total - offset - count : offset));
    RecordSet set(m_app.db);
    if (!set.open(std::string("select rowid,* from ") + table() +
                      " where rowid in (select rowid from " + table() + m_where +
                      (fromEnd ? " order by 日期 desc, rowid desc" : " order by 日期, rowid") +
                      " limit ? offset ?) order by 日期, rowid",
                  params))
      return;
    while (set.next()) {
      m_rowRowids.push_back(readInteger(set.field(1)));
      rows.push_back(readRow(set, offset + static_cast<std::int64_t>(rows.size()) + 1));
    }
    return;
  }

  if (offset >= static_cast<std::int64_t>(m_rowids.size())) return;
  const auto first = m_rowids.begin() + offset;
  const auto last = m_rowids.begin() + std::min<std::int64_t>(offset + limit, m_total);
  std::unordered_map<std::int64_t, std::vector<std::string>> found;
  for (auto chunk = first; chunk < last;) {
    const auto chunkEnd = chunk + std::min<std::ptrdiff_t>(kRowidChunk, last - chunk);
    std::string sql = std::string("select rowid,* from ") + table() + " where rowid in (";
    SqlParams params;
    for (auto it = chunk; it != chunkEnd; ++it) {
      sql += it == chunk ? "?" : ",?";
      params.push_back(integerText(*it));
    }
    sql += ")";
    RecordSet set(m_app.db);
    if (set.open(sql, params)) {
      while (set.next()) found.emplace(readInteger(set.field(1)), readRow(set, 0));
    }
    chunk = chunkEnd;
  }
  for (auto it = first; it != last; ++it) {
    auto match = found.find(*it);
    if (match == found.end()) continue;  // deleted since the search
    match->second[0] = integerText(offset + (it - first) + 1);
    m_rowRowids.push_back(*it);
    rows.push_back(std::move(match->second));
  }
}

void OrderListPresenter::pageLoad() {
  const int perPage = rowsPerPage();
  // Page 0 (no orders) reads from the start, like page 1.
  const std::int64_t offset =
      std::max<std::int64_t>(0, (static_cast<std::int64_t>(m_currentPage) - 1) * perPage);
  std::vector<std::vector<std::string>> rows;
  m_rowRowids.clear();
  readPage(rows, offset, perPage);
  m_caption = std::string(m_kind == OrderKind::Sale ? "销售订单" : "采购订单") + "   共" +
              integerText(m_pageCount) + "页    当前第" + integerText(m_currentPage) + "页";
  m_grid.reset();
  m_grid.appendRows(std::move(rows));
}

void OrderListPresenter::firstPage() {
  m_currentPage = 1;
  pageLoad();
}

void OrderListPresenter::previousPage() {
  if (m_currentPage < 2) {
    m_currentPage = 1;
    m_dialogs.message("已经到首页了", kDefaultTitle, MessageIcon::Information);
  } else {
    --m_currentPage;
  }
  pageLoad();
}

void OrderListPresenter::nextPage() {
  if (m_currentPage < m_lastPage) {
    ++m_currentPage;
  } else {
    m_currentPage = m_lastPage;
    m_dialogs.message("已经到底了", kDefaultTitle, MessageIcon::Information);
  }
  pageLoad();
}

void OrderListPresenter::lastPageClicked() {
  m_currentPage = m_lastPage;
  pageLoad();
}

void OrderListPresenter::jump(const std::string& jumpText) {
  const std::int64_t wanted = readInteger(jumpText);
  // A number left from an earlier, longer result shows the last page; 0 and below show page 1.
  m_currentPage =
      static_cast<int>(std::max<std::int64_t>(1, std::min<std::int64_t>(wanted, m_pageCount)));
  pageLoad();
}

std::string OrderListPresenter::jumpTextChecked(const std::string& text) const {
  const std::int64_t n = readInteger(text);
  std::string result = text;
  if (n > m_pageCount) result = integerText(m_pageCount);
  if (n < 0) result = "0";
  return result;
}

void OrderListPresenter::showDetail() {
  const int row = m_grid.currentRow();
  if (row < 1 || row >= m_grid.rowCount()) return;
  std::vector<std::string> cells;
  for (int c = 0; c < m_grid.columnCount(); ++c) cells.push_back(m_grid.text(row, c));
  m_app.windows.openOrderDetail(m_kind, cells);
}

std::int64_t OrderListPresenter::rowidOf(int row) const {
  if (row < 1 || row > static_cast<int>(m_rowRowids.size())) return 0;
  return m_rowRowids[static_cast<size_t>(row - 1)];
}

void OrderListPresenter::deleteOrder() {
  const bool sale = m_kind == OrderKind::Sale;
  const std::string operation = sale ? "删除销售订单" : "删除采购订单";
  if (!checkPermission(m_app.session.permissions,
                       sale ? Permission::DeleteSales : Permission::DeletePurchases, m_dialogs,
                       refusalText(operation)))
    return;
  const int row = m_grid.currentRow();
  if (row < 1 || row >= m_grid.rowCount()) return;
  const std::string number = m_grid.text(row, 1);
  if (!m_dialogs.ask("确定删除订单号[" + number + "]吗？")) return;
  // By rowid: two orders may share a number, and only the selected one goes.
  const std::int64_t rowid = rowidOf(row);
  const std::string what = std::string(sale ? "删除销售订单[" : "删除进货订单[") + number + "]";
  if (!m_app.db.execute(std::string("delete from ") + table() + " where rowid=?",
                        {integerText(rowid)})) {
    const std::string error = m_app.db.lastError();
    m_app.log.write(LogType::Error, what + "失败，原因：" + error);
    m_dialogs.message(what + "失败：" + error);
    return;
  }
  m_app.log.write(sale ? LogType::Sale : LogType::Purchase, what);
  m_grid.deleteRow(row);
  m_rowRowids.erase(m_rowRowids.begin() + (row - 1));
  // The result has one order less; the caption and the page count stay until the next load.
  if (m_byRowids) {
    auto it = std::find(m_rowids.begin(), m_rowids.end(), rowid);
    if (it != m_rowids.end()) m_rowids.erase(it);
    m_total = static_cast<std::int64_t>(m_rowids.size());
  } else if (m_total > 0) {
    --m_total;
  }
}

}  // namespace cz
