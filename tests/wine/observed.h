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

// A process start read from Wine's process trace: a launcher copy logs
// nothing of its own, and a stub started by a launcher that the shell
// started carries no marker, so the trace tells starts from shell opens.
struct TracedStart {
  long long ticks = 0;  // QueryPerformanceCounter units
  bool shell = false;   // made by the shell's open, not by CreateProcess itself
  std::string commandLine;  // UTF-8
  std::string program;      // the program the command line names, as written there
};

// Every start in Wine's trace of processes and shell opens; ticksPerMs
// converts its clock, which QueryPerformanceCounter shares.
std::vector<TracedStart> TracedStartsIn(const std::string& trace, long long ticksPerMs);

// A stub started with the launcher's own startup information (its title
// is the harness's marker) was started by the launcher itself; any other
// was started by the shell, unless the trace says otherwise. The traced
// starts of the launcher copies (paths in UTF-8) are events of their own. An end counts as waited for only when the
// launcher ended after it.
std::vector<scn::SeenEvent> Merge(const std::vector<Box>& boxes, const std::vector<stub::Record>& records,
                                  const std::string& marker, long long launcherEndTicks,
                                  const std::vector<TracedStart>& traced = {},
                                  const std::vector<std::string>& copies = {});

}  // namespace observed
