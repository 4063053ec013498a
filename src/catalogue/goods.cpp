#include "catalogue/goods.h"

#include "catalogue/lookups.h"
#include "storage/database.h"
#include "util/background_loader.h"
#include "util/numbers.h"
#include "util/text_grid.h"

namespace cz {

void setUpStockGrid(TextGrid& grid, bool showCostPrice) {
  struct Column {
    const char* header;
    int width;
  };
  const Column columns[] = {
      {"", 35},       {"商品名称", 200}, {"条码", 120},     {"规格", 100},     {"备注", 120},
      {"进货价", 80}, {"销售价", 100},   {"当前库存", 100}, {"最低折扣", 100}, {"参与积分", 100}};
  grid.setColumnCount(static_cast<int>(std::size(columns)));
  for (int c = 0; c < grid.columnCount(); ++c) {
    grid.setText(0, c, columns[c].header);
    grid.setColumnWidth(c, columns[c].width);
  }
  if (!showCostPrice) grid.setColumnWidth(GoodsCostPrice, 0);
  grid.setEditable(false);
}

void readGoods(Database& db, const std::optional<std::string>& search, RowSink& sink) {
  RecordSet set(db);
  bool opened;
  if (search) {
    const std::string pattern = containsPattern(*search);
    opened = set.open(
        "select * from 库存 where 名称 like ? or 条码 like ? or 规格 like ? or 备注 like ?",
        {pattern, pattern, pattern, pattern});
  } else {
    opened = set.open("select * from 库存");
  }
  if (!opened) return;
  while (!sink.cancelled() && set.next()) {
    std::vector<std::string> row;
    row.reserve(kGoodsFieldCount + 1);
    row.push_back(integerText(static_cast<std::int64_t>(sink.count()) + 1));
    for (int f = 1; f <= kGoodsFieldCount; ++f) row.push_back(set.field(f));
    sink.add(std::move(row));
  }
}

GuardedWrite writeGoodsColumn(Database& db, const std::string& barcode, int column,
                              const std::string& value, const std::string& loaded,
                              GoodsFields& stored) {
  static const char* const kNames[kGoodsFieldCount] = {
      "名称", "条码", "规格", "备注", "进货价", "销售价", "当前库存", "最低折扣", "参与积分"};
  if (column < GoodsName || column > GoodsPoints || column == GoodsBarcode) {
    db.setLastError("no such column");
    return GuardedWrite::Failed;
  }
  const std::string name = kNames[column - 1];
  // The stored value compared as the text a load reads (NULL as empty text), on either engine.
  // The column name comes from the list above, never from a cell.
  RecordSet set(db);
  if (!set.open("update 库存 set " + name + "=? where 条码=? and coalesce(cast(" + name +
                    " as text),'')=? returning 名称,条码,规格,备注,进货价,销售价,当前库存,"
                    "最低折扣,参与积分",
                {value, barcode, loaded})) {
    return GuardedWrite::Failed;
  }
  if (!set.next()) return db.lastError().empty() ? GuardedWrite::Changed : GuardedWrite::Failed;
  for (int f = 0; f < kGoodsFieldCount; ++f) stored[static_cast<size_t>(f)] = set.field(f + 1);
  // Steps the statement to its end, so the write is finished before anything else runs.
  while (set.next()) {
  }
  if (!db.lastError().empty()) return GuardedWrite::Failed;
  return GuardedWrite::Written;
}

std::optional<GoodsFields> readStoredGoods(Database& db, const std::string& barcode) {
  RecordSet set(db);
  if (!set.open("select * from 库存 where 条码=?", {barcode}) || !set.next()) return std::nullopt;
  GoodsFields fields;
  for (int f = 0; f < kGoodsFieldCount; ++f) fields[static_cast<size_t>(f)] = set.field(f + 1);
  return fields;
}

}  // namespace cz
