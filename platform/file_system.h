// The files the run touches: the script (read whole, once) and the journal
// (appended to).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace quelmar {

// A journal entry as its pieces, written as one: a full entry is the run's
// whole trace between a heading and a closing line, megabytes long, never
// copied to be joined.
using TextPieces = std::initializer_list<std::string_view>;

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // True for an ordinary file: read-only and archive files count; folders,
  // devices, hidden and system files do not.
  virtual bool IsOrdinaryFile(const std::string& path) = 0;
  // The bytes of the whole file; a failure is a RunError.
  virtual std::string ReadWholeFile(const std::string& path) = 0;
  // Appends the pieces of one text (UTF-8), one after the other, as one
  // write to a file opened for appending, created when missing, in the
  // journal's encoding; while another process holds the file it retries for
  // a few seconds. False when it was not written.
  virtual bool AppendToFile(const std::string& path, TextPieces pieces) = 0;
};

}  // namespace quelmar
