#include "core/operation_log.h"

#include "core/session.h"
#include "storage/database.h"
#include "util/clock.h"
#include "util/list_model.h"
#include "util/numbers.h"

namespace cz {

namespace {

struct TypeInfo {
  const char* label;
  Rgb colour;
};

constexpr TypeInfo kTypes[] = {
    {"系统", rgb(128, 128, 128)},      {"销售", rgb(0, 0, 255)},
    {"进货", rgb(0, 128, 0)},          {"更新库存", rgb(0, 0, 0)},
    {"增加会员", rgb(255, 128, 0)},    {"更新会员", rgb(255, 80, 128)},
    {"错误", rgb(255, 0, 0)},          {"新增供应商", rgb(0, 136, 255)},
    {"更新供应商", rgb(255, 80, 128)},
};

const TypeInfo& typeInfo(int type) {
  return (type >= 0 && type <= 8) ? kTypes[type] : kTypes[0];
}

constexpr int kReloadCount = 100;

}  // namespace

const char* logTypeLabel(int type) {
  return typeInfo(type).label;
}
Rgb logTypeColour(int type) {
  return typeInfo(type).colour;
}

OperationLog::OperationLog(Database& db, const Session& session, const Clock& clock,
                           ListModel& list)
    : m_db(db), m_session(session), m_clock(clock), m_list(list) {
  m_list.setColumns({{"", 50, ColumnAlign::Left},
                     {"时间", 133, ColumnAlign::Left},
                     {"账号", 100, ColumnAlign::Centre},
                     {"类型", 100, ColumnAlign::Centre},
                     {"日志", 480, ColumnAlign::Left}});
}

std::string withoutPassword(const std::string& text) {
  static const std::string kNewAccount = "新增新账号：";
  static const std::string kPassword = "，密码：";
  if (text.compare(0, kNewAccount.size(), kNewAccount) != 0) return text;
  const size_t at = text.find(kPassword);
  if (at == std::string::npos) return text;
  return text.substr(0, at + kPassword.size()) + "******";
}

void OperationLog::hidePasswordsInList() {
  for (int i = 0; i < m_list.itemCount(); ++i) {
    const std::string& text = m_list.text(i, LogText);
    const std::string hidden = withoutPassword(text);
    if (hidden != text) m_list.setText(i, LogText, hidden);
  }
}

std::string OperationLog::now() const {
  return timeText(m_clock.now());
}

void OperationLog::write(int type, const std::string& text) {
  Entry entry;
  entry.type = type;
  entry.text = text;
  write(entry);
}

void OperationLog::write(const Entry& entry) {
  const std::string time = entry.time ? *entry.time : now();
  const std::string& shown =
      entry.displayAccount ? *entry.displayAccount : m_session.currentAccount;
  if (entry.store) {
    // The stored account is always the current one, whatever the list shows.
    m_db.execute("insert into 日志(时间,账号,类型,日志) values(?,?,?,?)",
                 {time, m_session.currentAccount, integerText(entry.type), entry.text});
  }
  const int row =
      m_list.append({integerText(m_list.itemCount() + 1), time, shown, logTypeLabel(entry.type),
                     m_session.settings.strictSecurity ? withoutPassword(entry.text) : entry.text});
  m_list.setItemColours(row, logTypeColour(entry.type), rgb(255, 255, 255));
}

void OperationLog::reloadRecent() {
  // Storage order is rowid order; taking the last rows by rowid reads only those rows, where a
  // count and an offset would step over the whole table.
  RecordSet rows(m_db);
  if (!rows.open("select 时间,类型,账号,日志 from (select rowid as r,* from 日志 order by rowid "
                 "desc limit " +
                 integerText(kReloadCount) + ") order by r")) {
    return;
  }
  while (rows.next()) {
    Entry entry;
    entry.time = rows.field("时间");
    entry.type = static_cast<int>(readInteger(rows.field("类型")));
    entry.displayAccount = rows.field("账号");
    entry.text = rows.field("日志");
    entry.store = false;
    write(entry);
  }
}

}  // namespace cz
