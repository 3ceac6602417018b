#include "launcher/launcher.h"
#include "launcher/state.h"
#include "platform/fatal.h"

namespace velquin {

int LauncherMain() {
  try {
    ResetProcessState();
    RunLauncher();
    return 0;
  } catch (const FatalError& error) {
    ReportFatal(error);
    return 1;
  }
}

}  // namespace velquin
