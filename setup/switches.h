// The setup program's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velquin {

enum class InstallForm { Redirect, Replace, User };

struct Switches {
  InstallForm form = InstallForm::Redirect;
  bool uninstall = false;
  bool quiet = false;
  bool whatIf = false;
  bool elevate = false;   // Apps & features' uninstall: ask for an administrator's rights first
  bool elevated = false;  // the run that elevate started
  // Run by the Windows Installer package, which owns the files in the
  // program folder and the Apps & features entry: only the system changes,
  // the record and the shortcut are this program's.
  bool package = false;
  // Whether the machine is as the record says: the repair's difference,
  // shown and not applied (/user: the user's install).
  bool check = false;
};

// The arguments after the program's name; nullopt when they are no valid
// set (an unknown switch, two forms, a form with /uninstall or /check other
// than /user).
std::optional<Switches> ParseSwitches(const std::vector<std::u16string>& arguments);

// The arguments of a command line, split as the C runtime splits them.
std::vector<std::u16string> SplitCommandLine(const std::u16string& commandLine);

// The name install.cmd and the messages use: "redirect", "replace", "user".
std::u16string FormName(InstallForm form);

}  // namespace velquin
