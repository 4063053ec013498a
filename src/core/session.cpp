#include "core/session.h"

namespace cz {

const char* permissionColumn(Permission permission) {
  static constexpr const char* kColumns[kPermissionCount] = {
      "查看进货",     "进货权限",     "编辑进货",    "修改折扣",   "修改积分",
      "新增会员",     "清除日志",     "新增供应商",  "改删供应商", "查看底价",
      "修改商品权限", "删除销售订单", "删除采购订单"};
  return kColumns[static_cast<size_t>(permission)];
}

}  // namespace cz
