// The libcups functions that a CUPS queue's receipts use, each passed on to libcups opened at the
// first job (see LazyLibrary): a till printing to a device or a network printer never loads it.
#include <cups/cups.h>

#include "printing/printer_port.h"
#include "util/lazy_library.h"

namespace cz {

namespace {
LazyLibrary g_libcups("libcups.so.2");
}  // namespace

bool loadCupsLibrary(std::string& error) {
  std::string reason;
  if (g_libcups.load(reason)) return true;
  error = "无法加载打印服务CUPS的库：" + reason;
  return false;
}

}  // namespace cz

using cz::g_libcups;

CZ_LAZY_FUNCTION(g_libcups, httpConnect2,
                 (const char* host, int port, http_addrlist_t* addresses, int family,
                  http_encryption_t encryption, int blocking, int msec, int* cancel),
                 (host, port, addresses, family, encryption, blocking, msec, cancel))
CZ_LAZY_FUNCTION(g_libcups, httpSetTimeout,
                 (http_t * http, double timeout, http_timeout_cb_t callback, void* data),
                 (http, timeout, callback, data))
CZ_LAZY_FUNCTION(g_libcups, httpClose, (http_t * http), (http))
CZ_LAZY_FUNCTION(g_libcups, cupsServer, (), ())
CZ_LAZY_FUNCTION(g_libcups, ippPort, (), ())
CZ_LAZY_FUNCTION(g_libcups, cupsEncryption, (), ())
CZ_LAZY_FUNCTION(g_libcups, cupsLastErrorString, (), ())
CZ_LAZY_FUNCTION(g_libcups, cupsCreateJob,
                 (http_t * http, const char* name, const char* title, int count,
                  cups_option_t* options),
                 (http, name, title, count, options))
CZ_LAZY_FUNCTION(g_libcups, cupsStartDocument,
                 (http_t * http, const char* name, int job, const char* document,
                  const char* format, int last),
                 (http, name, job, document, format, last))
CZ_LAZY_FUNCTION(g_libcups, cupsWriteRequestData,
                 (http_t * http, const char* buffer, size_t length), (http, buffer, length))
CZ_LAZY_FUNCTION(g_libcups, cupsFinishDocument, (http_t * http, const char* name), (http, name))
CZ_LAZY_FUNCTION(g_libcups, cupsCancelJob2, (http_t * http, const char* name, int job, int purge),
                 (http, name, job, purge))
