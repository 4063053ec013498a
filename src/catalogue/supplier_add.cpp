#include "catalogue/supplier_add.h"

#include "core/app_context.h"
#include "core/dialogs.h"
#include "core/operation_log.h"
#include "core/session.h"
#include "storage/database.h"

namespace cz {

void SupplierAddPresenter::addClicked() {
  if (m_app.db.execute("insert into 供应商(名称,联系方式,创建者) values(?,?,?)",
                       {m_name, m_contact, m_app.session.currentAccount})) {
    m_app.log.write(LogType::AddSupplier, "添加新供应商：" + m_name + "；联系方式：" + m_contact);
    m_contact.clear();
    m_name.clear();
    return;
  }
  const std::string error = m_app.db.lastError();
  m_app.log.write(LogType::Error, "添加新供应商：" + m_name + " 失败，原因：" + error);
  m_dialogs.message(error, kDefaultTitle, MessageIcon::Warning);
}

}  // namespace cz
