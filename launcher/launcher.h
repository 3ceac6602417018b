// The launcher's run, from the settings read to the editor's start.
#pragma once

#include <string>

namespace velquin {

// The whole run; returns when it is over (raises the fatal errors).
void RunLauncher();
void DispatchArguments();
// Chooses the editor for TargetFile and starts it.
void OpenTarget();

std::string BuildEditorCommand(const std::string& editor, const std::string& extra, bool fileFirst);
void StartEditor(const std::string& command);

// The program's entry: the run with the fatal report around it; the exit code.
int LauncherMain();

}  // namespace velquin
