// The server's bulk load (COPY … FROM STDIN) on the calling thread's connection.
#include <libpq-fe.h>

#include <algorithm>

#include "storage/postgres.h"

namespace cz {

bool PostgresConnections::beginCopy(const std::string& sql, std::string& error) {
  Connection* c = threadConnection(error);
  if (!c) return false;
  if (!c->pending.empty()) {
    const Reply reply = sendWithPending(*c, nullptr, nullptr, error);
    if (!reply.last) return false;
    PQclear(reply.last);
  }
  PGresult* result = PQexec(c->conn, sql.c_str());
  const bool started = PQresultStatus(result) == PGRES_COPY_IN;
  if (!started) failure(*c, result, error);
  PQclear(result);
  return started;
}

bool PostgresConnections::putCopyData(const std::string& data, std::string& error) {
  Connection* c = threadConnection(error);
  if (!c) return false;
  // In pieces of at most a megabyte, so libpq's buffer stays small.
  constexpr size_t kPiece = 1 << 20;
  for (size_t at = 0; at < data.size(); at += kPiece) {
    const int size = static_cast<int>(std::min(kPiece, data.size() - at));
    if (PQputCopyData(c->conn, data.data() + at, size) != 1) {
      failure(*c, nullptr, error);
      return false;
    }
  }
  return true;
}

bool PostgresConnections::endCopy(const char* abortReason, std::string& error) {
  Connection* c = threadConnection(error);
  if (!c) return false;
  bool ok = PQputCopyEnd(c->conn, abortReason) == 1;
  if (!ok) failure(*c, nullptr, error);
  // The outcome of the COPY, then nothing.
  while (PGresult* result = PQgetResult(c->conn)) {
    if (ok && PQresultStatus(result) != PGRES_COMMAND_OK) {
      ok = false;
      failure(*c, result, error);
    }
    PQclear(result);
  }
  if (ok && abortReason) {
    ok = false;
    error = abortReason;
  }
  if (ok) error.clear();
  return ok;
}

}  // namespace cz
