// The main window frmQuelmar as a Win32 window: the label, the trace box
// txtTraitements, the button btnOK and the banner picPar, in that tab order.
#pragma once

#include <memory>

#include "platform/user_interface.h"
#include "platform/win32/banner_picture_win32.h"
#include "platform/win32/handles.h"

namespace quelmar {

// Sizes of the window in twips, scaled to pixels at the screen's DPI.
struct Twips {
  int left, top, width, height;
};
constexpr int kClientWidthTwips = 6015;
constexpr int kClientHeightTwips = 3585;
constexpr Twips kLabelTwips{120, 120, 1215, 255};
constexpr Twips kTraceTwips{120, 360, 5775, 2655};
constexpr Twips kOkTwips{4200, 3120, 1095, 375};
constexpr Twips kBannerTwips{120, 3060, 3105, 465};

class Win32Window : public Window {
 public:
  // Creates the window hidden, with btnOK enabled and the close button
  // refused until the run has ended. When the system refuses the window or
  // one of its controls, there is no window (handle() is null): the calls
  // of a silent run do nothing, Show() throws RunError (out of memory) and
  // RunUntilClosed() returns at once.
  explicit Win32Window(HINSTANCE instance);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  void SetCaption(const std::string& caption) override;
  void Show() override;
  void SetOkEnabled(bool enabled) override;
  void FocusOk() override;
  void AppendTrace(const std::string& text) override;
  void ProcessPendingEvents() override;
  Picture* Banner() override { return banner_.get(); }
  void RunUntilClosed() override;

  // The application-wide wait pointer over the window and its controls.
  void SetWaitPointer(bool wait);
  // Refuses the end of the session (logoff, shutdown) until released; the
  // system shows `reason` to the user who asked for it.
  void HoldSessionEnd(const std::string& reason);
  void ReleaseSessionEnd();
  HWND handle() const { return window_.get(); }
  bool closed() const { return closed_; }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message,
                                          WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam,
                        LPARAM lParam);
  bool CreateControls();
  // Destroys a window whose creation was refused part-way.
  void Discard();
  HWND CreateControl(const wchar_t* className, const wchar_t* text, DWORD style,
                     DWORD extendedStyle, const Twips& place, int id);
  void Unload();
  // Dispatches one message, with the dialog keys: Tab, Enter for btnOK and
  // Escape for it as the cancel button.
  void Dispatch(MSG& message);

  int dpi_ = 96;
  std::unique_ptr<BannerPicture> banner_;
  UniqueFont font_;
  UniqueWindow window_;
  HWND trace_ = nullptr;
  HWND ok_ = nullptr;
  HWND picture_ = nullptr;
  bool shownOnce_ = false;
  bool runEnded_ = false;
  bool closed_ = false;
  bool waitPointer_ = false;
  bool sessionEndHeld_ = false;
};

}  // namespace quelmar
