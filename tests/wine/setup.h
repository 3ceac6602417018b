// Builds the machine a scenario starts on: its setup lines, then the
// launcher at the path its command line names.
#pragma once

#include <string>
#include <vector>

#include "machine_state.h"
#include "tests/scenario/scenario.h"
#include "win_handles.h"

namespace setup {

struct Programs {
  std::string launcher;       // velquin.exe's bytes
  std::string stub;           // the stub without a version resource
  std::string versionedStub;  // the stub with one, patched per copy
};

struct Prepared {
  std::vector<win::File> locks;  // files held without sharing during the run
  std::string stays;             // the stubs' stay list (see stub_log.h)
  std::string exits;             // the stubs' exit code list, the same form
};

HKEY RootOf(const std::string& root);

// Keys of the prefix that no scenario starts with.
void RemoveForeignKeys();

// Empty on success, else what could not be made.
std::string Apply(const scn::Scenario& scenario, const Programs& programs, machine::Journal* journal,
                  Prepared* prepared);

}  // namespace setup
