#include "platform/win32/main_window_win32.h"

#include "base/run_error.h"
#include "platform/win32/resources/resource_ids.h"
#include "platform/win32/wide.h"

namespace quelmar {
namespace {

constexpr wchar_t kWindowClass[] = L"QuelmarFrmQuelmar";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr int kPictureId = 100;
constexpr int kTraceId = 101;
// Far above the edit control's default of about 32,000 characters, so that
// a long run keeps its whole trace.
constexpr WPARAM kTraceLimit = 0x7FFFFFFE;

int ScreenDpi() {
  ScreenDc screen;
  const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSX);
  return dpi > 0 ? dpi : 96;
}

int TwipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(QUELMAR_ICON));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);  // fails harmlessly when already registered
}

// The message font of the system, at the screen's DPI.
HFONT CreateMessageFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

std::unique_ptr<BannerPicture> LoadBanner(HINSTANCE instance) {
  UniqueBitmap bitmap(static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(QUELMAR_BANNER), IMAGE_BITMAP, 0, 0,
                 LR_DEFAULTCOLOR)));
  return std::make_unique<BannerPicture>(bitmap.get());
}

// A launcher that starts the program hidden (SW_HIDE in its start-up
// information) makes the first ShowWindow of the process hide instead: it
// would be the box or the window of an error ending, waiting for a click on
// something nobody sees. The window, still hidden, takes that first call,
// with the command that asks for the start-up value: it stays hidden.
void ConsumeHiddenStart(HWND window) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  if ((startup.dwFlags & STARTF_USESHOWWINDOW) &&
      startup.wShowWindow == SW_HIDE)
    ShowWindow(window, SW_SHOWDEFAULT);
}

}  // namespace

Win32Window::Win32Window(HINSTANCE instance)
    : dpi_(ScreenDpi()),
      banner_(LoadBanner(instance)),
      font_(CreateMessageFont()) {
  RegisterWindowClass(instance, WindowProcedure);
  RECT frame{0, 0, TwipsToPixels(kClientWidthTwips, dpi_),
             TwipsToPixels(kClientHeightTwips, dpi_)};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  window_.reset(CreateWindowExW(
      0, kWindowClass, L"", kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
      frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
      instance, this));
  // Refused (no window handles or desktop heap left, no display at all):
  // a run that never shows the window goes on without it.
  if (!window_ || !CreateControls()) {
    Discard();
    return;
  }
  // Closing the window between the removal of an old printer and the
  // connection of its replacement would leave the user with neither.
  EnableMenuItem(GetSystemMenu(handle(), FALSE), SC_CLOSE,
                 MF_BYCOMMAND | MF_GRAYED);
  ConsumeHiddenStart(handle());
}

HWND Win32Window::CreateControl(const wchar_t* className, const wchar_t* text,
                                DWORD style, DWORD extendedStyle,
                                const Twips& place, int id) {
  HWND control = CreateWindowExW(
      extendedStyle, className, text, WS_CHILD | WS_VISIBLE | style,
      TwipsToPixels(place.left, dpi_), TwipsToPixels(place.top, dpi_),
      TwipsToPixels(place.width, dpi_), TwipsToPixels(place.height, dpi_),
      handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(handle(), GWLP_HINSTANCE)),
      nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()),
               FALSE);
  return control;
}

// Created in tab order: lbl, txtTraitements, btnOK, picPar; false when the
// system refuses one of them.
bool Win32Window::CreateControls() {
  if (!CreateControl(L"STATIC", L"Traitements :", SS_LEFT, 0, kLabelTwips, -1))
    return false;
  trace_ = CreateControl(
      L"EDIT", L"",
      WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
      WS_EX_CLIENTEDGE, kTraceTwips, kTraceId);
  SendMessageW(trace_, EM_SETLIMITTEXT, kTraceLimit, 0);
  ok_ = CreateControl(L"BUTTON", L"&OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
                      kOkTwips, IDOK);
  // The picture box has the bitmap's own size in pixels.
  picture_ =
      CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW,
                      TwipsToPixels(kBannerTwips.left, dpi_),
                      TwipsToPixels(kBannerTwips.top, dpi_),
                      banner_->InnerWidth(), banner_->InnerHeight(), handle(),
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPictureId)),
                      nullptr, nullptr);
  banner_->SetControl(picture_);
  return trace_ && ok_ && picture_;
}

void Win32Window::Discard() {
  // The window goes with whatever controls it has; its last messages must
  // not reach an object whose constructor did not finish.
  if (window_) SetWindowLongPtrW(handle(), GWLP_USERDATA, 0);
  window_.reset();
  trace_ = ok_ = picture_ = nullptr;
  banner_->SetControl(nullptr);
}

Win32Window::~Win32Window() {
  // The messages of the window's destruction find no object any more.
  SetWindowLongPtrW(handle(), GWLP_USERDATA, 0);
}

void Win32Window::SetCaption(const std::string& caption) {
  SetWindowTextW(handle(), Utf8ToWide(caption).c_str());
}

void Win32Window::Show() {
  if (!window_) throw RunError(kOutOfMemory);
  if (!shownOnce_) {
    shownOnce_ = true;
    RECT frame{}, work{};
    GetWindowRect(handle(), &frame);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(handle(), nullptr,
                 work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ShowWindow(handle(), SW_SHOW);
  // A launcher's start-up information replaces the first ShowWindow of the
  // process (SW_HIDE from a hidden launch, a minimised window from "start
  // /min"): the window must be seen whenever it waits for the user.
  if (!IsWindowVisible(handle()) || IsIconic(handle()))
    ShowWindow(handle(), SW_RESTORE);
  UpdateWindow(handle());
}

void Win32Window::SetOkEnabled(bool enabled) { EnableWindow(ok_, enabled); }

void Win32Window::FocusOk() { SetFocus(ok_); }

void Win32Window::AppendTrace(const std::string& text) {
  const int length = GetWindowTextLengthW(trace_);
  SendMessageW(trace_, EM_SETSEL, length, length);
  SendMessageW(trace_, EM_REPLACESEL, FALSE,
               reinterpret_cast<LPARAM>(Utf8ToWide(text).c_str()));
  SendMessageW(trace_, EM_SCROLLCARET, 0, 0);
}

void Win32Window::ProcessPendingEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    Dispatch(message);
  }
}

void Win32Window::RunUntilClosed() {
  // Without a window no one can close it: the run's error box, unowned,
  // was all there was to show.
  if (!window_) return;
  runEnded_ = true;
  EnableMenuItem(GetSystemMenu(handle(), FALSE), SC_CLOSE,
                 MF_BYCOMMAND | MF_ENABLED);
  Show();
  MSG message;
  while (!closed_ && GetMessageW(&message, nullptr, 0, 0) > 0)
    Dispatch(message);
}

void Win32Window::SetWaitPointer(bool wait) {
  waitPointer_ = wait;
  SetCursor(LoadCursorW(nullptr, wait ? IDC_WAIT : IDC_ARROW));
}

void Win32Window::HoldSessionEnd(const std::string& reason) {
  sessionEndHeld_ = true;
  ShutdownBlockReasonCreate(handle(), Utf8ToWide(reason).c_str());
}

void Win32Window::ReleaseSessionEnd() {
  sessionEndHeld_ = false;
  ShutdownBlockReasonDestroy(handle());
}

void Win32Window::Dispatch(MSG& message) {
  if (IsDialogMessageW(handle(), &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void Win32Window::Unload() { DestroyWindow(handle()); }

LRESULT CALLBACK Win32Window::WindowProcedure(HWND window, UINT message,
                                              WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self =
      reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  return self->HandleMessage(window, message, wParam, lParam);
}

LRESULT Win32Window::HandleMessage(HWND window, UINT message, WPARAM wParam,
                                   LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // btnOK_Click: a click, Enter (the default button) or Escape (the
      // cancel button), only while btnOK is enabled.
      if ((LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) &&
          IsWindowEnabled(ok_))
        Unload();
      return 0;
    case WM_CLOSE:
      if (runEnded_) Unload();
      return 0;
    case WM_DESTROY:
      closed_ = true;
      return 0;
    case WM_QUERYENDSESSION:
      if (sessionEndHeld_) return FALSE;
      break;
    case WM_SETFOCUS:
      SetFocus(IsWindowEnabled(ok_) ? ok_ : trace_);
      return 0;
    case WM_SETCURSOR:
      if (!waitPointer_) break;
      SetCursor(LoadCursorW(nullptr, IDC_WAIT));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      // The locked trace box keeps the look of a text box.
      if (reinterpret_cast<HWND>(lParam) != trace_) break;
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (item->hwndItem != picture_) break;
      banner_->Draw(item->hDC);
      return TRUE;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace quelmar
