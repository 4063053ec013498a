#pragma once

#include <string>
#include <vector>

namespace cz {

class Database;

// One member found by findMembers, in the order the cashier's member list shows its fields.
struct MemberMatch {
  std::string name;          // 姓名
  std::string contact;       // 联系方式
  std::string discountRate;  // 折扣率, as stored
  float points = 0;          // 积分, read as a single
  std::string number;        // 编号
};

// The fuzzy member search: every member whose name, number or contact contains `text`, in
// storage order, appended to `list` (records already there stay). Returns the number found; a
// query that fails finds nothing.
int findMembers(Database& db, const std::string& text, std::vector<MemberMatch>& list);

// One supplier found by findSuppliers.
struct SupplierRecord {
  std::string name;     // 名称
  std::string contact;  // 联系方式
  std::string number;   // 编号
  std::string creator;  // 创建者
};

// Every supplier whose name contains `text`, in storage order, appended to `list`. Returns the
// number found; a query that fails finds nothing.
int findSuppliers(Database& db, const std::string& text, std::vector<SupplierRecord>& list);

// "%" + text + "%": the LIKE pattern of every substring search. The text is bound, so a quote is
// an ordinary character, while "%" and "_" in it keep their wildcard meaning.
std::string containsPattern(const std::string& text);

}  // namespace cz
