#include "catalogue/member_presenter.h"

#include "catalogue/goods_presenter.h"
#include "catalogue/members.h"
#include "core/app_context.h"
#include "core/dialogs.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "storage/database.h"
#include "util/numbers.h"
#include "util/typed_number.h"

namespace cz {

namespace {

constexpr double kDiscountTolerance = 0.0000001;
const char* const kEditFailed = "修改失败";

}  // namespace

MemberListPresenter::MemberListPresenter(AppContext& app, Dialogs& dialogs)
    : m_app(app), m_dialogs(dialogs), m_loader(app.ui) {
  setUpMemberGrid(m_grid);
}

void MemberListPresenter::created() {
  load(std::nullopt);
}

void MemberListPresenter::refresh() {
  load(std::nullopt);
}

void MemberListPresenter::searchChosen() {
  const auto text = m_dialogs.input("支持模糊查询 会员名，手机号，编号", "查询会员");
  if (!text) return;
  load(*text);
}

void MemberListPresenter::load(std::optional<std::string> search) {
  Database& db = m_app.db;
  m_loader.start(
      [&db, search = std::move(search)](RowSink& sink) { readMembers(db, search, sink); },
      [this](GridRows&& rows, bool first, bool) {
        if (first) m_grid.reset();
        m_grid.appendRows(std::move(rows));
      });
}

void MemberListPresenter::deleteChosen() {
  const int row = m_grid.currentRow();
  if (row < 1) return;
  // Read before asking: a load may refill the grid while the question is open, and the member
  // deleted is the one named in it.
  const std::string number = m_grid.text(row, MemberNumber);
  if (!m_dialogs.ask("确定删除会员[" + m_grid.text(row, MemberName) + "]吗？", kDefaultTitle,
                     Answer::No)) {
    return;
  }
  if (!m_app.db.execute("delete from 会员 where 编号=?", {number})) {
    const std::string error = m_app.db.lastError();
    m_app.log.write(LogType::Error, "删除会员编号为[" + number + "]失败，原因：" + error);
    m_dialogs.message(error, "删除失败", MessageIcon::Warning);
    return;
  }
  m_app.log.write(LogType::UpdateMember, "删除会员编号为[" + number + "]");
  load(std::nullopt);
}

void MemberListPresenter::currentCellChanged(int, int col) {
  // The row number and the member number (the key of every update) are never typed over.
  if (col == MemberRowNumber || col == MemberNumber) {
    m_grid.setEditable(false);
    return;
  }
  if (col == MemberDiscount || col == MemberPoints) {
    const PermissionRecord& permissions = m_app.session.permissions;
    const char* missing = !permissions.allows(Permission::ChangeDiscount) ? "修改折扣"
                          : !permissions.allows(Permission::ChangePoints) ? "修改积分"
                                                                          : nullptr;
    if (missing) {
      m_grid.setEditable(false);
      m_dialogs.message(std::string("当前账号无[") + missing + "]权限，请联系管理员提升权限",
                        kDefaultTitle, MessageIcon::Information);
      return;
    }
  }
  m_grid.setEditable(true);
}

void MemberListPresenter::editBegins(int row, int col) {
  m_savedDiscount = m_grid.text(row, MemberDiscount);
  m_savedCell = {row, col, m_grid.text(row, col)};
}

std::string MemberListPresenter::textBeforeEdit(int row, int col) {
  if (m_savedCell.row == row && m_savedCell.col == col) return m_savedCell.text;
  // An edit that began unseen: the stored value is the one to fall back on.
  if (auto stored = readStoredMember(m_app.db, m_grid.text(row, MemberNumber)))
    return (*stored)[static_cast<size_t>(col)];
  return {};
}

bool MemberListPresenter::typedNumberRefused(int row, int col) {
  if (col != MemberDiscount && col != MemberPoints) return false;
  const TypedNumberKind kind =
      col == MemberDiscount ? TypedNumberKind::Rate : TypedNumberKind::Amount;
  const std::string typed = m_grid.text(row, col);
  const TypedNumberCheck check = checkTypedNumber(typed, kind);
  if (check != TypedNumberCheck::NotANumber) m_grid.setText(row, col, typedNumberText(typed));
  // A rate out of range gets the discount check's own text below.
  if (check == TypedNumberCheck::Fine ||
      (kind == TypedNumberKind::Rate && check == TypedNumberCheck::OutOfRange)) {
    return false;
  }
  m_grid.setText(row, col, textBeforeEdit(row, col));
  m_dialogs.message(typedNumberMessage(m_grid.headerText(col), kind, check), kEditFailed);
  return true;
}

void MemberListPresenter::cellEdited(int row, int col) {
  if (row < 1 || row >= m_grid.rowCount()) return;
  // The row number and the member number (the key) are never written from a cell.
  if (col < MemberName || col >= kMemberColumnCount || col == MemberNumber) return;
  if (typedNumberRefused(row, col)) return;
  const std::string number = m_grid.text(row, MemberNumber);
  const std::string typed = m_grid.text(row, col);
  const std::optional<MemberFields> stored = readStoredMember(m_app.db, number);
  if (!stored) {
    changedElsewhere(row);
    return;
  }
  // The member as it will be: what is stored now with the edited cell over it.
  MemberFields values = *stored;
  values[static_cast<size_t>(col)] = typed;

  const float discount = readSingle(values[MemberDiscount]);
  if (static_cast<double>(discount) < -kDiscountTolerance ||
      static_cast<double>(discount) - 10.0 > kDiscountTolerance) {
    m_grid.setText(row, MemberDiscount, m_savedDiscount);
    m_dialogs.message("折扣率在1-10之间", kEditFailed);
    return;
  }
  const float minimum = m_app.session.permissions.minimumDiscount;
  if (discount < minimum) {
    m_grid.setText(row, MemberDiscount, m_savedDiscount);
    m_dialogs.message("当前账号允许最低折扣为：" + singleText(minimum), kEditFailed);
    return;
  }

  // Only the edited column is written, and only while it still holds what this list showed:
  // points a sale added meanwhile stay.
  MemberFields written;
  switch (writeMemberColumn(m_app.db, number, col, typed, textBeforeEdit(row, col), written)) {
    case GuardedWrite::Changed:
      changedElsewhere(row);
      return;
    case GuardedWrite::Failed: {
      const std::string error = m_app.db.lastError();
      m_app.log.write(LogType::Error, "[修改会员信息失败]：" + error);
      m_dialogs.message(error, kEditFailed);
      return;
    }
    case GuardedWrite::Written:
      break;
  }
  m_savedCell = {};
  showStoredRow(row, written);
  m_app.log.write(LogType::UpdateMember,
                  "[修改会员信息]：编号为：" + number + " 名称=" + written[MemberName] +
                      "；联系方式=" + written[MemberContact] + "；折扣率=" +
                      written[MemberDiscount] + "；积分=" + written[MemberPoints] +
                      "；备注=" + written[MemberNote]);
}

void MemberListPresenter::showStoredRow(int row, const MemberFields& stored) {
  for (int c = 1; c < kMemberColumnCount; ++c) {
    if (m_grid.text(row, c) != stored[static_cast<size_t>(c)]) {
      m_grid.setText(row, c, stored[static_cast<size_t>(c)]);
    }
  }
}

void MemberListPresenter::changedElsewhere(int row) {
  m_savedCell = {};
  if (auto stored = readStoredMember(m_app.db, m_grid.text(row, MemberNumber))) {
    showStoredRow(row, *stored);
  } else {
    m_grid.deleteRow(row);  // deleted by another till
  }
  m_dialogs.message("该会员已被其他收银台修改，已重新读取", kEditFailed);
}

AddMemberPresenter::AddMemberPresenter(AppContext& app, Dialogs& dialogs)
    : m_app(app), m_dialogs(dialogs), m_background(themeBackground(app)) {}

void AddMemberPresenter::discountChanged(const std::string& text) {
  m_discount = text;
  const float discount = readSingle(text);
  const float minimum = m_app.session.permissions.minimumDiscount;
  // The box is put back to "10" once; "10" is not checked again, so an account whose minimum is
  // above 10 gets one message instead of an endless loop.
  if (discount < minimum) {
    m_discount = "10";
    m_dialogs.message("当前账号权限允许最低折扣为：" + singleText(minimum), kDefaultTitle,
                      MessageIcon::Information);
  } else if (static_cast<double>(discount) <= kDiscountTolerance ||
             static_cast<double>(discount) - 10.0 > kDiscountTolerance) {
    m_discount = "10";
    m_dialogs.message("折扣有效参数在1-10之间", kDefaultTitle, MessageIcon::Information);
  }
}

void AddMemberPresenter::addClicked() {
  // A duplicate is a member with the same name, or the same non-empty contact, blanks at either
  // end aside; a name or number that merely contains the typed text is no duplicate.
  if (memberNameExists(m_app.db, name)) {
    m_dialogs.message("[" + name + "]该姓名已经存在会员了", kDefaultTitle,
                      MessageIcon::Information);
    return;
  }
  if (memberContactExists(m_app.db, contact)) {
    m_dialogs.message("[" + contact + "]该联系方式已经存在会员了", kDefaultTitle,
                      MessageIcon::Information);
    return;
  }
  if (!m_app.db.execute(
          "insert into 会员(姓名,联系方式,备注,折扣率,创建者,积分) values(?,?,?,?,?,'0')",
          {name, contact, note, m_discount, m_app.session.currentAccount})) {
    const std::string error = m_app.db.lastError();
    m_app.log.write(LogType::Error, "增加会员[" + name + "]失败，原因：" + error);
    m_dialogs.message(error);
    return;
  }
  m_app.log.write(LogType::AddMember, "增加会员[" + name + "]");
  note.clear();
  contact.clear();
  name.clear();
}

}  // namespace cz
