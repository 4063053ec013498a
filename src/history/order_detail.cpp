#include "history/order_detail.h"

#include "core/app_context.h"
#include "core/dialogs.h"
#include "core/session.h"
#include "printing/receipt.h"
#include "printing/receipt_printing.h"
#include "util/json_document.h"

namespace cz {

namespace {

struct LineColumn {
  const char* header;
  int width;
  const char* member;  // read from each line object
};

const std::vector<LineColumn>& lineColumns(OrderKind kind) {
  static const std::vector<LineColumn> sales = {{"", 35, ""},
                                                {"商品名称", 150, "商品名称"},
                                                {"条码", 120, "条码"},
                                                {"规格", 100, "规格"},
                                                {"单价", 80, "单价"},
                                                {"数量", 80, "数量"},
                                                {"折扣", 60, "折扣"},
                                                {"实收", 80, "实收"},
                                                {"参与积分", 60, "参与积分"},
                                                {"进货价", 60, "进货价"},
                                                {"最低折扣", 60, "最低折扣"},
                                                {"获得积分", 60, "获得积分"}};
  static const std::vector<LineColumn> purchases = {
      {"", 35, ""},          {"商品名称", 220, "商品名称"},
      {"条码", 150, "条码"}, {"规格", 130, "规格"},
      {"单价", 90, "单价"},  {"数量", 90, "数量"},
      {"总价", 110, "总价"}, {"当时剩余库存", 100, "目前库存"}};
  return kind == OrderKind::Sale ? sales : purchases;
}

// The 进货价 column of a sale's lines.
constexpr int kSaleCostColumn = 9;

const std::string& cell(const std::vector<std::string>& cells, size_t index) {
  static const std::string empty;
  return index < cells.size() ? cells[index] : empty;
}

}  // namespace

OrderDetailPresenter::OrderDetailPresenter(OrderKind kind) : m_kind(kind) {
  const auto& columns = lineColumns(kind);
  m_grid.setColumnCount(static_cast<int>(columns.size()));
  for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
    m_grid.setText(0, c, columns[static_cast<size_t>(c)].header);
    m_grid.setColumnWidth(c, columns[static_cast<size_t>(c)].width);
  }
  m_grid.setEditable(false);
}

OrderDetailPresenter::OrderDetailPresenter(OrderKind kind, AppContext& app, Dialogs& dialogs,
                                           Printer& printer)
    : OrderDetailPresenter(kind) {
  if (kind != OrderKind::Sale) return;
  // The cost price is the shop's secret, kept from accounts without 查看底价 as in the stock list:
  // its column is hidden and left empty.
  if (!app.session.permissions.allows(Permission::ViewCostPrice)) {
    m_costColumn = kSaleCostColumn;
    m_grid.setColumnWidth(m_costColumn, 0);
  }
  m_app = &app;
  m_dialogs = &dialogs;
  m_printing = std::make_unique<ReceiptPrinting>(app, dialogs, printer);
}

OrderDetailPresenter::~OrderDetailPresenter() = default;

std::string OrderDetailPresenter::caption() const {
  return m_kind == OrderKind::Sale ? "销售详情" : "采购详情";
}

void OrderDetailPresenter::fill(const std::vector<std::string>& cells, std::int64_t rowid) {
  const bool sale = m_kind == OrderKind::Sale;
  m_rowid = rowid;
  m_labels = Labels{};
  m_labels.orderNumber = cell(cells, 1);
  m_labels.date = cell(cells, 2);
  const std::string& customer = cell(cells, 3);
  if (customer != "-")
    m_labels.customer = sale ? customer + "（" + cell(cells, 4) + "）" : customer;
  if (sale) {
    m_labels.points = cell(cells, 8) + "分";
    m_labels.due = cell(cells, 6) + "元";
    m_labels.received = cell(cells, 7) + "元";
    m_labels.method = cell(cells, 9);
    m_labels.maker = cell(cells, 10);
  } else {
    m_labels.due = cell(cells, 6) + "元";
    m_labels.received = cell(cells, 7) + "元";
    m_labels.method = cell(cells, 8);
    m_labels.maker = cell(cells, 9);
  }

  JsonDocument order;
  order.parse(cell(cells, 5));
  const int lines = order.arrayCount("详情页");
  const auto& columns = lineColumns(m_kind);
  std::vector<std::vector<std::string>> rows;
  rows.reserve(static_cast<size_t>(lines));
  for (int i = 1; i <= lines; ++i) {
    const JsonDocument line = order.getMember("详情页[" + std::to_string(i - 1) + "]");
    std::vector<std::string> row(columns.size());
    row[0] = std::to_string(i);
    for (size_t c = 1; c < columns.size(); ++c) {
      if (static_cast<int>(c) != m_costColumn) row[c] = line.getText(columns[c].member);
    }
    rows.push_back(std::move(row));
  }
  m_grid.reset();
  m_grid.appendRows(std::move(rows));
}

void OrderDetailPresenter::reprintClicked() {
  if (!m_printing) return;
  const auto show = [dialogs = m_dialogs](const std::string& failure) {
    if (!failure.empty()) dialogs->message(failure, kDefaultTitle, MessageIcon::Warning);
  };
  std::string error;
  const std::optional<StoredSale> stored = readStoredSale(m_app->db, m_rowid, error);
  if (!stored) return show("打印失败：" + error);
  m_printing->reprint(receiptFromStoredSale(*stored, m_app->session.settings), show);
}

}  // namespace cz
