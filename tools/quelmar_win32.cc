// Quelmar.exe: runs a script on this workstation, in the window frmQuelmar.
// Its only argument is the script's path; without one, Quelmar.txt beside
// the program.
#include "app/frm_quelmar.h"
#include "platform/win32/file_system_win32.h"
#include "platform/win32/host_win32.h"
#include "platform/win32/printing_win32.h"
#include "platform/win32/user_interface_win32.h"
#include "platform/win32/win32_api.h"
#include "quelmar_version.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace quelmar;
  // Loads the version 6 common controls that the manifest asks for.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  Win32Host host = Win32Host::FromProcessCommandLine();
  Win32FileSystem files;
  Win32Spooler spooler;
  Win32DefaultPrinter defaultPrinter;
  Win32MessageTable messages;
  Win32UserInterface ui(instance);
  Platform platform{host, files, spooler, defaultPrinter, messages, ui};
  return RunProgram(platform, kQuelmarVersion);
}
