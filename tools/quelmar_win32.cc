// Quelmar.exe: runs a script on this workstation, in the window frmQuelmar.
// Its only argument is the script's path; without one, Quelmar.txt beside
// the program.
#include "app/frm_quelmar.h"
#include "platform/win32/file_system_win32.h"
#include "platform/win32/host_win32.h"
#include "platform/win32/off_window_thread_win32.h"
#include "platform/win32/printing_win32.h"
#include "platform/win32/user_interface_win32.h"
#include "platform/win32/win32_api.h"
#include "quelmar_version.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace quelmar;
  // Loads the version 6 common controls that the manifest asks for.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // A window that stops answering is never replaced by a ghost that the
  // user could close in the middle of a replacement.
  DisableProcessWindowsGhosting();

  Win32Host host = Win32Host::FromProcessCommandLine();
  Win32FileSystem files;
  Win32UserInterface ui(instance);
  // The spooler and the default printer are called off the window's
  // thread, which keeps handling its messages meanwhile.
  Win32Window& window = ui.window();
  OffWindowThread worker([&window] { window.ProcessPendingEvents(); });
  Win32Spooler systemSpooler(window.handle(), FindAddPrinterConnection2());
  Win32DefaultPrinter systemDefaultPrinter;
  OffWindowThreadSpooler spooler(systemSpooler, worker);
  OffWindowThreadDefaultPrinter defaultPrinter(systemDefaultPrinter, worker);
  Win32MessageTable messages;
  Platform platform{host, files, spooler, defaultPrinter, messages, ui};
  return RunProgram(platform, kQuelmarVersion);
}
