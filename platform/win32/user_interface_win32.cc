#include "platform/win32/user_interface_win32.h"

#include "platform/win32/wide.h"

namespace quelmar {
namespace {

UINT IconStyle(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::kCritical:
      return MB_ICONSTOP;
    case BoxIcon::kExclamation:
      return MB_ICONEXCLAMATION;
    case BoxIcon::kInformation:
      return MB_ICONINFORMATION;
  }
  return 0;
}

}  // namespace

void Win32UserInterface::MessageBox(const std::string& text,
                                    const std::string& title, BoxIcon icon) {
  HWND window = window_.handle();
  HWND owner = IsWindowVisible(window) ? window : nullptr;
  // MB_SYSTEMMODAL is the application-modal box with WS_EX_TOPMOST (Wine
  // ignores MB_TOPMOST).
  const UINT placement = MB_SETFOREGROUND | (owner ? 0 : MB_SYSTEMMODAL);
  MessageBoxW(owner, Utf8ToWide(text).c_str(), Utf8ToWide(title).c_str(),
              MB_OK | IconStyle(icon) | placement);
}

}  // namespace quelmar
