#include "core/log_presenter.h"

#include "core/dialogs.h"
#include "core/operation_log.h"
#include "util/list_model.h"

namespace cz {

void LogPresenter::shown() {
  m_list.ensureVisible(m_list.itemCount() - 1);
}

void LogPresenter::doubleClicked() {
  const int row = m_list.selectedIndex();
  if (row < 0) return;
  m_dialogs.message("账号：" + m_list.text(row, LogAccount) + "\r\n\r\n类型：" +
                        m_list.text(row, LogTypeName) + "\r\n\r\n详情内容：\r\n\r\n" +
                        m_list.text(row, LogText),
                    m_list.text(row, LogTime), MessageIcon::None);
}

}  // namespace cz
