// The values one run shares between its steps. Set up at start-up, read
// and changed by the later steps, gone when the process ends.
#pragma once

#include <cstdint>
#include <string>

#include "settings/settings.h"

namespace velquin {

extern LauncherSettings Settings;   // read once; Editor may take the fallback
extern std::string TargetFile;      // the file to open, as it now stands
extern bool FellBackToNotepad;      // Notepad stands in for a missing Editor
extern std::string RawCommandLine;  // as the system reports it, own path included, in the run's text
extern std::uint32_t PlatformId;    // dwPlatformId; 0 when unknown
extern char DecimalSeparator;       // of the system default locale
extern bool LauncherNamedNotepad;   // stands in Notepad's place under its name
extern std::uint32_t PlaceInChain;  // 1, or later in a chain of launchers each started by the one before

// Takes the system facts that are read once before the run.
void ResetProcessState();

}  // namespace velquin
