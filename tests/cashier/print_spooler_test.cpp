#include "printing/print_spooler.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "printing/escpos.h"
#include "support/fakes.h"
#include "support/loopback_printer.h"
#include "support/test_app.h"

namespace cz {
namespace {

using namespace std::chrono_literals;
using test::LoopbackPrinter;

const std::string kStatus(escpos::kPaperStatusRequest);

// Short limits keep the failing cases quick.
PrintLimits quick() {
  PrintLimits limits;
  limits.job = 600ms;
  limits.statusAnswer = 150ms;
  return limits;
}

TEST(SendPrintJob, LoopbackPrinterGetsTheBytesAfterThePaperQuestion) {
  LoopbackPrinter printer;
  EXPECT_EQ(sendPrintJob({printer.device(), "receipt", true}, quick()), "");
  ASSERT_TRUE(printer.waitForJobs(1));
  EXPECT_EQ(printer.jobs()[0], kStatus + "receipt");
  // Without the question only the bytes go.
  EXPECT_EQ(sendPrintJob({printer.device(), "pulse", false}, quick()), "");
  ASSERT_TRUE(printer.waitForJobs(2));
  EXPECT_EQ(printer.jobs()[1], "pulse");
}

TEST(SendPrintJob, OutcomesOfPrintersThatFail) {
  const struct {
    const char* name;
    LoopbackPrinter::Mode mode;
    std::string failure;  // empty: delivered
    std::string received;
  } cases[] = {
      {"paper out: nothing but the question is sent", LoopbackPrinter::Mode::PaperOut, "缺纸",
       kStatus},
      {"no answer to the question: printed all the same", LoopbackPrinter::Mode::Silent, "",
       kStatus + "receipt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoopbackPrinter printer(c.mode);
    EXPECT_EQ(sendPrintJob({printer.device(), "receipt", true}, quick()), c.failure);
    ASSERT_TRUE(printer.waitForJobs(1));
    EXPECT_EQ(printer.jobs()[0], c.received);
  }
}

TEST(SendPrintJob, UnreachablePrintersGiveTheirReasonWithinTheLimit) {
  test::FullPort full;
  LoopbackPrinter stalled(LoopbackPrinter::Mode::Stalled);
  const std::string dead = test::deadPrinterDevice();
  const struct {
    const char* name;
    PrintJob job;
    std::string failure;
  } cases[] = {
      {"nothing listens", {dead, "x", true}, "无法连接打印机" + dead + "（连接被拒绝）"},
      {"the connection never completes",
       {full.device(), "x", true},
       "连接打印机" + full.device() + "超时"},
      // Four megabytes fill every buffer between here and a printer that stopped reading.
      {"the printer stops reading",
       {stalled.device(), std::string(4 << 20, 'x'), false},
       "打印机" + stalled.device() + "没有接收数据，发送超时"},
      {"no device set", {"  ", "x", true}, "未设置打印设备"},
      {"no such device file",
       {"/nonexistent/lp0", "x", true},
       "无法打开打印设备/nonexistent/lp0（设备不存在）"},
      {"a folder", {"/tmp", "x", true}, "打印设备不是打印机：/tmp"},
      {"a device that takes every byte", {"/dev/zero", "x", true}, "打印设备不是打印机：/dev/zero"},
      {"a device that prints nothing", {"/dev/null", "x", false}, "打印设备不是打印机：/dev/null"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(sendPrintJob(c.job, quick()), c.failure);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  }
}

TEST(SendPrintJob, ARegularFileIsNoPrinterAndKeepsItsContents) {
  test::TempDir dir;
  for (const char* name : {"lp0", ".bashrc", "data.db"}) {
    const std::string path = (dir.path() / name).string();
    std::ofstream(path) << "before|";
    EXPECT_EQ(sendPrintJob({path, "receipt", true}, quick()), "打印设备不是打印机：" + path);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "before|");
  }
}

TEST(SendPrintJob, ANamedPipePrintsOnlyWhenSomebodyReadsIt) {
  test::TempDir dir;
  const std::string path = (dir.path() / "printer").string();
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  // Nobody reads: a failure at once, whether or not the paper is asked about.
  for (const bool ask : {true, false}) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(sendPrintJob({path, "receipt", ask}, quick()),
              "无法打开打印设备" + path + "（设备未连接）");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  }
  // A reader that opened the pipe and never reads: the job fails at its deadline.
  {
    const int stuck = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(stuck, 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(sendPrintJob({path, "receipt", true}, quick()),
              "打印机" + path + "没有接收数据，发送超时");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    ::close(stuck);
  }
  // A program that reads gets every byte.
  std::string received;
  std::thread reader([&] {
    std::ifstream in(path, std::ios::binary);
    received.assign(std::istreambuf_iterator<char>(in), {});
  });
  std::string outcome;
  for (int attempt = 0; attempt < 200; ++attempt) {
    outcome = sendPrintJob({path, "receipt", true}, quick());
    if (outcome.find("设备未连接") == std::string::npos) break;
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(outcome, "");
  reader.join();
  EXPECT_EQ(received, "receipt");
}

TEST(SendPrintJob, AMissingCupsQueueFailsWithAReason) {
  const std::string failure = sendPrintJob({"没有这个队列", "x", false}, quick());
  EXPECT_NE(failure, "");
  EXPECT_TRUE(failure.find("CUPS") != std::string::npos) << failure;
}

// Waits until the queue has run at least one outcome.
bool drainOne(test::ManualUiQueue& ui, std::chrono::milliseconds timeout = 5s) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < until) {
    if (ui.drain() > 0) return true;
    std::this_thread::sleep_for(1ms);
  }
  return false;
}

TEST(PrintSpooler, JobsGoInOrderAndOutcomesReachTheUiQueue) {
  LoopbackPrinter printer;
  const std::string dead = test::deadPrinterDevice();
  test::ManualUiQueue ui;
  PrintSpooler spooler(ui, quick());
  std::vector<std::string> outcomes;
  spooler.submit({printer.device(), "one", false},
                 [&](const std::string& f) { outcomes.push_back("one:" + f); });
  spooler.submit({dead, "two", false},
                 [&](const std::string& f) { outcomes.push_back("two:" + f); });
  spooler.submit({printer.device(), "three", false},
                 [&](const std::string& f) { outcomes.push_back("three:" + f); });
  // Nothing runs on the submitting thread; outcomes wait for the UI queue.
  EXPECT_TRUE(outcomes.empty());
  while (outcomes.size() < 3 && drainOne(ui)) {
  }
  EXPECT_EQ(outcomes, (std::vector<std::string>{
                          "one:", "two:无法连接打印机" + dead + "（连接被拒绝）", "three:"}));
  ASSERT_TRUE(printer.waitForJobs(2));
  EXPECT_EQ(printer.jobs(), (std::vector<std::string>{"one", "three"}));
}

TEST(PrintSpooler, GoingAwayStopsAStalledJobAtOnceWithoutItsOutcome) {
  test::FullPort full;
  test::ManualUiQueue ui;
  PrintLimits slow;
  slow.job = 30s;
  bool called = false;
  const auto start = std::chrono::steady_clock::now();
  {
    PrintSpooler spooler(ui, slow);
    spooler.submit({full.device(), "x", false}, [&](const std::string&) { called = true; });
    spooler.submit({full.device(), "y", false}, [&](const std::string&) { called = true; });
    std::this_thread::sleep_for(50ms);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  ui.drain();
  EXPECT_FALSE(called);
}

TEST(PrintSpooler, FinishPendingWaitsForTheQueuedJobs) {
  LoopbackPrinter printer;
  test::ManualUiQueue ui;
  PrintSpooler spooler(ui, quick());
  for (int i = 0; i < 3; ++i) spooler.submit({printer.device(), "job", true}, nullptr);
  spooler.finishPending();
  EXPECT_TRUE(printer.waitForJobs(3, 1s));
}

}  // namespace
}  // namespace cz
