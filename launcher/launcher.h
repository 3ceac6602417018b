// The launcher's run, from the settings read to the editor's start.
#pragma once

#include <cstdint>
#include <string>

namespace velquin {

// How a run ends, as the process's exit code says it.
enum ExitCode : int {
  kExitDone = 0,              // every handled outcome
  kExitFatal = 1,             // the top-level error report
  kExitEditorNotStarted = 2,  // the editor's start failed and was reported
};

// The whole run; returns when it is over (raises the fatal errors).
ExitCode RunLauncher();
ExitCode DispatchArguments();
// The kept Notepad of the hand-overs: the system directory's notepa~.exe on
// the NT family when it exists, else the Windows directory's, whether or not
// that one exists.
std::string KeptNotepadPath();
// The start-up's fallback for a missing editor, a rule of its own: on the NT
// family the system directory's notepa~.exe, else the Windows directory's,
// whether or not it exists. platformId is dwPlatformId (0 when unknown).
std::string FallbackEditorPath(std::uint32_t platformId);
// Has the shell open the kept Notepad by its full path with these parameters.
void HandOverToNotepad(const std::string& parameters);
// Chooses the editor for TargetFile and starts it.
ExitCode OpenTarget();

std::string BuildEditorCommand(const std::string& editor, const std::string& extra, bool fileFirst);
ExitCode StartEditor(const std::string& command);
// Starts the program and returns once it has ended; a failed start is
// reported as for an editor.
ExitCode StartAndWait(const std::string& command);
// For a launcher that a launcher started: the command line's text, after
// the launcher's own path, opens in the kept Notepad.
ExitCode OpenInKeptNotepad();

// The program's entry: the run with the fatal report around it; the exit code.
int LauncherMain();

}  // namespace velquin
