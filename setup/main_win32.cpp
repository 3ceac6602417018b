// velquin-setup.exe: installs Velquin in Notepad's place and undoes it;
// a console program (install.cmd and uninstall.cmd start it).
#include "platform/delay_binding_win32.h"
#include "platform/os.h"
#include "resources/version.h"
#include "setup/setup.h"

int main() {
  // install.cmd runs it elevated from the unpacked zip, a folder the user
  // can write: no DLL may come from there, as none does for the launcher.
  velquin::TakeDllsFromSystemDirectoryOnly();
  velquin::InstallDelayLoadBinding();
  return velquin::RunSetup(os::WideCommandLine(), u"" VELQUIN_VERSION_TEXT);
}
