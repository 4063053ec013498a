#include "catalogue/goods_presenter.h"

#include <functional>

#include "catalogue/goods.h"
#include "catalogue/goods_attributes.h"
#include "core/app_context.h"
#include "core/dialogs.h"
#include "core/operation_log.h"
#include "core/permissions.h"
#include "core/session.h"
#include "core/windows.h"
#include "storage/database.h"
#include "util/numbers.h"
#include "util/typed_number.h"

namespace cz {

namespace {

// Bounds of a discount rate are compared with this much slack, so 10 read as a single passes.
constexpr double kDiscountTolerance = 0.0000001;

const char* const kEditGoods = "修改商品权限";

// The phrase of the success entry for an edited column; nothing for columns that are not logged.
const char* fieldPhrase(int col) {
  switch (col) {
    case GoodsName:
      return "]的新名称为[";
    case GoodsSize:
      return "]的新规格为[";
    case GoodsNote:
      return "]的新备注为[";
    case GoodsCostPrice:
      return "]的新进货价为[";
    case GoodsSalePrice:
      return "]的新销售价为[";
    case GoodsStock:
      return "]的新库存为[";
    case GoodsMinDiscount:
      return "]的新最低折扣为[";
    case GoodsPoints:
      return "]的参与积分权限为[";
    default:
      return nullptr;
  }
}

// The kind of number a column holds, for the columns typed as numbers.
std::optional<TypedNumberKind> numberKind(int col, bool weighed) {
  switch (col) {
    case GoodsCostPrice:
    case GoodsSalePrice:
      return TypedNumberKind::Amount;
    case GoodsStock:
      return weighed ? TypedNumberKind::WeightCount : TypedNumberKind::Count;
    case GoodsMinDiscount:
      return TypedNumberKind::Rate;
    default:
      return std::nullopt;
  }
}

}  // namespace

Rgb themeBackground(const AppContext& app) {
  return app.session.settings.theme.background;
}

StockListPresenter::StockListPresenter(AppContext& app, Dialogs& dialogs)
    : m_app(app), m_dialogs(dialogs), m_loader(app.ui) {
  setUpStockGrid(m_grid, app.session.permissions.allows(Permission::ViewCostPrice));
}

void StockListPresenter::created() {
  load(Listing::All);
}

void StockListPresenter::search(const std::string& text) {
  load(Listing::Search, text);
}

void StockListPresenter::showAll() {
  load(Listing::All);
}

void StockListPresenter::showLowStock() {
  load(Listing::LowStock);
}

void StockListPresenter::load(Listing listing, std::string search) {
  // Only a full listing is coloured.
  const bool coloured = listing == Listing::All;
  Database& db = m_app.db;
  // The worker reads its own copy of the levels, which this window may change meanwhile.
  std::function<void(RowSink&)> read;
  if (listing == Listing::LowStock) {
    read = [&db, levels = m_app.session.goodsAttributes](RowSink& sink) {
      for (auto& row : readLowStockRows(db, levels)) {
        if (sink.cancelled()) return;
        sink.add(std::move(row));
      }
    };
  } else {
    std::optional<std::string> text;
    if (listing == Listing::Search) text = std::move(search);
    read = [&db, text = std::move(text)](RowSink& sink) { readGoods(db, text, sink); };
  }
  m_loader.start(std::move(read),
                 [this, coloured](GridRows&& rows, bool first, bool) {
                   if (first) m_grid.reset();
                   if (rows.empty()) return;
                   const int from = m_grid.rowCount();
                   m_grid.appendRows(std::move(rows));
                   if (!coloured) return;
                   const int to = m_grid.rowCount() - 1;
                   m_grid.setTextColour(from, GoodsStock, to, GoodsStock, kStockColour);
                   m_grid.setTextColour(from, GoodsSalePrice, to, GoodsSalePrice, kSalePriceColour);
                 });
}

void StockListPresenter::createClicked() {
  m_app.windows.openCreateGoodsWindow();
}

void StockListPresenter::allowEditClicked(bool checked) {
  if (!checked) {
    // Unchecking ends editing, so 条码 and 参与积分 can never be typed over.
    m_allowEdit = false;
    m_grid.setEditable(false);
    return;
  }
  if (!checkPermission(m_app.session.permissions, Permission::EditGoods, m_dialogs,
                       "没有[修改商品权限]权限，请联系管理员提升", MessageIcon::Information)) {
    m_allowEdit = false;
    m_grid.setEditable(false);
    return;
  }
  m_allowEdit = true;
  applyColumnRule();
}

void StockListPresenter::applyColumnRule() {
  const int col = m_grid.currentColumn();
  // The row number and the barcode (the key of every update) are never typed over; 参与积分
  // changes only by its toggle.
  const bool locked = col == GoodsNumber || col == GoodsBarcode || col == GoodsPoints;
  m_grid.setEditable(m_allowEdit && !locked);
}

void StockListPresenter::currentCellChanged(int, int) {
  if (m_allowEdit) applyColumnRule();
}

void StockListPresenter::editBegins(int row, int col) {
  m_savedDiscount = m_grid.text(row, GoodsMinDiscount);
  m_savedCell = {row, col, m_grid.text(row, col)};
}

std::string StockListPresenter::textBeforeEdit(int row, int col) {
  if (m_savedCell.row == row && m_savedCell.col == col) return m_savedCell.text;
  // An edit that began unseen: the stored value is the one to fall back on.
  if (auto stored = readStoredGoods(m_app.db, m_grid.text(row, GoodsBarcode)))
    return stored->at(static_cast<size_t>(col - 1));
  return {};
}

bool StockListPresenter::typedNumberRefused(int row, int col) {
  const auto kind =
      numberKind(col, m_app.session.goodsAttributes.weighed(m_grid.text(row, GoodsBarcode)));
  if (!kind) return false;
  const std::string typed = m_grid.text(row, col);
  const TypedNumberCheck check = checkTypedNumber(typed, *kind);
  if (check != TypedNumberCheck::NotANumber) m_grid.setText(row, col, typedNumberText(typed));
  // A discount out of range gets the discount checks' own texts below.
  if (check == TypedNumberCheck::Fine ||
      (*kind == TypedNumberKind::Rate && check == TypedNumberCheck::OutOfRange)) {
    return false;
  }
  m_grid.setText(row, col, textBeforeEdit(row, col));
  m_dialogs.message(typedNumberMessage(m_grid.headerText(col), *kind, check));
  return true;
}

void StockListPresenter::cellEdited(int row, int col) {
  if (row < 1 || row >= m_grid.rowCount()) return;
  // The row number and the barcode (the key) are never written from a cell.
  if (col < GoodsName || col > GoodsPoints || col == GoodsBarcode) return;
  if (typedNumberRefused(row, col)) return;
  const std::string barcode = m_grid.text(row, GoodsBarcode);
  const std::string typed = m_grid.text(row, col);
  const std::optional<GoodsFields> stored = readStoredGoods(m_app.db, barcode);
  if (!stored) {
    changedElsewhere(row);
    return;
  }
  // The row as it will be: what is stored now with the edited cell over it.
  GoodsFields values = *stored;
  values[static_cast<size_t>(col - 1)] = typed;

  const float discount = readSingle(values[GoodsMinDiscount - 1]);
  const float minimum = m_app.session.permissions.minimumDiscount;
  if (discount < minimum) {
    m_grid.setText(row, GoodsMinDiscount, m_savedDiscount);
    m_dialogs.message("当前账号允许设置最低折扣为" + singleText(minimum) + "折");
    return;
  }
  if (static_cast<double>(discount) - 10.0 > kDiscountTolerance) {
    m_grid.setText(row, GoodsMinDiscount, m_savedDiscount);
    m_dialogs.message("折扣有效范围在1-10之间哦");
    return;
  }
  if (!checkPermission(m_app.session.permissions, Permission::EditGoods, m_dialogs,
                       refusalText(kEditGoods))) {
    return;
  }

  // Only the edited column is written, and only while it still holds what this list showed:
  // the other columns keep whatever other tills stored meanwhile.
  GoodsFields written;
  switch (writeGoodsColumn(m_app.db, barcode, col, typed, textBeforeEdit(row, col), written)) {
    case GuardedWrite::Changed:
      changedElsewhere(row);
      return;
    case GuardedWrite::Failed: {
      const std::string error = m_app.db.lastError();
      m_app.log.write(LogType::Error, "更新了商品条码[" + barcode + "]失败：" + error);
      m_dialogs.message("更新商品失败：" + error, kDefaultTitle, MessageIcon::Information);
      return;
    }
    case GuardedWrite::Written:
      break;
  }
  m_savedCell = {};
  showStoredRow(row, written);
  if (const char* phrase = fieldPhrase(col)) {
    // The entry quotes the row as now stored, in the form of the statement that writes it whole.
    const std::string statement = m_app.db.expandedSql(
        "update 库存 set 名称=?,规格=?,备注=?,进货价=?,销售价=?,当前库存=?,最低折扣=?,参与积分=? "
        "where 条码=?",
        {written[0], written[2], written[3], written[4], written[5], written[6], written[7],
         written[8], barcode});
    m_app.log.write(LogType::Stock, "更新商品条码[" + barcode + phrase +
                                        written[static_cast<size_t>(col - 1)] + "]成功；" +
                                        statement);
  }
}

void StockListPresenter::showStoredRow(int row, const GoodsFields& stored) {
  for (int f = 0; f < kGoodsFieldCount; ++f) {
    if (m_grid.text(row, f + 1) != stored[static_cast<size_t>(f)]) {
      m_grid.setText(row, f + 1, stored[static_cast<size_t>(f)]);
    }
  }
}

void StockListPresenter::changedElsewhere(int row) {
  m_savedCell = {};
  if (auto stored = readStoredGoods(m_app.db, m_grid.text(row, GoodsBarcode))) {
    showStoredRow(row, *stored);
  } else {
    m_grid.deleteRow(row);  // deleted by another till
  }
  m_dialogs.message("该商品已被其他收银台修改，已重新读取");
}

void StockListPresenter::doubleClicked() {
  const int row = m_grid.currentRow();
  if (!m_allowEdit || row < 1 || m_grid.currentColumn() != GoodsPoints) return;
  const std::string barcode = m_grid.text(row, GoodsBarcode);
  const std::string value = m_grid.text(row, GoodsPoints) == "真" ? "假" : "真";
  m_grid.setText(row, GoodsPoints, value);
  if (m_app.db.execute("update 库存 set 参与积分=? where 条码=?", {value, barcode})) {
    m_app.log.write(LogType::Stock, "更新商品条码[" + barcode + "]的参与积分权限为；" + value);
    return;
  }
  const std::string error = m_app.db.lastError();
  m_app.log.write(LogType::Error, "更新了商品条码[" + barcode + "]的参与积分权限失败：" + error);
  m_dialogs.message("更新商品失败：" + error, kDefaultTitle, MessageIcon::Information);
}

void StockListPresenter::deleteChosen() {
  const int row = m_grid.currentRow();
  if (row < 1) return;
  if (!checkPermission(m_app.session.permissions, Permission::EditGoods, m_dialogs,
                       refusalText(kEditGoods))) {
    return;
  }
  const std::string name = m_grid.text(row, GoodsName);
  const std::string barcode = m_grid.text(row, GoodsBarcode);
  if (!m_dialogs.ask("确定删除库存[" + name + "]吗？")) return;
  if (!m_app.db.execute("delete from 库存 where 条码=?", {barcode})) {
    const std::string error = m_app.db.lastError();
    m_app.log.write(LogType::Error, "删除库存[" + name + "]失败，原因：" + error);
    m_dialogs.message("删除库存[" + name + "]失败：" + error);
    return;
  }
  m_grid.deleteRow(row);
  m_app.log.write(LogType::Stock, "删除库存[" + name + "]");
}

void StockListPresenter::markChosen() {
  const int row = m_grid.currentRow();
  if (row < 1 || row >= m_grid.rowCount()) return;
  if (!checkPermission(m_app.session.permissions, Permission::EditGoods, m_dialogs,
                       refusalText(kEditGoods))) {
    return;
  }
  const std::string name = m_grid.text(row, GoodsName);
  const std::string barcode = m_grid.text(row, GoodsBarcode);
  const GoodsAttributes now = readGoodsAttributes(m_app.db, barcode);
  GoodsAttributes chosen;
  chosen.weighed = m_dialogs.ask("[" + name + "]是否按重量（千克）销售？", kDefaultTitle,
                                 now.weighed ? Answer::Yes : Answer::No);
  for (;;) {
    const std::optional<std::string> level =
        m_dialogs.input("[" + name + "]的库存预警值（留空则用默认值，0为不预警）：", "库存预警",
                        now.level);
    if (!level) return;
    chosen.level = typedNumberText(*level);
    if (chosen.level.empty()) break;
    const TypedNumberCheck check = checkTypedNumber(chosen.level, TypedNumberKind::WeightCount);
    if (check == TypedNumberCheck::Fine) break;
    m_dialogs.message(typedNumberMessage("库存预警", TypedNumberKind::WeightCount, check));
  }
  if (!writeGoodsAttributes(m_app.db, barcode, chosen)) {
    const std::string error = m_app.db.lastError();
    m_app.log.write(LogType::Error, "更新商品条码[" + barcode + "]的称重与预警失败：" + error);
    m_dialogs.message("更新商品失败：" + error, kDefaultTitle, MessageIcon::Information);
    return;
  }
  m_app.session.goodsAttributes.set(barcode, chosen.weighed, chosen.level);
  m_app.log.write(LogType::Stock, "更新商品条码[" + barcode + "]的称重为[" +
                                      boolText(chosen.weighed) + "]，库存预警为[" +
                                      (chosen.level.empty() ? "默认" : chosen.level) + "]");
}

CreateGoodsPresenter::CreateGoodsPresenter(AppContext& app, Dialogs& dialogs)
    : m_app(app), m_dialogs(dialogs), m_background(themeBackground(app)) {}

void CreateGoodsPresenter::addClicked() {
  // Adding an item changes the stock as much as editing one does.
  if (!checkPermission(m_app.session.permissions, Permission::EditGoods, m_dialogs,
                       refusalText(kEditGoods))) {
    return;
  }
  if (name.empty()) {
    m_dialogs.message("名称不能为空");
    return;
  }
  if (barcode.empty()) {
    m_dialogs.message("条码不能为空");
    return;
  }
  if (readStoredGoods(m_app.db, barcode)) {
    m_dialogs.message("该条码已经存在");
    return;
  }
  if (!m_app.db.execute(
          "insert into 库存(名称,条码,规格,备注,最低折扣,参与积分) values(?,?,?,?,'10','真')",
          {name, barcode, size, note})) {
    const std::string error = m_app.db.lastError();
    const std::string what = "创建新物品[" + barcode + "][" + name + "]失败";
    m_app.log.write(LogType::Error, what + "：" + error);
    m_dialogs.message(what + error);
    return;
  }
  m_app.log.write(LogType::Stock, "创建新物流名称：" + name + "；条码为：" + barcode);
  note.clear();
  size.clear();
  barcode.clear();
  name.clear();
}

}  // namespace cz
