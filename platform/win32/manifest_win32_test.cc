// The manifest that every Windows program of the project carries (the test
// program included), as the system's loader read it.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_api.h"

namespace quelmar {
namespace {

// Windows 8.1 and later tell a program that does not declare them that it
// runs on Windows 8 (6.2), and treat it as a program of that system.
TEST(ManifestTest, TheSystemTellsItsOwnVersion) {
  using GetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  auto rtlGetVersion =
      reinterpret_cast<GetVersionFunction>(reinterpret_cast<void (*)()>(
          GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  ASSERT_NE(rtlGetVersion, nullptr);
  OSVERSIONINFOW actual{};
  actual.dwOSVersionInfoSize = sizeof actual;
  rtlGetVersion(&actual);
  OSVERSIONINFOW told{};
  told.dwOSVersionInfoSize = sizeof told;
  ASSERT_TRUE(GetVersionExW(&told));
  EXPECT_EQ(told.dwMajorVersion, actual.dwMajorVersion);
  EXPECT_EQ(told.dwMinorVersion, actual.dwMinorVersion);
}

std::wstring WindowsSetting(const wchar_t* space, const wchar_t* name) {
  wchar_t value[64] = {};
  SIZE_T written = 0;
  if (!QueryActCtxSettingsW(0, nullptr, space, name, value, 64, &written))
    return L"";
  return value;
}

// Script and journal paths on deep shares may pass 260 characters: with
// long paths enabled on the system, the program may use them.
TEST(ManifestTest, IsLongPathAwareAndDpiAware) {
  EXPECT_EQ(WindowsSetting(L"http://schemas.microsoft.com/SMI/2016/"
                           L"WindowsSettings",
                           L"longPathAware"),
            L"true");
  EXPECT_EQ(WindowsSetting(L"http://schemas.microsoft.com/SMI/2005/"
                           L"WindowsSettings",
                           L"dpiAware"),
            L"true");
}

}  // namespace
}  // namespace quelmar
