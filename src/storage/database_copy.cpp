// Bulk loading on the server (COPY … FROM STDIN) and the rows it sends.
#include "storage/database.h"

#include "storage/postgres.h"

namespace cz {

bool Database::beginCopy(const std::string& table, const std::vector<std::string>& columns) {
  if (!m_server) {
    setLastError("此操作只适用于数据库服务器");
    return false;
  }
  std::string sql = "COPY " + table + " (";
  for (size_t i = 0; i < columns.size(); ++i) sql += (i ? "," : "") + columns[i];
  sql += ") FROM STDIN";
  std::string error;
  const bool ok = m_server->beginCopy(sql, error);
  setLastError(error);
  return ok;
}

bool Database::copyRows(const CopyRows& rows) {
  if (!m_server) {
    setLastError("此操作只适用于数据库服务器");
    return false;
  }
  std::string error;
  const bool ok = m_server->putCopyData(rows.text(), error);
  setLastError(error);
  return ok;
}

bool Database::endCopy() {
  if (!m_server) {
    setLastError("此操作只适用于数据库服务器");
    return false;
  }
  std::string error;
  const bool ok = m_server->endCopy(nullptr, error);
  setLastError(error);
  return ok;
}

void Database::cancelCopy(const std::string& reason) {
  if (!m_server) return;
  std::string error;
  m_server->endCopy(reason.c_str(), error);
}

void CopyRows::add(std::string_view value) {
  if (m_rowStarted) m_text += '\t';
  m_rowStarted = true;
  appendCopyField(m_text, value);
}

void CopyRows::addNull() {
  if (m_rowStarted) m_text += '\t';
  m_rowStarted = true;
  m_text += "\\N";
}

void CopyRows::endRow() {
  m_text += '\n';
  m_rowStarted = false;
  ++m_rows;
}

void CopyRows::clear() {
  m_text.clear();
  m_rowStarted = false;
  m_rows = 0;
}

}  // namespace cz
