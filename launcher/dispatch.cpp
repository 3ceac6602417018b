#include "launcher/arguments.h"
#include "launcher/editor_command.h"
#include "launcher/launcher.h"
#include "launcher/live_machine.h"
#include "launcher/start_mark.h"
#include "launcher/state.h"
#include "platform/files.h"
#include "platform/kept_notepad.h"
#include "platform/messages.h"
#include "platform/owners.h"
#include "platform/run_calls.h"

namespace velquin {
namespace {

// A failed shell open is not reported: there is nobody to tell but the user,
// and the shell has its own message for it. An open that a running program
// or DDE served hands over no process: there is nothing to wait for.
ExitCode ShellOpen(const std::string& file, const std::string& parameters, bool waitForProgram) {
  MarkStartsAsOurs(PlaceInChain);
  const ProcessOwner process = ShellOpenFile(file, parameters);
  if (!waitForProgram || !process.valid()) return kExitDone;
  return WaitForProgram(process.get());
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
  // the launcher stands in for, or a script that starts Notepad) would
  // start it again and again: the one that ends the chain reads no
  // settings, writes nothing and opens the kept Notepad.
  const ChainPlace chain = ReadChainPlace();
  PlaceInChain = chain.place;
  if (chain.endsChain) return OpenInKeptNotepad();
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
      return ShellOpen(decision.shellFile, decision.shellParameters, decision.waitForProgram);
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
