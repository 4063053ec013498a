#include "cashier/sale_area.h"

namespace cz {

void setUpSaleArea(SaleArea& area) {
  static const struct {
    const char* header;
    int width;
  } kCart[kCartColumnCount] = {
      {"", 35},
      {"商品名称", 180},
      {"条码", 180},
      {"规格", 180},
      {"类型(双击切换)", 100},
      {"单价", 120},
      {"数量(可编辑)", 90},
      {"总价", 130},
      {"折扣", 60},
      {"实收", 130},
      {"参与积分", 80},
      {"进货价", 0},
      {"剩余库存", 60},
      {"最低折扣", 60},
      {"获得积分", 60},
  };
  TextGrid& cart = area.cart;
  cart.setColumnCount(kCartColumnCount);
  cart.setRowCount(1);
  for (int col = 0; col < kCartColumnCount; ++col) {
    cart.setText(0, col, kCart[col].header);
    cart.setColumnWidth(col, kCart[col].width);
  }
  cart.setEditable(false);
  cart.setGridColour(kCartIdleColour);

  area.goodsChoices.setColumns({{"", 0},
                                {"商品名称", 120},
                                {"条码", 100},
                                {"规格", 0},
                                {"进货价", 0},
                                {"销售价", 80},
                                {"当前库存", 80},
                                {"最低折扣", 0},
                                {"是否参与积分", 0}});
  area.goodsChoices.setHeaderInert(true);
  area.memberChoices.setColumns(
      {{"", 0}, {"会员", 150}, {"联系电话", 110}, {"折扣率", 60}, {"积分", 60}, {"编号", 0}});
}

}  // namespace cz
