#include "catalogue/lookups.h"

#include "storage/database.h"
#include "util/numbers.h"

namespace cz {

std::string containsPattern(const std::string& text) {
  return "%" + text + "%";
}

int findMembers(Database& db, const std::string& text, std::vector<MemberMatch>& list) {
  RecordSet set(db);
  const std::string pattern = containsPattern(text);
  if (!set.open("select * from 会员 where 姓名 like ? or 编号 like ? or 联系方式 like ?",
                {pattern, pattern, pattern})) {
    return 0;
  }
  int found = 0;
  while (set.next()) {
    list.push_back({set.field("姓名"), set.field("联系方式"), set.field("折扣率"),
                    readSingle(set.field("积分")), set.field("编号")});
    ++found;
  }
  return found;
}

int findSuppliers(Database& db, const std::string& text, std::vector<SupplierRecord>& list) {
  RecordSet set(db);
  if (!set.open("select * from 供应商 where 名称 like ?", {containsPattern(text)})) return 0;
  int found = 0;
  while (set.next()) {
    list.push_back(
        {set.field("名称"), set.field("联系方式"), set.field("编号"), set.field("创建者")});
    ++found;
  }
  return found;
}

}  // namespace cz
