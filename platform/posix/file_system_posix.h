// Files on Linux: the journal is written in UTF-8.
#pragma once

#include "platform/file_system.h"

namespace quelmar {

class PosixFileSystem : public FileSystem {
 public:
  bool IsOrdinaryFile(const std::string& path) override;
  std::string ReadWholeFile(const std::string& path) override;
  bool AppendToFile(const std::string& path, TextPieces pieces) override;
};

}  // namespace quelmar
