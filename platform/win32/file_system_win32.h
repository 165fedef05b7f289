// Files on Windows: the journal is written in the ANSI code page.
#pragma once

#include "platform/file_system.h"

namespace quelmar {

class Win32FileSystem : public FileSystem {
 public:
  bool IsOrdinaryFile(const std::string& path) override;
  std::string ReadWholeFile(const std::string& path) override;
  bool AppendToFile(const std::string& path, const std::string& text) override;
};

}  // namespace quelmar
