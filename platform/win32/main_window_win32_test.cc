#include "platform/win32/main_window_win32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/run_error.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_api.h"
#include "services/shade_background.h"

namespace quelmar {
namespace {

constexpr COLORREF kBannerGrey = RGB(192, 192, 192);

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring TextOf(HWND window) {
  std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
  text.resize(
      GetWindowTextW(window, text.data(), static_cast<int>(text.size())));
  return text;
}

std::vector<HWND> ChildrenInTabOrder(HWND window) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(window, GW_CHILD); child;
       child = GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  return children;
}

int Scaled(int twips) {
  ScreenDc screen;
  return MulDiv(twips, GetDeviceCaps(screen.get(), LOGPIXELSX), 1440);
}

class Win32WindowTest : public ::testing::Test {
 protected:
  Win32Window window_{GetModuleHandleW(nullptr)};
};

TEST_F(Win32WindowTest, FixedWindowOfTheClientSizeInTwips) {
  HWND window = window_.handle();
  LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_FALSE(IsWindowVisible(window));
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, Scaled(kClientWidthTwips));
  EXPECT_EQ(client.bottom, Scaled(kClientHeightTwips));
}

TEST_F(Win32WindowTest, ControlsInTabOrderWithTheirProperties) {
  std::vector<HWND> children = ChildrenInTabOrder(window_.handle());
  ASSERT_EQ(children.size(), 4u);
  EXPECT_EQ(TextOf(children[0]), L"Traitements :");
  EXPECT_EQ(ClassOf(children[1]), L"Edit");
  LONG traceStyle = GetWindowLongW(children[1], GWL_STYLE);
  EXPECT_TRUE(traceStyle & ES_MULTILINE);
  EXPECT_TRUE(traceStyle & ES_READONLY);
  EXPECT_TRUE(traceStyle & WS_VSCROLL);
  EXPECT_FALSE(traceStyle & WS_HSCROLL);
  EXPECT_GE(SendMessageW(children[1], EM_GETLIMITTEXT, 0, 0), 1 << 30);
  EXPECT_EQ(TextOf(children[2]), L"&OK");
  EXPECT_EQ(GetDlgCtrlID(children[2]), IDOK);
  EXPECT_TRUE(GetWindowLongW(children[2], GWL_STYLE) & BS_DEFPUSHBUTTON);
  EXPECT_TRUE(IsWindowEnabled(children[2]));
  RECT picture{};
  GetClientRect(children[3], &picture);
  EXPECT_EQ(picture.right, 207);
  EXPECT_EQ(picture.bottom, 31);

  RECT ok{};
  GetWindowRect(children[2], &ok);
  MapWindowPoints(nullptr, window_.handle(), reinterpret_cast<POINT*>(&ok), 2);
  EXPECT_EQ(ok.left, Scaled(kOkTwips.left));
  EXPECT_EQ(ok.top, Scaled(kOkTwips.top));
  EXPECT_EQ(ok.right - ok.left, Scaled(kOkTwips.width));
}

TEST_F(Win32WindowTest, TraceIsAppendedWithTheCaretAtTheEnd) {
  HWND trace = ChildrenInTabOrder(window_.handle())[1];
  window_.AppendTrace("Déconnexion de \\\\srv\\Ωmega...");
  window_.AppendTrace("\r\n   -> OK.");
  EXPECT_EQ(TextOf(trace), L"Déconnexion de \\\\srv\\Ωmega...\r\n   -> OK.");
  // Far beyond the edit control's default limit.
  const int first = GetWindowTextLengthW(trace);
  const std::string line = "\r\n" + std::string(98, 'x');
  for (int i = 0; i < 1000; ++i) window_.AppendTrace(line);
  const int length = GetWindowTextLengthW(trace);
  EXPECT_EQ(length, first + 100 * 1000);
  DWORD start = 0, end = 0;
  SendMessageW(trace, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, static_cast<DWORD>(length));
  EXPECT_EQ(end, static_cast<DWORD>(length));
}

TEST_F(Win32WindowTest, CloseIsRefusedDuringTheRunAndWorksAfterIt) {
  HWND window = window_.handle();
  window_.SetOkEnabled(false);
  window_.Show();
  SendMessageW(window, WM_CLOSE, 0, 0);
  SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
  SendMessageW(window, WM_COMMAND, IDOK, 0);
  window_.ProcessPendingEvents();
  EXPECT_TRUE(IsWindow(window));
  EXPECT_FALSE(window_.closed());
  // After a run-time error btnOK stays disabled: the close button ends it.
  PostMessageW(window, WM_CLOSE, 0, 0);
  window_.RunUntilClosed();
  EXPECT_TRUE(window_.closed());
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(Win32WindowTest, EscapeUnloadsOnceOkIsEnabled) {
  window_.Show();
  window_.SetOkEnabled(true);
  window_.FocusOk();
  HWND ok = ChildrenInTabOrder(window_.handle())[2];
  PostMessageW(ok, WM_KEYDOWN, VK_ESCAPE, 0);
  window_.RunUntilClosed();
  EXPECT_TRUE(window_.closed());
}

// A logoff between the removal of an old printer and the connection of its
// replacement would leave neither: refused while held, accepted after.
TEST_F(Win32WindowTest, SessionEndIsRefusedOnlyWhileHeld) {
  HWND window = window_.handle();
  EXPECT_TRUE(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
  window_.HoldSessionEnd("Remplacement de \\\\a\\p par \\\\b\\p en cours...");
  EXPECT_FALSE(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
  EXPECT_FALSE(SendMessageW(window, WM_QUERYENDSESSION, 0, 0));
  window_.ReleaseSessionEnd();
  EXPECT_TRUE(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
}

// "start /min" in a logon script makes the first ShowWindow minimise: a
// window waiting for OK must still be seen.
TEST_F(Win32WindowTest, ShowBringsAMinimisedWindowBack) {
  HWND window = window_.handle();
  ShowWindow(window, SW_SHOWMINNOACTIVE);
  ASSERT_TRUE(IsIconic(window));
  window_.Show();
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_FALSE(IsIconic(window));
}

TEST_F(Win32WindowTest, WaitPointerCoversTheWindow) {
  HWND window = window_.handle();
  window_.SetWaitPointer(true);
  EXPECT_TRUE(SendMessageW(window, WM_SETCURSOR,
                           reinterpret_cast<WPARAM>(window),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
  window_.SetWaitPointer(false);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

struct BannerColours {
  int background = 0, white = 0, darkGrey = 0, other = 0;
};

BannerColours CountColours(Picture& banner, COLORREF background) {
  BannerColours counts;
  for (int y = 0; y < banner.InnerHeight(); ++y)
    for (int x = 0; x < banner.InnerWidth(); ++x) {
      COLORREF colour = banner.GetPixel(x, y);
      if (colour == background)
        ++counts.background;
      else if (colour == RGB(255, 255, 255))
        ++counts.white;
      else if (colour == RGB(128, 128, 128))
        ++counts.darkGrey;
      else
        ++counts.other;
    }
  return counts;
}

TEST_F(Win32WindowTest, BannerIsTheEmbossedBitmapOnLightGrey) {
  Picture& banner = *window_.Banner();
  ASSERT_EQ(banner.InnerWidth(), 207);
  ASSERT_EQ(banner.InnerHeight(), 31);
  EXPECT_EQ(banner.GetPixel(0, 0), kBannerGrey);
  BannerColours counts = CountColours(banner, kBannerGrey);
  EXPECT_GT(counts.white, 100);
  EXPECT_GT(counts.darkGrey, 100);
  EXPECT_EQ(counts.other, 0);
}

TEST_F(Win32WindowTest, ShadeBackgroundRecoloursTheBitmapsOwnPixels) {
  Picture& banner = *window_.Banner();
  const COLORREF face = banner.ButtonFaceColour();
  EXPECT_EQ(face, GetSysColor(COLOR_BTNFACE));
  const BannerColours before = CountColours(banner, kBannerGrey);
  SampledBackground sampled;
  ShadeBackground(banner, sampled);  // before the window is ever shown
  EXPECT_EQ(sampled.colour, kBannerGrey);
  const BannerColours after = CountColours(banner, face);
  EXPECT_EQ(after.background, before.background);
  EXPECT_EQ(after.white, before.white);
  EXPECT_EQ(after.darkGrey, before.darkGrey);
}

// Refuses, while it lives, the creation of every window of one class on this
// thread, as a system out of window handles refuses them.
class RefusedWindowClass {
 public:
  explicit RefusedWindowClass(const wchar_t* className) {
    refused_ = className;
    hook_ = SetWindowsHookExW(WH_CBT, Refuse, nullptr, GetCurrentThreadId());
  }
  ~RefusedWindowClass() { UnhookWindowsHookEx(hook_); }
  RefusedWindowClass(const RefusedWindowClass&) = delete;
  RefusedWindowClass& operator=(const RefusedWindowClass&) = delete;

 private:
  static LRESULT CALLBACK Refuse(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
      const wchar_t* name =
          reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->lpszClass;
      // A class of the common controls may come with its version before a
      // "!" (the manifest's version 6 controls).
      if (!IS_INTRESOURCE(name)) {
        if (const wchar_t* bang = wcsrchr(name, L'!')) name = bang + 1;
        if (lstrcmpiW(name, refused_) == 0) return 1;
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static inline const wchar_t* refused_ = nullptr;
  HHOOK hook_ = nullptr;
};

TEST(Win32WindowCreationTest, RefusedWindowServesASilentRunButCannotBeShown) {
  // The window itself, the trace box, the label and the picture box.
  for (const wchar_t* className : {L"QuelmarFrmQuelmar", L"EDIT", L"STATIC"}) {
    RefusedWindowClass refused(className);
    Win32Window window(GetModuleHandleW(nullptr));
    const std::string name = WideToUtf8(className);
    EXPECT_EQ(window.handle(), nullptr) << name;
    // Nothing half made is left behind.
    EXPECT_EQ(FindWindowW(L"QuelmarFrmQuelmar", nullptr), nullptr) << name;
    // What a silent run asks of it.
    window.SetCaption("Quelmar v1.0.6");
    window.SetWaitPointer(true);
    window.HoldSessionEnd("Remplacement en cours");
    window.ReleaseSessionEnd();
    window.AppendTrace("ligne\r\n");
    window.ProcessPendingEvents();
    window.SetWaitPointer(false);
    try {
      window.Show();
      ADD_FAILURE() << name << " refused, yet shown";
    } catch (const RunError& error) {
      EXPECT_EQ(error.number(), kOutOfMemory) << name;
    }
    // No window to wait on: the end of the run does not hang.
    window.RunUntilClosed();
  }
  // The next window is made as usual.
  Win32Window window(GetModuleHandleW(nullptr));
  EXPECT_EQ(ChildrenInTabOrder(window.handle()).size(), 4u);
}

}  // namespace
}  // namespace quelmar
