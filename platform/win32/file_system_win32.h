// Files on Windows: the journal is written in the ANSI code page.
#pragma once

#include "platform/file_system.h"
#include "platform/win32/win32_api.h"

namespace quelmar {

class Win32FileSystem : public FileSystem {
 public:
  Win32FileSystem() : journalCodePage_(GetACP()) {}
  // The journal in `journalCodePage` instead, as on another workstation.
  explicit Win32FileSystem(UINT journalCodePage)
      : journalCodePage_(journalCodePage) {}

  bool IsOrdinaryFile(const std::string& path) override;
  std::string ReadWholeFile(const std::string& path) override;
  bool AppendToFile(const std::string& path, TextPieces pieces) override;

 private:
  UINT journalCodePage_;
};

}  // namespace quelmar
