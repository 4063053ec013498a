#include "catalogue/members.h"

#include "catalogue/lookups.h"
#include "storage/database.h"
#include "storage/schema.h"
#include "util/background_loader.h"
#include "util/numbers.h"
#include "util/text_grid.h"

namespace cz {

namespace {

// The table column shown in each grid column.
const char* const kFieldOf[kMemberColumnCount] = {nullptr,  "姓名", "编号", "联系方式",
                                                  "折扣率", "积分", "备注"};

MemberFields fieldsOf(const RecordSet& set) {
  MemberFields fields;
  for (int c = 1; c < kMemberColumnCount; ++c)
    fields[static_cast<size_t>(c)] = set.field(kFieldOf[c]);
  return fields;
}

// True when the query finds a row.
bool anyRow(Database& db, const std::string& sql, const SqlParams& params) {
  RecordSet set(db);
  return set.open(sql, params) && set.next();
}

}  // namespace

void setUpMemberGrid(TextGrid& grid) {
  struct Column {
    const char* header;
    int width;
  };
  const Column columns[kMemberColumnCount] = {{"", 35},          {"姓名", 150},   {"编号", 100},
                                              {"联系方式", 100}, {"折扣率", 100}, {"积分", 100},
                                              {"备注", 180}};
  grid.setColumnCount(kMemberColumnCount);
  for (int c = 0; c < kMemberColumnCount; ++c) {
    grid.setText(0, c, columns[c].header);
    grid.setColumnWidth(c, columns[c].width);
  }
  grid.setEditable(false);
}

void readMembers(Database& db, const std::optional<std::string>& search, RowSink& sink) {
  RecordSet set(db);
  bool opened;
  if (search) {
    const std::string pattern = containsPattern(*search);
    opened = set.open("select * from 会员 where 编号 like ? or 姓名 like ? or 联系方式 like ?",
                      {pattern, pattern, pattern});
  } else {
    opened = set.open("select * from 会员");
  }
  if (!opened) return;
  while (!sink.cancelled() && set.next()) {
    MemberFields fields = fieldsOf(set);
    fields[MemberRowNumber] = integerText(static_cast<std::int64_t>(sink.count()) + 1);
    sink.add(std::vector<std::string>(std::make_move_iterator(fields.begin()),
                                      std::make_move_iterator(fields.end())));
  }
}

bool memberNameExists(Database& db, const std::string& name) {
  static const std::string sql =
      "select 1 from 会员 where " + trimmedSql("姓名") + "=" + trimmedSql("?") + " limit 1";
  return anyRow(db, sql, {name});
}

bool memberContactExists(Database& db, const std::string& contact) {
  static const std::string sql = "select 1 from 会员 where " + trimmedSql("联系方式") + "=" +
                                 trimmedSql("?1") + " and " + trimmedSql("?1") + "<>'' limit 1";
  return anyRow(db, sql, {contact});
}

GuardedWrite writeMemberColumn(Database& db, const std::string& number, int column,
                              const std::string& value, const std::string& loaded,
                              MemberFields& stored) {
  if (column < MemberName || column >= kMemberColumnCount || column == MemberNumber) {
    db.setLastError("no such column");
    return GuardedWrite::Failed;
  }
  // The stored value compared as the text a load reads (NULL as empty text), on either engine.
  // The column name comes from the fixed table above, never from a cell.
  const std::string name = kFieldOf[column];
  RecordSet set(db);
  if (!set.open("update 会员 set " + name + "=? where 编号=? and coalesce(cast(" + name +
                    " as text),'')=? returning 姓名,编号,联系方式,折扣率,积分,备注",
                {value, number, loaded})) {
    return GuardedWrite::Failed;
  }
  if (!set.next()) return db.lastError().empty() ? GuardedWrite::Changed : GuardedWrite::Failed;
  stored = fieldsOf(set);
  // Steps the statement to its end, so the write is finished before anything else runs.
  while (set.next()) {
  }
  return db.lastError().empty() ? GuardedWrite::Written : GuardedWrite::Failed;
}

std::optional<MemberFields> readStoredMember(Database& db, const std::string& number) {
  RecordSet set(db);
  if (!set.open("select * from 会员 where 编号=?", {number}) || !set.next()) return std::nullopt;
  return fieldsOf(set);
}

}  // namespace cz
