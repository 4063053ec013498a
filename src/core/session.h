#pragma once

#include <array>
#include <string>

namespace cz {

// The thirteen permission flags of an account, in the column order of the accounts table.
enum class Permission {
  ViewPurchases,    // 查看进货
  Purchase,         // 进货权限
  EditPurchase,     // 编辑进货
  ChangeDiscount,   // 修改折扣
  ChangePoints,     // 修改积分
  AddMember,        // 新增会员
  ClearLog,         // 清除日志
  AddSupplier,      // 新增供应商
  EditSupplier,     // 改删供应商
  ViewCostPrice,    // 查看底价
  EditGoods,        // 修改商品权限
  DeleteSales,      // 删除销售订单
  DeletePurchases,  // 删除采购订单
};
inline constexpr int kPermissionCount = 13;

// The column of the accounts table that holds a flag.
const char* permissionColumn(Permission permission);

// The current account's flags and its minimum discount, filled at login.
struct PermissionRecord {
  std::array<bool, kPermissionCount> flags{};
  float minimumDiscount = 0;

  bool allows(Permission permission) const { return flags[static_cast<size_t>(permission)]; }
};

// The settings held in memory for the whole process: loaded from the settings file each time the
// main window is created and changed by the settings window.
struct Settings {
  std::string receiptHeader = "欢迎使用晨舟收银系统";
  // Line breaks as "\r\n" (the file keeps them as "&").
  std::string receiptFooter;
  std::string horizontalOffset = "0";
  std::string verticalOffset = "0";
  bool printingEnabled = true;
  bool printDialogEnabled = false;
  int rowsPerPage = 300;
};

// The state of the process that every window shares. One instance, created at start-up.
struct Session {
  // The data folder followed by "/", set by the bootstrap.
  std::string dataDirectory;
  // The logged-in account; empty before the first login.
  std::string currentAccount;
  PermissionRecord permissions;
  Settings settings;

  std::string databasePath() const { return dataDirectory + "data.db"; }
  std::string settingsFilePath() const { return dataDirectory + "配置.ini"; }
};

}  // namespace cz
