#include "platform/win32/off_window_thread_win32.h"

#include <system_error>
#include <utility>

#include "app/run_error.h"

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

std::vector<std::string> OffWindowThreadSpooler::InstalledPrinters() {
  return thread_.Result([this] { return spooler_.InstalledPrinters(); });
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

std::string OffWindowThreadProfile::ReadDevice() {
  return thread_.Result([this] { return profile_.ReadDevice(); });
}

void OffWindowThreadProfile::WriteDevice(const std::string& value) {
  thread_.Run([this, &value] { profile_.WriteDevice(value); });
}

void OffWindowThreadProfile::BroadcastSettingsChange() {
  thread_.Run([this] { profile_.BroadcastSettingsChange(); });
}

}  // namespace quelmar
