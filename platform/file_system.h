// The files the run touches: the script (read whole, once) and the journal
// (appended to).
#pragma once

#include <string>

namespace quelmar {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // True for an ordinary file: read-only and archive files count; folders,
  // devices, hidden and system files do not.
  virtual bool IsOrdinaryFile(const std::string& path) = 0;
  // The bytes of the whole file; a failure is a RunError.
  virtual std::string ReadWholeFile(const std::string& path) = 0;
  // Appends `text` (UTF-8) as one write to a file opened for appending,
  // created when missing, in the journal's encoding; while another process
  // holds the file it retries for a few seconds. False when it was not
  // written.
  virtual bool AppendToFile(const std::string& path,
                            const std::string& text) = 0;
};

}  // namespace quelmar
