// What an install or an uninstall will do, computed from the machine as it
// is before anything changes: the changes in order, or the refusals that
// stop it, and the lines it says once done.
#pragma once

#include <string>
#include <vector>

#include "platform/system_change.h"
#include "setup/record.h"
#include "setup/setup_machine.h"
#include "setup/switches.h"

namespace velquin {

struct Plan {
  std::vector<SystemChange> changes;
  std::vector<std::u16string> refusals;  // any: exit 3, nothing changed
  std::vector<std::u16string> said;      // progress and results, unless /quiet
  bool repair = false;                   // the same form installed already
  bool undoesEarlier = false;            // an earlier release's install is undone first
  std::vector<SystemChange> following;   // then: this install, as planned on the machine the undoing leaves
  std::u16string version;                // the version a repair keeps, or the one installed
};

// Where an install keeps its record and its programs.
// The Windows Installer package's own key, under the vendor's: the form it
// installed, and its properties staged for the setup program.
inline constexpr char16_t kPackageKey[] = u"Tarrowind\\Velquin\\Package";

struct InstallPlace {
  os::KeyHandle root = os::kLocalMachine;
  std::uint32_t view = 0;
  std::u16string software;    // "SOFTWARE" or "Software"
  std::u16string programDir;  // ...\Velquin
  bool user = false;
  bool package = false;  // the Windows Installer package's: programDir is where it put the files
  RegistryKey Key(const std::u16string& path) const { return {root, software + u"\\" + path, view}; }
  RegistryKey RecordKey() const { return Key(u"Tarrowind\\Velquin\\Install"); }
  // The machine's defaults of the settings, which the launcher reads under
  // the user's own values.
  RegistryKey DefaultsKey() const { return Key(u"Tarrowind\\Velquin\\Setting"); }
};
InstallPlace PlaceOf(const SetupMachine& machine, const Switches& switches);

// The package's files next to the setup program, by the build they hold.
struct PackageFiles {
  std::u16string launcher, launcher32, settings, setup;
};

// The program folder's files: each one's name there, its record name and
// the package's file it is copied from.
struct ProgramFileRow {
  const char16_t* name;
  const char16_t* recordName;
  std::u16string PackageFiles::*source;
};
inline const ProgramFileRow kProgramFiles[] = {
    {u"velquin.exe", record::kProgram, &PackageFiles::launcher},
    {u"velquin-settings.exe", record::kSettings, &PackageFiles::settings},
    {u"velquin-setup.exe", record::kUninstaller, &PackageFiles::setup},
};
PackageFiles PackageFilesOf(const SetupMachine& machine, bool package);

Plan PlanInstall(const SetupMachine& machine, const Switches& switches, const std::u16string& version);
Plan PlanUninstall(const SetupMachine& machine, const Switches& switches);

// One line for /whatif.
std::u16string DescribeChange(const SystemChange& change);

}  // namespace velquin
