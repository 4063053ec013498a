#pragma once

#include "cashier/cart_lines.h"
#include "util/list_model.h"

namespace cz {

// The models behind the main window's sale controls. The main window's presenter owns them and
// its window shows them; the sale presenter works on them.
struct SaleArea {
  Cart cart;                // 高级表格: the cart lines
  ListModel goodsChoices;   // 超级列表框1: goods to choose from
  ListModel memberChoices;  // 超级列表框2: members to choose from
};

// The cart's fifteen columns, in order.
enum CartColumn {
  kCartNumber = 0,
  kCartName,
  kCartBarcode,
  kCartSpec,
  kCartType,
  kCartUnitPrice,
  kCartQuantity,
  kCartTotal,
  kCartRate,
  kCartReceived,
  kCartEarnsPoints,
  kCartCostPrice,
  kCartStockLeft,
  kCartMinimumRate,
  kCartPoints,
  kCartColumnCount
};

// The grey of a cart with no open order, and after checkout.
inline constexpr Rgb kCartIdleColour = rgb(96, 96, 96);

// Headers, widths and the state at window creation: an empty, read-only, grey cart; the two
// choice lists with their columns (the goods list's header inert).
void setUpSaleArea(SaleArea& area);

}  // namespace cz
