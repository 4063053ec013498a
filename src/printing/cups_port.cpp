#include <cups/cups.h>
#include <poll.h>

#include "printing/printer_port.h"

namespace cz {
namespace {

struct TimeoutCheck {
  Deadline deadline;
  int cancelFd;
};

// libcups asks this whenever a read or write has waited its timeout: 1 waits on, 0 gives up.
int keepWaiting(http_t*, void* data) {
  const auto* check = static_cast<const TimeoutCheck*>(data);
  if (std::chrono::steady_clock::now() >= check->deadline) return 0;
  pollfd cancel{check->cancelFd, POLLIN, 0};
  return check->cancelFd >= 0 && poll(&cancel, 1, 0) > 0 ? 0 : 1;
}

std::string cupsError(const std::string& queue) {
  const char* text = cupsLastErrorString();
  return "CUPS队列" + queue + "：" + (text && *text ? text : "未知错误");
}

// One raw job on a CUPS queue: the document starts with the first write and is handed to the
// scheduler by finish(); a job left unfinished is cancelled.
class CupsConnection : public PrinterConnection {
 public:
  CupsConnection(http_t* http, std::string queue, std::unique_ptr<TimeoutCheck> check)
      : m_http(http), m_queue(std::move(queue)), m_check(std::move(check)) {}
  ~CupsConnection() override {
    if (m_job > 0 && !m_finished) cupsCancelJob2(m_http, m_queue.c_str(), m_job, 0);
    httpClose(m_http);
  }

  std::string ask(std::string_view, Deadline) override { return {}; }

  std::string write(std::string_view bytes, Deadline deadline) override {
    m_check->deadline = deadline;
    if (m_job == 0) {
      m_job = cupsCreateJob(m_http, m_queue.c_str(), "晨舟收银小票", 0, nullptr);
      if (m_job == 0) return cupsError(m_queue);
      if (cupsStartDocument(m_http, m_queue.c_str(), m_job, "小票", CUPS_FORMAT_RAW, 1) !=
          HTTP_STATUS_CONTINUE) {
        return cupsError(m_queue);
      }
    }
    if (cupsWriteRequestData(m_http, bytes.data(), bytes.size()) != HTTP_STATUS_CONTINUE) {
      return cupsError(m_queue);
    }
    return {};
  }

  std::string finish(Deadline deadline) override {
    m_check->deadline = deadline;
    if (m_job == 0) return {};
    if (cupsFinishDocument(m_http, m_queue.c_str()) != IPP_STATUS_OK) return cupsError(m_queue);
    m_finished = true;
    return {};
  }

 private:
  http_t* m_http;
  std::string m_queue;
  std::unique_ptr<TimeoutCheck> m_check;
  int m_job = 0;
  bool m_finished = false;
};

}  // namespace

std::unique_ptr<PrinterConnection> connectCupsQueue(const std::string& queue, Deadline deadline,
                                                    int cancelFd, std::string& error) {
  if (!loadCupsLibrary(error)) return nullptr;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  const int msec = left.count() > 0 ? static_cast<int>(left.count()) : 1;
  http_t* http =
      httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, msec, nullptr);
  if (!http) {
    error = "无法连接打印服务CUPS（" + std::string(cupsServer()) + "）";
    return nullptr;
  }
  auto check = std::make_unique<TimeoutCheck>(TimeoutCheck{deadline, cancelFd});
  // Waits are cut into quarter seconds, so a deadline or a cancel is noticed soon.
  httpSetTimeout(http, 0.25, keepWaiting, check.get());
  return std::make_unique<CupsConnection>(http, queue, std::move(check));
}

}  // namespace cz
