#include "platform/win32/off_window_thread_win32.h"

#include <system_error>
#include <utility>

#include "base/run_error.h"

namespace quelmar {

OffWindowThread::OffWindowThread(std::function<void()> pumpMessages)
    : pumpMessages_(std::move(pumpMessages)) {}

OffWindowThread::~OffWindowThread() {
  if (!worker_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  worker_.join();
}

// Started at the first call, inside the run: a system out of threads or
// events ends the run through its error handler.
void OffWindowThread::Start() {
  done_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!done_) throw RunError(kOutOfMemory);
  try {
    worker_ = std::thread([this] { Work(); });
  } catch (const std::system_error&) {
    throw RunError(kOutOfMemory);
  }
}

void OffWindowThread::Run(const std::function<void()>& call) {
  if (!worker_.joinable()) Start();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_ = &call;
  }
  wake_.notify_one();
  HANDLE done = done_.get();
  // Input, sent messages and posted ones all end the wait; the pump takes
  // them all before waiting again.
  while (MsgWaitForMultipleObjectsEx(1, &done, INFINITE, QS_ALLINPUT,
                                     MWMO_INPUTAVAILABLE) != WAIT_OBJECT_0)
    pumpMessages_();
  std::exception_ptr error;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    error = std::exchange(error_, nullptr);
  }
  if (error) std::rethrow_exception(error);
}

void OffWindowThread::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || pending_; });
    if (stopping_) return;
    const std::function<void()>* call = std::exchange(pending_, nullptr);
    lock.unlock();
    std::exception_ptr error;
    try {
      (*call)();
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    error_ = error;
    SetEvent(done_.get());
  }
}

const std::vector<std::string>& OffWindowThreadSpooler::InstalledPrinters() {
  return *thread_.Result([this] { return &spooler_.InstalledPrinters(); });
}

bool OffWindowThreadSpooler::IsInstalled(std::string_view name) {
  return thread_.Result([this, name] { return spooler_.IsInstalled(name); });
}

std::vector<std::string> OffWindowThreadSpooler::InstalledMatching(
    CaseInsensitivePattern& pattern) {
  return thread_.Result(
      [this, &pattern] { return spooler_.InstalledMatching(pattern); });
}

SpoolerResult OffWindowThreadSpooler::AddPrinterConnection(
    const std::string& name) {
  return thread_.Result(
      [this, &name] { return spooler_.AddPrinterConnection(name); });
}

SpoolerResult OffWindowThreadSpooler::DeletePrinterConnection(
    const std::string& name) {
  return thread_.Result(
      [this, &name] { return spooler_.DeletePrinterConnection(name); });
}

std::string OffWindowThreadDefaultPrinter::DefaultPrinterName() {
  return thread_.Result([this] { return setting_.DefaultPrinterName(); });
}

void OffWindowThreadDefaultPrinter::MakeDefaultPrinter(
    const std::string& name) {
  thread_.Run([this, &name] { setting_.MakeDefaultPrinter(name); });
}

}  // namespace quelmar
