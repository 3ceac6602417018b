// The launcher's run: it reads the settings, decides (launcher/decision.h),
// then acts on the decision step by step, from the dispatch to the editor's
// start.
#pragma once

#include <string>

#include "launcher/decision.h"
#include "platform/os.h"

namespace velquin {

// How a run ends, as the process's exit code says it; a run that waited
// for the program it started ends with that program's code.
enum ExitCode : int {
  kExitDone = 0,              // every other handled outcome
  kExitFatal = 1,             // the top-level error report
  kExitEditorNotStarted = 2,  // the editor's start failed and was reported
};

// The whole run; returns when it is over (raises the fatal errors).
ExitCode RunLauncher();

// The acts, in the order a run takes them. Each shows what the decision
// says at its turn and hands on to the next.
// The shell's routes, the invalid name, or OpenTarget.
ExitCode DispatchArguments(const RunDecision& decision);
// The missing file, the print editor, the browser version's and the HTML
// editor's boxes; then the editor's command and its start.
ExitCode OpenTarget(const RunDecision& decision);
// Renames a browser's temporary file as decided, then builds the command
// line on TargetFile as it now stands.
std::string BuildEditorCommand(const RunDecision& decision);
// The fallback notice, the start, the wait, and for a browser's temporary
// file the deletion.
ExitCode StartEditor(const std::string& command, bool deleteBrowserFileAfterWait, bool waitForProgram);

// The same two steps alone, their part of the decision taken from the
// settings, TargetFile and the machine as they now stand.
std::string BuildEditorCommand(const std::string& editor, const std::string& extra, bool fileFirst);
ExitCode StartEditor(const std::string& command);

// The kept Notepad this run's hand-overs open.
std::string KeptNotepadPath();
// Starts the program and returns once it has ended, with its exit code; a
// failed start is reported as for an editor.
ExitCode StartAndWait(const std::string& command);
// How long the program is left to start before this one takes its message
// queue: about as long as Notepad takes to show its window, so that a caller
// waiting for it to settle is released no later than by Notepad.
inline constexpr std::uint32_t kEditorStartMs = 250;
// Waits for a started program: its exit code, 0 when it cannot be read.
ExitCode WaitForProgram(os::ProcessHandle process);
// For a launcher that a launcher started: the command line's text, after
// the launcher's own path, opens in the kept Notepad.
ExitCode OpenInKeptNotepad();

// The program's entry: the run with the fatal report around it; the exit code.
int LauncherMain();

}  // namespace velquin
