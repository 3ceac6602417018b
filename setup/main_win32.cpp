// velquin-setup.exe: installs Velquin in Notepad's place and undoes it;
// a console program (install.cmd and uninstall.cmd start it).
#include "platform/os.h"
#include "resources/version.h"
#include "setup/setup.h"

int main() {
  return velquin::RunSetup(os::WideCommandLine(), u"" VELQUIN_VERSION_TEXT);
}
