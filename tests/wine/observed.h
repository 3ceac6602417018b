// Turns what the harness watched (message boxes) and what the stubs logged
// into the ordered events a scenario is compared with.
#pragma once

#include <string>
#include <vector>

#include "stub_log.h"
#include "tests/scenario/scenario.h"

namespace observed {

struct Box {
  long long ticks = 0;  // when the harness first saw it
  std::string caption, text, icon;
};

// The parameters a shell open passed: the shell starts "PROGRAM" PARAMS,
// the program quoted or not, one space before the parameters.
std::string ShellParamsOf(const std::string& commandLine);

// A stub started with the launcher's own startup information (its title
// is the harness's marker) was started by the launcher itself; any other
// was started by the shell. An end counts as waited for only when the
// launcher ended after it.
std::vector<scn::SeenEvent> Merge(const std::vector<Box>& boxes, const std::vector<stub::Record>& records,
                                  const std::string& marker, long long launcherEndTicks);

}  // namespace observed
