/* The reference of the Wine start-up benchmark: a GUI-subsystem program that
 * returns 0 at once. Built with -DWITH_GUI_DLLS it also imports the GUI
 * libraries that Quelmar.exe imports (user32, gdi32, comctl32, shell32,
 * winspool) without calling any of them, which shows what their loading
 * alone costs under Wine. */
#include <windows.h>
#ifdef WITH_GUI_DLLS
#include <commctrl.h>
#include <shellapi.h>
#include <winspool.h>

/* Never true: the calls are there for their imports only. */
volatile int never_true;
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line,
                   int show) {
  (void)instance;
  (void)previous;
  (void)command_line;
  (void)show;
#ifdef WITH_GUI_DLLS
  if (never_true) {
    MessageBoxW(NULL, L"", L"", MB_OK);
    GetStockObject(WHITE_BRUSH);
    InitCommonControls();
    CommandLineToArgvW(L"", NULL);
    EnumPrintersW(0, NULL, 0, NULL, 0, NULL, NULL);
  }
#endif
  return 0;
}
