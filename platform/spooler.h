// The print spooler, the user's default printer and the system's error texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "services/like_pattern.h"

namespace quelmar {

struct SpoolerResult {
  bool succeeded = false;
  // The system's error number of a failure, taken right after the call.
  int32_t error = 0;
};

// Every read of the installed printers sees them as the previous operation
// left them.
class Spooler {
 public:
  virtual ~Spooler() = default;
  // Device names of the installed printers (local printers and
  // connections), in the system's order, read afresh at every call. The
  // list belongs to the spooler and stays valid until its next call.
  virtual const std::vector<std::string>& InstalledPrinters() = 0;
  // Whether a printer named `name`, without regard to case, is installed.
  // The default searches InstalledPrinters.
  virtual bool IsInstalled(std::string_view name);
  // The installed printers whose name matches `pattern`, in the system's
  // order and spelling. The default goes through InstalledPrinters.
  virtual std::vector<std::string> InstalledMatching(
      CaseInsensitivePattern& pattern);
  // The one name of the printer that `name` spells: two spellings of one
  // printer (\\srv:631\X and \\srv\X on CUPS, where 631 is the port
  // that every print server listens on) give the same name, compared
  // without regard to case; a pattern's spelling likewise. The default is
  // `name` itself: a printer has no other spelling.
  virtual std::string OneName(const std::string& name) { return name; }
  virtual SpoolerResult AddPrinterConnection(const std::string& name) = 0;
  virtual SpoolerResult DeletePrinterConnection(const std::string& name) = 0;
  // The removal of a printer that a replacement may have to connect again
  // as it was, should the new printer fail. The default is a plain removal;
  // a spooler that must keep what the printer had to give it back
  // overrides it.
  virtual SpoolerResult DeleteReplacedConnection(const std::string& name) {
    return DeletePrinterConnection(name);
  }
};

// The logged-on user's default printer.
class DefaultPrinterSetting {
 public:
  virtual ~DefaultPrinterSetting() = default;
  // The default printer's device name as the system spells it; empty when
  // there is none.
  virtual std::string DefaultPrinterName() = 0;
  // Whether `name` is the default printer's name, without regard to case;
  // an empty name is the default when there is none. The default compares
  // DefaultPrinterName's; a setting that keeps the name answers without
  // copying it.
  virtual bool IsDefault(std::string_view name);
  // Makes the installed printer `name` the default and lets the programs
  // that print know it. The system may refuse without a word: whether it
  // took is what DefaultPrinterName reads back.
  virtual void MakeDefaultPrinter(const std::string& name) = 0;
};

// The system's message texts by error number.
class MessageTable {
 public:
  virtual ~MessageTable() = default;
  // The system's text for the error number `code`, on one line; empty when
  // the system has none.
  virtual std::string ErrorText(int32_t code) = 0;
};

}  // namespace quelmar
