#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/goods_attribute_cache.h"
#include "core/printer_settings.h"
#include "util/colour.h"

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

// The three theme colours of the main window; kNoColour where the settings file has none, so
// the window keeps its designed colour.
struct ThemeColours {
  Rgb base = kNoColour;        // toolbar strip, main colour of 超级收款
  Rgb background = kNoColour;  // window and 图片框底 background
  Rgb second = kNoColour;      // second shade of 超级收款
};

// [称重]: how the till reads the barcodes a label scale prints.
struct ScaleSettings {
  bool enabled = false;  // 启用: off, so every scan is an ordinary barcode
  // 前缀: the two-digit flags that start a scale label.
  std::vector<std::string> flags{"21", "22"};
  // 格式: what the five value digits of a 13-digit label hold, the amount in fen (金额) or the
  // weight in grams (重量).
  bool thirteenDigitWeight = false;
};

// The settings held in memory for the whole process: loaded from the settings file each time the
// main window is created and changed by the settings window and the main window's colour choice.
struct Settings {
  // The colours the main window shows. The add windows (创建新物品, 新增会员) take their
  // background from here, so they match the main window even when the file could not be written.
  ThemeColours theme;
  std::string receiptHeader = "欢迎使用晨舟收银系统";
  // Line breaks as "\r\n" (the file keeps them as "&").
  std::string receiptFooter;
  std::string horizontalOffset = "0";
  std::string verticalOffset = "0";
  bool printingEnabled = true;
  bool printDialogEnabled = false;
  int rowsPerPage = 300;
  PrinterSettings printer;
  // [收银]: the till's options, all off unless the file says 真.
  bool paymentWindow = false;  // 收款窗口: F4 and 超级收款 open the 收款 window
  bool fuzzyLookup = false;    // 模糊查找: goods lookup falls back to names containing the text
  bool strictSecurity = false;  // 加强安全: accounts only for admin, no passwords in the log
  ScaleSettings scale;
  // [库存] 预警: the warning level of goods that have none of their own; 0 warns of none.
  double stockWarningLevel = 0;
};

// The state of the process that every window shares. One instance, created at start-up.
struct Session {
  // The data folder followed by "/", set by the bootstrap.
  std::string dataDirectory;
  // The logged-in account; empty before the first login.
  std::string currentAccount;
  PermissionRecord permissions;
  Settings settings;
  // The rowid of the last sale stored since the program started (Ctrl+P reprints it); 0 when none.
  std::int64_t lastSaleRowid = 0;
  // Which goods are weighed and their warning levels, read when the main window is created and
  // kept up to date by this till's stock list.
  GoodsAttributeCache goodsAttributes;

  std::string databasePath() const { return dataDirectory + "data.db"; }
  std::string settingsFilePath() const { return dataDirectory + "配置.ini"; }
};

}  // namespace cz
