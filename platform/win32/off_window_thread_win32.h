// The spooler and the default printer called off the window's thread.
//
// AddPrinterConnection and DeletePrinterConnection block for as long as a
// slow print server or a driver download takes. A window whose thread is
// blocked stops answering, and after 5 seconds Windows replaces it with a
// ghost that the user can close, between the removal of an old printer and
// the connection of its replacement. Each call therefore runs on a worker
// thread, while the window's thread waits for it handling its messages: the
// window keeps answering and keeps refusing to close.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/spooler.h"
#include "platform/win32/handles.h"

namespace quelmar {

class OffWindowThread {
 public:
  // `pumpMessages` handles the messages waiting for the calling thread and
  // returns.
  explicit OffWindowThread(std::function<void()> pumpMessages);
  ~OffWindowThread();
  OffWindowThread(const OffWindowThread&) = delete;
  OffWindowThread& operator=(const OffWindowThread&) = delete;

  // Runs `call` on the worker thread and returns when it has ended, having
  // handled the messages of this thread meanwhile; an exception thrown by
  // `call` is thrown again here. One call at a time.
  void Run(const std::function<void()>& call);

  template <typename Call>
  auto Result(Call call) -> decltype(call()) {
    std::optional<decltype(call())> result;
    Run([&] { result.emplace(call()); });
    return std::move(*result);
  }

 private:
  void Start();
  void Work();

  std::function<void()> pumpMessages_;
  UniqueHandle done_;
  std::mutex mutex_;
  std::condition_variable wake_;
  const std::function<void()>* pending_ = nullptr;
  std::exception_ptr error_;
  bool stopping_ = false;
  std::thread worker_;
};

// The spooler of `spooler`, each call made by `thread`.
class OffWindowThreadSpooler : public Spooler {
 public:
  OffWindowThreadSpooler(Spooler& spooler, OffWindowThread& thread)
      : spooler_(spooler), thread_(thread) {}
  // The list of `spooler`, valid until its next call.
  const std::vector<std::string>& InstalledPrinters() override;
  bool IsInstalled(std::string_view name) override;
  std::vector<std::string> InstalledMatching(
      CaseInsensitivePattern& pattern) override;
  // Computed from the name alone: on the calling thread.
  std::string OneName(const std::string& name) override {
    return spooler_.OneName(name);
  }
  SpoolerResult AddPrinterConnection(const std::string& name) override;
  SpoolerResult DeletePrinterConnection(const std::string& name) override;

 private:
  Spooler& spooler_;
  OffWindowThread& thread_;
};

// The default printer of `setting`, each call made by `thread`: the
// announcement of a new default waits for every top-level window, this
// program's own included.
class OffWindowThreadDefaultPrinter : public DefaultPrinterSetting {
 public:
  OffWindowThreadDefaultPrinter(DefaultPrinterSetting& setting,
                                OffWindowThread& thread)
      : setting_(setting), thread_(thread) {}
  std::string DefaultPrinterName() override;
  void MakeDefaultPrinter(const std::string& name) override;

 private:
  DefaultPrinterSetting& setting_;
  OffWindowThread& thread_;
};

}  // namespace quelmar
