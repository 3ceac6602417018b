#include "launcher/launcher.h"
#include "launcher/state.h"
#include "platform/fatal.h"

namespace velquin {

int LauncherMain() {
  try {
    ResetProcessState();
    return RunLauncher();
  } catch (const FatalError& error) {
    ReportFatal(error);
    return kExitFatal;
  }
}

}  // namespace velquin
