#include "platform/win32/user_interface_win32.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/win32/win32_api.h"

namespace quelmar {
namespace {

// How a message box came up, read while it is shown.
struct ShownBox {
  bool found = false;
  bool topmost = false;
  bool foreground = false;
  HWND owner = nullptr;
};

// Waits up to 20 s for the box titled `title`, reads it and presses OK.
ShownBox ReadAndDismissBox(const wchar_t* title) {
  ShownBox shown;
  for (int i = 0; i < 400 && !shown.found; ++i) {
    HWND box = FindWindowW(L"#32770", title);
    if (!box || !IsWindowVisible(box)) {
      Sleep(50);
      continue;
    }
    Sleep(100);  // the box brings itself forward as its dialog starts
    shown.found = true;
    shown.topmost = GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST;
    shown.foreground = GetForegroundWindow() == box;
    shown.owner = GetWindow(box, GW_OWNER);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
  return shown;
}

class Win32MessageBoxTest : public ::testing::Test {
 protected:
  ShownBox Show(const char* title, const wchar_t* wideTitle) {
    ShownBox shown;
    std::thread reader([&] { shown = ReadAndDismissBox(wideTitle); });
    ui_.MessageBox("Traitement terminé.", title, BoxIcon::kInformation);
    reader.join();
    return shown;
  }
  Win32UserInterface ui_{GetModuleHandleW(nullptr)};
};

// Mode "D" and every box before the window is shown: nothing owns the box,
// which could open behind the desktop at logon. It comes above every window
// and to the front.
TEST_F(Win32MessageBoxTest, BoxWithoutVisibleOwnerComesAboveEverything) {
  ShownBox shown = Show("Boîte sans fenêtre", L"Boîte sans fenêtre");
  ASSERT_TRUE(shown.found);
  EXPECT_TRUE(shown.topmost);
  EXPECT_TRUE(shown.foreground);
  EXPECT_EQ(shown.owner, nullptr);
}

TEST_F(Win32MessageBoxTest, BoxOverTheVisibleWindowIsItsOwnAndInFront) {
  ui_.window().Show();
  ShownBox shown = Show("Boîte de la fenêtre", L"Boîte de la fenêtre");
  ASSERT_TRUE(shown.found);
  EXPECT_EQ(shown.owner, ui_.window().handle());
  EXPECT_TRUE(shown.foreground);
}

}  // namespace
}  // namespace quelmar
