// Owners of Win32 handles: each closes its handle when it goes out of scope.
#pragma once

#include <memory>
#include <type_traits>

#include "platform/win32/win32_api.h"

namespace quelmar {

struct ModuleFreer {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct MemoryDcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
struct LocalFreer {
  void operator()(void* memory) const { LocalFree(memory); }
};
struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct WindowDestroyer {
  void operator()(HWND window) const {
    if (IsWindow(window)) DestroyWindow(window);
  }
};

// A file handle from CreateFileW; INVALID_HANDLE_VALUE when the open failed.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (valid()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// A handle of a kernel object (an event, a thread); null when none.
using UniqueHandle =
    std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;
using UniqueModule =
    std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;
using UniqueFont =
    std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using UniqueBitmap =
    std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;
using UniqueMemoryDc =
    std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter>;
using UniqueWindow =
    std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;
// The argument array of CommandLineToArgvW, freed with LocalFree.
using UniqueArgv = std::unique_ptr<LPWSTR, LocalFreer>;

// The screen's device context from GetDC(nullptr), released when it goes.
class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc_) ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

}  // namespace quelmar
