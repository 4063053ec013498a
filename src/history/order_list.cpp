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
// Rows of the largest rowids a typed-text search remembers: the list can delete that many of the
// newest orders and still only read what was stored since.
constexpr int kTopRows = 8;

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
  m_condition.clear();
  m_params.clear();
  m_byRowids = false;
  countAndStart(false);
}

void OrderListPresenter::runSearch() {
  m_condition.clear();
  m_params.clear();
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
    // Compared as text on the date index (see dayRange for the bounds).
    const DayRange range = dayRange(search.firstDay, search.lastDay);
    terms.push_back("日期 >= ? and 日期 < ?");
    m_params.push_back(range.from);
    m_params.push_back(range.until);
  }
  for (size_t i = 0; i < terms.size(); ++i) m_condition += (i == 0 ? "" : " and ") + terms[i];
  countAndStart(true);
}

void OrderListPresenter::countAndStart(bool pageOneWhenEmpty) {
  m_rowids.clear();
  m_snapshot = {};
  m_currentPage = 1;
  pageLoad();
  if (m_total == 0 && !pageOneWhenEmpty) {
    m_currentPage = 0;
    setCaption();
  }
}

std::vector<std::string> OrderListPresenter::readRow(RecordSet& set, std::int64_t number) const {
  const int columns = m_grid.columnCount();
  std::vector<std::string> cells(static_cast<size_t>(columns));
  cells[0] = integerText(number);
  // Field 1 is the rowid; field j + 1 is the table's column j.
  for (int j = 1; j < columns; ++j) {
    std::string text = set.field(j + 1);
    cells[static_cast<size_t>(j)] = j == kDateColumn ? orderTimeDisplay(text) : std::move(text);
  }
  return cells;
}

std::int64_t OrderListPresenter::loadIndexed(RecordSet& hold,
                                             std::vector<std::vector<std::string>>& rows,
                                             std::int64_t offset, int limit) {
  const std::string where = m_condition.empty() ? "" : " where " + m_condition;
  if (!hold.open(std::string("select count(*) from ") + table() + where, m_params) || !hold.next())
    return 0;
  const std::int64_t total = readInteger(hold.field(1));
  if (offset >= total) return total;
  const std::int64_t count = std::min<std::int64_t>(limit, total - offset);
  // The page's rowids come from the date index alone (no table row is read for the rows
  // skipped), walked from whichever end of the result is nearer.
  const bool fromEnd = offset > total - offset - count;
  SqlParams params = m_params;
  params.push_back(integerText(count));
  params.push_back(integerText(fromEnd ? total - offset - count : offset));
  RecordSet set(m_app.db);
  if (!set.open(std::string("select rowid,* from ") + table() +
                    " where rowid in (select rowid from " + table() + where +
                    (fromEnd ? " order by 日期 desc, rowid desc" : " order by 日期, rowid") +
                    " limit ? offset ?) order by 日期, rowid",
                params))
    return total;
  while (set.next()) {
    m_rowRowids.push_back(readInteger(set.field(1)));
    rows.push_back(readRow(set, offset + static_cast<std::int64_t>(rows.size()) + 1));
  }
  return total;
}

// A LIKE on a substring can use no index, so finding the matches reads every order (seconds on a
// big shop). The matches are kept with a snapshot of the table, and each page load first checks
// that snapshot. Orders are only ever inserted or deleted, never changed, and SQLite gives a new
// row one more than the largest rowid present. So while the anchor (the row of the largest rowid
// the snapshot saw that this list has not deleted) is still there with every column as it was,
// every order stored since has a larger rowid, and the rows up to the anchor are the ones seen
// minus those deleted: when their count is still the snapshot's, nothing seen has gone, and only
// the rows past the anchor are read and merged in. Anything else (an order deleted elsewhere, the
// anchor gone and its rowid perhaps reused) scans again. The list's own deletes keep the snapshot.
// What this cannot tell apart is the anchor deleted and an exact copy of it, every column alike,
// stored at the same rowid, which the till never does: it does not store an order again.
std::int64_t OrderListPresenter::loadMatches(RecordSet& hold,
                                             std::vector<std::vector<std::string>>& rows,
                                             std::int64_t offset, int limit) {
  if (!hold.open(std::string("select count(*) from ") + table()) || !hold.next()) {
    m_rowids.clear();
    m_snapshot = {};
    return 0;
  }
  const std::int64_t stored = readInteger(hold.field(1));
  if (!catchUpMatches(stored)) rescanMatches(stored);
  const auto total = static_cast<std::int64_t>(m_rowids.size());
  if (offset >= total) return total;
  const auto first = m_rowids.begin() + offset;
  const auto last = m_rowids.begin() + std::min<std::int64_t>(offset + limit, total);
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
    if (match == found.end()) continue;  // unreadable; the same read found it a moment ago
    match->second[0] = integerText(offset + (it - first) + 1);
    m_rowRowids.push_back(*it);
    rows.push_back(std::move(match->second));
  }
  return total;
}

bool OrderListPresenter::takeTopRows() {
  m_snapshot.top.clear();
  RecordSet set(m_app.db);
  if (!set.open(std::string("select rowid,* from ") + table() + " order by rowid desc limit ?",
                {integerText(kTopRows)}))
    return false;
  while (set.next()) {
    std::vector<std::string> row;
    for (int c = 1; c <= set.columnCount(); ++c) row.push_back(set.field(c));
    m_snapshot.top.push_back(std::move(row));
  }
  return true;
}

void OrderListPresenter::rescanMatches(std::int64_t stored) {
  m_rowids.clear();
  m_snapshot = {};
  RecordSet set(m_app.db);
  // The "+" keeps the date index for the date range only: walking the whole index in order to
  // fetch each row costs more than sorting the matches.
  if (!set.open(std::string("select rowid from ") + table() + " where " + m_condition +
                    " order by +日期, rowid",
                m_params))
    return;
  while (set.next()) m_rowids.push_back(readInteger(set.field(1)));
  set.close();
  m_snapshot.stored = stored;
  m_snapshot.valid = takeTopRows();
}

bool OrderListPresenter::catchUpMatches(std::int64_t stored) {
  if (!m_snapshot.valid) return false;
  // No anchor left: only an empty table can be told apart from one whose rows all went.
  if (m_snapshot.top.empty() && m_snapshot.stored != 0) return false;
  const std::string anchor = m_snapshot.top.empty() ? "0" : m_snapshot.top.front().front();
  if (!m_snapshot.top.empty()) {
    RecordSet row(m_app.db);
    if (!row.open(std::string("select rowid,* from ") + table() + " where rowid=?", {anchor}) ||
        !row.next())
      return false;
    const auto& seen = m_snapshot.top.front();
    if (row.columnCount() != static_cast<int>(seen.size())) return false;
    for (int c = 1; c <= row.columnCount(); ++c)
      if (row.field(c) != seen[static_cast<size_t>(c - 1)]) return false;
  }
  // The rows past the anchor in page order, each with whether it matches.
  SqlParams params = m_params;
  params.push_back(anchor);
  RecordSet added(m_app.db);
  if (!added.open(std::string("select rowid, ") + m_condition + " from " + table() +
                      " where rowid > ? order by +日期, rowid",
                  params))
    return false;
  std::int64_t addedCount = 0;
  std::vector<std::int64_t> matches;
  while (added.next()) {
    ++addedCount;
    if (added.field(2) == "1") matches.push_back(readInteger(added.field(1)));
  }
  added.close();
  if (stored - addedCount != m_snapshot.stored) return false;

  // Each new match goes before the first kept row that sorts after it. New rows have larger
  // rowids than every kept one, so this is decided by 日期 alone; the engine compares, so the
  // order is exactly the one a new scan would give. New orders are usually the latest, so the
  // end is tried first. A comparison that cannot be read leaves the order unknown: scan again.
  bool unreadable = false;
  const auto sortsBefore = [&](std::int64_t a, std::int64_t b) {
    RecordSet set(m_app.db);
    if (!set.open(std::string("select rowid from ") + table() +
                      " where rowid in (?,?) order by 日期, rowid limit 1",
                  {integerText(a), integerText(b)}) ||
        !set.next()) {
      unreadable = true;
      return false;
    }
    return readInteger(set.field(1)) == a;
  };
  std::vector<std::int64_t> merged;
  merged.reserve(m_rowids.size() + matches.size());
  size_t next = 0;  // kept rows before it are in `merged` already
  for (size_t m = 0; m < matches.size(); ++m) {
    const std::int64_t row = matches[m];
    size_t low = next, high = m_rowids.size();
    if (low == high || sortsBefore(m_rowids[high - 1], row)) {
      merged.insert(merged.end(), m_rowids.begin() + static_cast<std::ptrdiff_t>(next),
                    m_rowids.end());
      merged.insert(merged.end(), matches.begin() + static_cast<std::ptrdiff_t>(m), matches.end());
      next = m_rowids.size();
      break;
    }
    --high;  // the last kept row sorts after `row`
    while (low < high) {
      const size_t mid = low + (high - low) / 2;
      if (sortsBefore(row, m_rowids[mid])) {
        high = mid;
      } else {
        low = mid + 1;
      }
    }
    merged.insert(merged.end(), m_rowids.begin() + static_cast<std::ptrdiff_t>(next),
                  m_rowids.begin() + static_cast<std::ptrdiff_t>(low));
    merged.push_back(row);
    next = low;
  }
  merged.insert(merged.end(), m_rowids.begin() + static_cast<std::ptrdiff_t>(next), m_rowids.end());
  if (unreadable) return false;
  m_rowids = std::move(merged);
  m_snapshot.stored = stored;
  // The next check starts from the rows now newest.
  m_snapshot.valid = takeTopRows();
  return true;
}

void OrderListPresenter::setCaption() {
  m_caption = std::string(m_kind == OrderKind::Sale ? "销售订单" : "采购订单") + "   共" +
              integerText(m_pageCount) + "页    当前第" + integerText(m_currentPage) + "页";
}

void OrderListPresenter::pageLoad() {
  const int perPage = rowsPerPage();
  // Page 0 (no orders) reads from the start, like page 1.
  const std::int64_t offset =
      std::max<std::int64_t>(0, (static_cast<std::int64_t>(m_currentPage) - 1) * perPage);
  std::vector<std::vector<std::string>> rows;
  m_rowRowids.clear();
  {
    // `hold` stays on the row of its count until the page is read: while a statement is open,
    // the connection keeps reading the file as it was when that statement started, so the
    // count, the page and the numbers all come from one state of the table.
    RecordSet hold(m_app.db);
    m_total = m_byRowids ? loadMatches(hold, rows, offset, perPage)
                         : loadIndexed(hold, rows, offset, perPage);
  }
  m_pageCount = pageCountOf(m_total, perPage);
  m_lastPage = m_pageCount;
  setCaption();
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

void OrderListPresenter::statisticsClicked() {
  m_app.windows.openSalesReportWindow();
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
  if (!m_dialogs.ask("确定删除订单号[" + number + "]吗？", kDefaultTitle, Answer::No)) return;
  // By rowid: two orders may share a number, and only the selected one goes. The number guards
  // against a rowid that another order has taken since the page was read (a deleted newest
  // order's rowid goes to the next one stored).
  const std::int64_t rowid = rowidOf(row);
  const std::string what = std::string(sale ? "删除销售订单[" : "删除进货订单[") + number + "]";
  if (!m_app.db.execute(std::string("delete from ") + table() + " where rowid=? and 订单号=?",
                        {integerText(rowid), number})) {
    const std::string error = m_app.db.lastError();
    m_app.log.write(LogType::Error, what + "失败，原因：" + error);
    m_dialogs.message(what + "失败：" + error);
    return;
  }
  m_app.log.write(sale ? LogType::Sale : LogType::Purchase, what);
  m_grid.deleteRow(row);
  m_rowRowids.erase(m_rowRowids.begin() + (row - 1));
  // The caption and the page count stay until the next page load, which counts again. The
  // typed-text matches and their snapshot lose the order (gone now, whether this delete or an
  // earlier one elsewhere took it), so the next load only reads what was stored since.
  if (m_byRowids) {
    auto it = std::find(m_rowids.begin(), m_rowids.end(), rowid);
    if (it != m_rowids.end()) m_rowids.erase(it);
    auto& top = m_snapshot.top;
    const std::string key = integerText(rowid);
    top.erase(std::remove_if(top.begin(), top.end(),
                             [&](const std::vector<std::string>& r) { return r.front() == key; }),
              top.end());
    --m_snapshot.stored;
  }
}

}  // namespace cz
