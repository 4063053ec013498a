#include "catalogue/supplier_page_presenter.h"

#include "catalogue/lookups.h"
#include "core/app_context.h"
#include "core/dialogs.h"
#include "core/operation_log.h"
#include "core/permissions.h"
#include "core/session.h"
#include "core/windows.h"
#include "storage/database.h"
#include "util/numbers.h"

namespace cz {

namespace {
constexpr int kEnterKey = 13;
}  // namespace

SupplierPagePresenter::SupplierPagePresenter(AppContext& app, Dialogs& dialogs)
    : m_app(app), m_dialogs(dialogs), m_loader(app.ui) {
  m_grid.setColumnCount(5);
  const struct {
    const char* header;
    int width;
  } columns[] = {{"", 35}, {"供应商", 220}, {"联系方式", 160}, {"创建者", 100}, {"编号", 0}};
  for (int c = 0; c < 5; ++c) {
    m_grid.setText(0, c, columns[c].header);
    m_grid.setColumnWidth(c, columns[c].width);
  }
  m_grid.setEditable(false);
}

void SupplierPagePresenter::searchKeyDown(int code) {
  if (code == kEnterKey) load();
}

void SupplierPagePresenter::load() {
  Database& db = m_app.db;
  m_loader.start(
      [&db, text = m_search](RowSink& sink) {
        RecordSet set(db);
        if (!set.open("select * from 供应商 where 名称 like ?", {containsPattern(text)})) return;
        while (!sink.cancelled() && set.next()) {
          sink.add({integerText(static_cast<std::int64_t>(sink.count()) + 1), set.field("名称"),
                    set.field("联系方式"), set.field("创建者"), set.field("编号")});
        }
      },
      [this](GridRows&& rows, bool first, bool) {
        if (first) m_grid.reset();
        m_grid.appendRows(std::move(rows));
      });
}

void SupplierPagePresenter::allowEditClicked() {
  if (!checkPermission(m_app.session.permissions, Permission::EditSupplier, m_dialogs,
                       refusalText("删除\\修改 供应商"))) {
    m_allowEdit = false;
    m_grid.setEditable(false);
    return;
  }
  m_allowEdit = true;
  applyEditRule();
}

void SupplierPagePresenter::cellDoubleClicked() {
  if (m_allowEdit) applyEditRule();
}

void SupplierPagePresenter::currentCellChanged() {
  if (m_allowEdit) applyEditRule();
}

void SupplierPagePresenter::applyEditRule() {
  m_grid.setEditable(m_grid.currentColumn() != SupplierCreator);
}

void SupplierPagePresenter::editBegins(int row) {
  m_savedName = m_grid.text(row, SupplierName);
  m_savedContact = m_grid.text(row, SupplierContact);
}

void SupplierPagePresenter::editCommitted(int row) {
  if (row < 1 || row >= m_grid.rowCount()) return;
  const std::string name = m_grid.text(row, SupplierName);
  const std::string contact = m_grid.text(row, SupplierContact);
  const std::string number = m_grid.text(row, SupplierNumber);
  if (name == m_savedName && contact == m_savedContact) return;
  if (m_app.db.execute("update 供应商 set 名称=?,联系方式=? where 编号=?",
                       {name, contact, number})) {
    m_app.log.write(LogType::UpdateSupplier,
                    "更新供应商编号[" + number + "]的名称为：" + name + "；联系方式为：" + contact);
    // The next edit of this row compares with what is now stored.
    m_savedName = name;
    m_savedContact = contact;
    return;
  }
  const std::string error = m_app.db.lastError();
  m_app.log.write(LogType::Error,
                  "更新供应商编号[" + number + "]的名称为：" + name + " 失败，原因：" + error);
  m_dialogs.message(error);
}

void SupplierPagePresenter::addClicked() {
  if (!checkPermission(m_app.session.permissions, Permission::AddSupplier, m_dialogs,
                       refusalText("增加供应商"))) {
    return;
  }
  // Modal; this page may be gone when it returns, so nothing follows.
  m_app.windows.openAddSupplierWindow();
}

void SupplierPagePresenter::deleteClicked() {
  const int row = m_grid.currentRow();
  if (row < 1) return;
  if (!checkPermission(m_app.session.permissions, Permission::EditSupplier, m_dialogs,
                       refusalText("删除供应商"))) {
    return;
  }
  const std::string name = m_grid.text(row, SupplierName);
  const std::string number = m_grid.text(row, SupplierNumber);
  if (!m_dialogs.ask("确定删除供应商[" + name + "]吗？")) return;
  if (m_app.db.execute("delete from 供应商 where 编号=?", {number})) {
    m_app.log.write(LogType::UpdateSupplier, "删除供应商[" + name + "]");
    load();
    return;
  }
  const std::string error = m_app.db.lastError();
  m_app.log.write(LogType::Error, "删除供应商[" + name + "]失败，原因：" + error);
  m_dialogs.message("删除失败，原因：" + error);
}

}  // namespace cz
