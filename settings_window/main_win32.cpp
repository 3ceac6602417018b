// velquin-settings.exe: the settings dialog; with /add-shortcut or
// /remove-shortcut (the setup program's switches; /user after either for
// the user's own Start menu) it only makes or removes its Start-menu
// shortcut and ends with 0 on success, 1 on failure.
#include <windows.h>
#include <commctrl.h>

#include "platform/delay_binding_win32.h"
#include "settings_window/dialog_win32.h"
#include "settings_window/shortcut_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  velquin::InstallDelayLoadBinding();
  velquin::TakeDllsFromSystemDirectoryOnly();
  const struct {
    const wchar_t* switches;
    bool add, forUser;
  } kShortcutSwitches[] = {
      {L"/add-shortcut", true, false},
      {L"/remove-shortcut", false, false},
      {L"/add-shortcut /user", true, true},
      {L"/remove-shortcut /user", false, true},
  };
  for (const auto& form : kShortcutSwitches)
    if (lstrcmpiW(commandLine, form.switches) == 0)
      return (form.add ? velquin::CreateStartMenuShortcut(form.forUser) : velquin::RemoveStartMenuShortcut(form.forUser)) ? 0 : 1;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  velquin::RunSettingsDialog(instance);
  return 0;
}
