// What the run shows on Windows: the window frmQuelmar, message boxes and
// the wait pointer.
#pragma once

#include "platform/user_interface.h"
#include "platform/win32/main_window_win32.h"

namespace quelmar {

class Win32UserInterface : public UserInterface {
 public:
  explicit Win32UserInterface(HINSTANCE instance) : window_(instance) {}
  Window& MainWindow() override { return window_; }
  Win32Window& window() { return window_; }
  // Owned by the window when it is visible, so that it stays in front of it;
  // otherwise above every window. Either way brought to the front: at logon
  // a box could open behind the desktop and wait for a click nobody gives.
  void MessageBox(const std::string& text, const std::string& title,
                  BoxIcon icon) override;
  void SetWaitPointer(bool wait) override { window_.SetWaitPointer(wait); }
  void HoldSessionEnd(const SessionEndReason& reason) override {
    window_.HoldSessionEnd(reason.Text());
  }
  void ReleaseSessionEnd() override { window_.ReleaseSessionEnd(); }

 private:
  Win32Window window_;
};

}  // namespace quelmar
