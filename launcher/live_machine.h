// The machine as the run finds it: the decision's questions answered by the
// system, in the run's text.
#pragma once

#include "launcher/decision.h"

namespace velquin {

class LiveMachine : public MachineView {
 public:
  bool FileExists(const std::string& path) override;
  std::string BrowserCacheDirectory() override;
  bool IsBrowserTempFile(const std::string& path) override;
  BrowserVersionReading BrowserVersionClass() override;
};

// What this run was given: its command line and the platform.
RunInput ThisRunsInput();

}  // namespace velquin
