#include <windows.h>

#include "launcher/launcher.h"
#include "platform/delay_binding_win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  velquin::TakeDllsFromSystemDirectoryOnly();
  velquin::InstallDelayLoadBinding();
  return velquin::LauncherMain();
}
