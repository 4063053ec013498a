// The PostgreSQL client library's functions that the server back end calls, each passed on to
// libpq opened at the first use (see LazyLibrary): a till on a data file never loads it.
#include <libpq-fe.h>

#include "storage/postgres.h"
#include "util/lazy_library.h"

namespace cz {

namespace {
LazyLibrary g_libpq("libpq.so.5");
}  // namespace

bool loadServerClient(std::string& error) {
  std::string reason;
  if (g_libpq.load(reason)) return true;
  error = "无法加载数据库服务器的客户端库：" + reason;
  return false;
}

}  // namespace cz

using cz::g_libpq;

CZ_LAZY_FUNCTION(g_libpq, PQclear, (PGresult * res), (res))
CZ_LAZY_FUNCTION(g_libpq, PQstatus, (const PGconn* conn), (conn))
CZ_LAZY_FUNCTION(g_libpq, PQnfields, (const PGresult* res), (res))
CZ_LAZY_FUNCTION(g_libpq, PQresultStatus, (const PGresult* res), (res))
CZ_LAZY_FUNCTION(g_libpq, PQresultErrorField, (const PGresult* res, int code), (res, code))
CZ_LAZY_FUNCTION(g_libpq, PQntuples, (const PGresult* res), (res))
CZ_LAZY_FUNCTION(g_libpq, PQgetvalue, (const PGresult* res, int row, int field), (res, row, field))
CZ_LAZY_FUNCTION(g_libpq, PQgetisnull, (const PGresult* res, int row, int field), (res, row, field))
CZ_LAZY_FUNCTION(g_libpq, PQgetlength, (const PGresult* res, int row, int field), (res, row, field))
CZ_LAZY_FUNCTION(g_libpq, PQftype, (const PGresult* res, int field), (res, field))
CZ_LAZY_FUNCTION(g_libpq, PQfname, (const PGresult* res, int field), (res, field))
CZ_LAZY_FUNCTION(g_libpq, PQcmdStatus, (PGresult * res), (res))
CZ_LAZY_FUNCTION(g_libpq, PQcmdTuples, (PGresult * res), (res))
CZ_LAZY_FUNCTION(g_libpq, PQgetResult, (PGconn * conn), (conn))
CZ_LAZY_FUNCTION(g_libpq, PQfinish, (PGconn * conn), (conn))
CZ_LAZY_FUNCTION(g_libpq, PQerrorMessage, (const PGconn* conn), (conn))
CZ_LAZY_FUNCTION(g_libpq, PQconsumeInput, (PGconn * conn), (conn))
CZ_LAZY_FUNCTION(g_libpq, PQtransactionStatus, (const PGconn* conn), (conn))
CZ_LAZY_FUNCTION(g_libpq, PQsocket, (const PGconn* conn), (conn))
CZ_LAZY_FUNCTION(g_libpq, PQsetNoticeProcessor, (PGconn * conn, PQnoticeProcessor proc, void* arg),
                 (conn, proc, arg))
CZ_LAZY_FUNCTION(g_libpq, PQsendQueryParams,
                 (PGconn * conn, const char* command, int count, const Oid* types,
                  const char* const* values, const int* lengths, const int* formats,
                  int resultFormat),
                 (conn, command, count, types, values, lengths, formats, resultFormat))
CZ_LAZY_FUNCTION(g_libpq, PQsendPrepare,
                 (PGconn * conn, const char* name, const char* query, int count, const Oid* types),
                 (conn, name, query, count, types))
CZ_LAZY_FUNCTION(g_libpq, PQsendQueryPrepared,
                 (PGconn * conn, const char* name, int count, const char* const* values,
                  const int* lengths, const int* formats, int resultFormat),
                 (conn, name, count, values, lengths, formats, resultFormat))
CZ_LAZY_FUNCTION(g_libpq, PQputCopyEnd, (PGconn * conn, const char* message), (conn, message))
CZ_LAZY_FUNCTION(g_libpq, PQputCopyData, (PGconn * conn, const char* buffer, int bytes),
                 (conn, buffer, bytes))
CZ_LAZY_FUNCTION(g_libpq, PQpipelineSync, (PGconn * conn), (conn))
CZ_LAZY_FUNCTION(g_libpq, PQisBusy, (PGconn * conn), (conn))
CZ_LAZY_FUNCTION(g_libpq, PQfreemem, (void* ptr), (ptr))
CZ_LAZY_FUNCTION(g_libpq, PQflush, (PGconn * conn), (conn))
CZ_LAZY_FUNCTION(g_libpq, PQenterPipelineMode, (PGconn * conn), (conn))
CZ_LAZY_FUNCTION(g_libpq, PQexitPipelineMode, (PGconn * conn), (conn))
CZ_LAZY_FUNCTION(g_libpq, PQexec, (PGconn * conn, const char* query), (conn, query))
CZ_LAZY_FUNCTION(g_libpq, PQconninfoParse, (const char* conninfo, char** message),
                 (conninfo, message))
CZ_LAZY_FUNCTION(g_libpq, PQconninfoFree, (PQconninfoOption * options), (options))
CZ_LAZY_FUNCTION(g_libpq, PQconnectStartParams,
                 (const char* const* keywords, const char* const* values, int expand),
                 (keywords, values, expand))
CZ_LAZY_FUNCTION(g_libpq, PQconnectPoll, (PGconn * conn), (conn))
