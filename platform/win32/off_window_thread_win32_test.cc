#include "platform/win32/off_window_thread_win32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "base/run_error.h"
#include "platform/win32/main_window_win32.h"

namespace quelmar {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A spooler whose print server answers after `delay`: each call blocks its
// thread that long, as AddPrinterConnection does on a slow server.
class SlowSpooler : public Spooler {
 public:
  explicit SlowSpooler(milliseconds delay) : delay_(delay) {}
  HANDLE started() const { return started_.get(); }
  DWORD callingThread = 0;

  const std::vector<std::string>& InstalledPrinters() override {
    Block();
    return printers_;
  }
  SpoolerResult AddPrinterConnection(const std::string&) override {
    Block();
    return {false, 1722};
  }
  SpoolerResult DeletePrinterConnection(const std::string&) override {
    Block();
    return {true, 0};
  }

 private:
  void Block() {
    callingThread = GetCurrentThreadId();
    SetEvent(started_.get());
    std::this_thread::sleep_for(delay_);
  }
  milliseconds delay_;
  std::vector<std::string> printers_{"\\\\lent\\Laser"};
  UniqueHandle started_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

// What another program sees of the window while a spooler call lasts.
struct Probe {
  bool answered = false;
  milliseconds answerTime{};
  bool closeAnswered = false;
  bool existsAfterClose = false;
};

// Once the call has started: asks the window for an answer (WM_NULL, as
// Windows does before ghosting a window) with a 1-second limit, then asks
// it to close.
Probe ProbeDuringTheCall(HWND window, HANDLE started) {
  Probe probe;
  WaitForSingleObject(started, 10000);
  DWORD_PTR result = 0;
  const auto start = Clock::now();
  probe.answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000,
                                       &result) != 0;
  probe.answerTime =
      std::chrono::duration_cast<milliseconds>(Clock::now() - start);
  probe.closeAnswered = SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_NORMAL,
                                            1000, &result) != 0;
  probe.existsAfterClose = IsWindow(window);
  return probe;
}

class OffWindowThreadTest : public ::testing::Test {
 protected:
  Win32Window window_{GetModuleHandleW(nullptr)};
  OffWindowThread thread_{[this] { window_.ProcessPendingEvents(); }};
};

// The window of a run in mode "N" during a 3-second connection: it answers
// at once, refuses to close, and the call's result comes back.
TEST_F(OffWindowThreadTest, WindowAnswersAndRefusesToCloseDuringASlowCall) {
  window_.SetOkEnabled(false);
  window_.Show();
  SlowSpooler slow(milliseconds(3000));
  OffWindowThreadSpooler spooler(slow, thread_);
  Probe probe;
  std::thread prober(
      [&] { probe = ProbeDuringTheCall(window_.handle(), slow.started()); });
  const auto start = Clock::now();
  const SpoolerResult result = spooler.AddPrinterConnection("\\\\lent\\Laser");
  const auto took = Clock::now() - start;
  prober.join();

  EXPECT_FALSE(result.succeeded);
  EXPECT_EQ(result.error, 1722);
  EXPECT_GE(took, milliseconds(3000));
  EXPECT_NE(slow.callingThread, GetCurrentThreadId());
  EXPECT_TRUE(probe.answered);
  EXPECT_LT(probe.answerTime, milliseconds(500));
  EXPECT_TRUE(probe.closeAnswered);
  EXPECT_TRUE(probe.existsAfterClose);
  window_.ProcessPendingEvents();
  EXPECT_TRUE(IsWindow(window_.handle()));
  EXPECT_FALSE(window_.closed());
}

// A run in mode "M" or "D": the hidden window answers as well (a settings
// broadcast of another program waits for every top-level window).
TEST_F(OffWindowThreadTest, HiddenWindowAnswersDuringEveryKindOfCall) {
  SlowSpooler slow(milliseconds(600));
  OffWindowThreadSpooler spooler(slow, thread_);
  for (int call = 0; call < 3; ++call) {
    ResetEvent(slow.started());
    Probe probe;
    std::thread prober(
        [&] { probe = ProbeDuringTheCall(window_.handle(), slow.started()); });
    if (call == 0)
      EXPECT_EQ(spooler.InstalledPrinters(),
                std::vector<std::string>{"\\\\lent\\Laser"});
    else if (call == 1)
      EXPECT_TRUE(spooler.IsInstalled("\\\\LENT\\laser"));
    else
      EXPECT_TRUE(spooler.DeletePrinterConnection("\\\\lent\\Laser").succeeded);
    prober.join();
    EXPECT_TRUE(probe.answered) << call;
    EXPECT_LT(probe.answerTime, milliseconds(500)) << call;
  }
}

class ThrowingDefaultPrinter : public DefaultPrinterSetting {
 public:
  std::string DefaultPrinterName() override {
    throw RunError(68, "Le spouleur ne répond pas");
  }
  void MakeDefaultPrinter(const std::string& name) override {
    made = name;
    makingThread = GetCurrentThreadId();
  }
  std::string made;
  DWORD makingThread = 0;
};

TEST_F(OffWindowThreadTest, RunErrorsOfTheCallReachTheRun) {
  ThrowingDefaultPrinter inner;
  OffWindowThreadDefaultPrinter setting(inner, thread_);
  try {
    setting.DefaultPrinterName();
    FAIL() << "no error";
  } catch (const RunError& error) {
    EXPECT_EQ(error.number(), 68);
    EXPECT_EQ(error.description(), "Le spouleur ne répond pas");
  }
  // The worker goes on with the next call.
  setting.MakeDefaultPrinter("\\\\srv\\Réception");
  EXPECT_EQ(inner.made, "\\\\srv\\Réception");
  EXPECT_NE(inner.makingThread, 0u);
  EXPECT_NE(inner.makingThread, GetCurrentThreadId());
}

}  // namespace
}  // namespace quelmar
