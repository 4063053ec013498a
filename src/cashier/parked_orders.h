#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cz {

class Database;
class TextGrid;

// An order put aside at the till (挂单), as stored.
struct ParkedOrder {
  std::int64_t id = 0;       // 编号
  std::string time;          // 时间: timestamp text of the park
  std::string orderNumber;   // 订单号, kept for the take-back
  std::string customer;      // 客户: the member's name, or "-"
  std::string memberNumber;  // 客户编号, empty without a member
  std::string memberRate;    // 折扣率 of the member when parked
  std::string payment;       // 付款方式
  std::string due;           // 应收
  std::string lineCount;     // 行数
  std::string details;       // 订单详情: the cart lines, with their type
  std::string account;       // 制单人
};

// The cart's lines as a parked order keeps them: the order-details document with every column,
// the line type ("类型") included.
std::string parkedCartDetails(const TextGrid& cart);

// Puts the lines of `details` back into the cart grid (set up with its headers), replacing its
// lines, and colours the return lines. False when the text cannot be read.
bool restoreParkedCart(TextGrid& cart, const std::string& details);

// Stores a parked order (its id is ignored). False on failure; lastError says why.
bool parkOrder(Database& db, const ParkedOrder& order);

// The parked orders, oldest first. Empty when none or the table cannot be read.
std::vector<ParkedOrder> parkedOrders(Database& db);

// Reads the parked order `id` and deletes it in one transaction under the writers' lock, so two
// tills cannot both take it: only the take whose delete removed the row succeeds. False when it
// is gone ("该挂单已被取走") or the database fails (`error` says which); `order` is then not to be
// restored.
bool takeParkedOrder(Database& db, std::int64_t id, ParkedOrder& order, std::string& error);

}  // namespace cz
