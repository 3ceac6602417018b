#include "launcher/arguments.h"
#include "launcher/editor_command.h"
#include "launcher/launcher.h"
#include "launcher/live_machine.h"
#include "launcher/start_mark.h"
#include "launcher/state.h"
#include "platform/files.h"
#include "platform/kept_notepad.h"
#include "platform/messages.h"
#include "platform/run_calls.h"

namespace velquin {
namespace {

void ShellOpen(const std::string& file, const std::string& parameters) {
  // A failed shell open is not reported: there is nobody to tell but the user,
  // and the shell has its own message for it.
  MarkStartsAsOurs();
  ShellOpenFile(file, parameters);
}

}  // namespace

std::string KeptNotepadPath() { return velquin::KeptNotepadPath(PlatformId, IsExistingFile); }

ExitCode OpenInKeptNotepad() {
  const std::string notepad = KeptNotepadPath();
  if (notepad.find('\\') == std::string::npos) return kExitDone;  // never a bare name
  const std::string text = RawCommandLine.substr(ArgumentsStart());
  // Waited for: a first launcher that deletes a browser temporary file once
  // its editor closed then deletes it only after this Notepad closed.
  return StartAndWait(ProgramInCommand(notepad) + (text.empty() ? "" : " " + text));
}

ExitCode RunLauncher() {
  // An editor setting that leads back to the launcher (notepad.exe, which
  // the launcher stands in for) would start it again and again: the second
  // one reads no settings, writes nothing and opens the kept Notepad.
  if (StartedByALauncher()) return OpenInKeptNotepad();
  Settings = ReadLauncherSettings();
  LiveMachine machine;
  const RunDecision decision = DecideRun(Settings, ThisRunsInput(), machine);
  Settings.Editor = decision.editor;
  FellBackToNotepad = decision.fellBack;
  if (decision.route == Route::NoEditor) {
    ShowMessageBox(messages::NoEditor(), ProductCaption(), kIconError);
    return kExitDone;
  }
  return DispatchArguments(decision);
}

ExitCode DispatchArguments(const RunDecision& decision) {
  switch (decision.route) {
    case Route::ShellOpenEditor:
    case Route::HandOver:
      ShellOpen(decision.shellFile, decision.shellParameters);
      return kExitDone;
    case Route::NothingToOpen:
    case Route::NoEditor:
      return kExitDone;
    case Route::InvalidName:
      ShowMessageBox(messages::InvalidFileName(decision.joinedArguments), ProductCaption(), kIconError);
      return kExitDone;
    default:
      return OpenTarget(decision);
  }
}

}  // namespace velquin
