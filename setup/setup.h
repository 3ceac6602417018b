// The setup program: install.cmd's and uninstall.cmd's work, from its
// command line to its exit code.
#pragma once

#include <string>

namespace velquin {

// Exit codes, as the install scripts had them.
enum SetupExit : int {
  kSetupDone = 0,          // done, or installed already, or nothing to undo
  kSetupUsage = 1,
  kSetupNotAdmin = 2,      // the machine-wide forms need an administrator
  kSetupRefused = 3,       // refused before any change
  kSetupStopped = 4,       // a change failed: what was done is put back
  kSetupRepairDue = 5,     // /check: the machine differs from the record
  kSetupNotInstalled = 6,  // /check: nothing is recorded
};

int RunSetup(const std::u16string& commandLine, const std::u16string& version);

}  // namespace velquin
