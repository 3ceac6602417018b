// Runs the launcher again on the fake machine when a start or shell open
// reaches a copy of it or a redirect, as Windows would start a second
// launcher process: its own command line, path, process id and a copy of
// the environment, every process-wide value of the first run saved around
// it. At most kMaxLaunchers run in one scenario; a start beyond that is
// recorded and not run, so that a chain shows as a list of starts.
#pragma once

namespace scn {

inline constexpr int kMaxLaunchers = 4;

// Installs the nested run on the fake machine (after fake::Reset()); the
// first launcher counts as one.
void RunLaunchersAgainOnTheFake();

}  // namespace scn
