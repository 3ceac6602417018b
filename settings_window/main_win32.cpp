// velquin-settings.exe: the settings dialog; with /add-shortcut or
// /remove-shortcut (the install scripts' switches) it only makes or removes
// its Start-menu shortcut and ends with 0 on success, 1 on failure.
#include <windows.h>
#include <commctrl.h>

#include "platform/delay_binding_win32.h"
#include "settings_window/dialog_win32.h"
#include "settings_window/shortcut_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  velquin::TakeDllsFromSystemDirectoryOnly();
  velquin::InstallDelayLoadBinding();
  if (lstrcmpiW(commandLine, L"/add-shortcut") == 0) return velquin::CreateStartMenuShortcut() ? 0 : 1;
  if (lstrcmpiW(commandLine, L"/remove-shortcut") == 0) return velquin::RemoveStartMenuShortcut() ? 0 : 1;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  velquin::RunSettingsDialog(instance);
  return 0;
}
