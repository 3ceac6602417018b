#include <string>

#include "browser/browser.h"
#include "launcher/arguments.h"
#include "launcher/editor_command.h"
#include "launcher/launcher.h"
#include "launcher/live_machine.h"
#include "launcher/start_mark.h"
#include "launcher/state.h"
#include "platform/fatal.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/os.h"
#include "platform/owners.h"
#include "platform/run_calls.h"
#include "platform/run_text.h"

namespace velquin {
namespace {

// Every formatted text is held to the limit; a longer one ends the run.
std::string Limited(std::string text) {
  if (TextLength(text) > kFormattedTextLimit) RaiseConvertError(messages::TextTooLong());
  return text;
}

// Gives a browser temporary file the name decided for it.
void RenameBrowserFile(const BrowserFileRename& rename) {
  if (rename.nameTooLong) RaiseConvertError(messages::TextTooLong());
  TargetFile = rename.to;
  if (!MoveFileTo(rename.from, rename.to)) {
    ShowError(messages::RenameFailed(rename.from, rename.to));
    TargetFile = rename.from;
  }
}

// Starts the program with the launcher's own startup information; a start
// that fails is reported at once, before anything else can change the
// error code, and leaves an invalid owner.
ProcessOwner StartProgram(const std::string& command) {
  MarkStartsAsOurs(PlaceInChain);
  os::ProcessHandles handles;
  if (!StartCommand(command, &handles)) {
    ShowError(messages::EditorStartFailed(command, os::GetLastError()));
    return ProcessOwner();
  }
  return StartedProcess(handles).TakeProcess();  // only the process is waited for
}

}  // namespace

std::string BuildEditorCommand(const RunDecision& decision) {
  if (decision.rename.applies) RenameBrowserFile(decision.rename);
  return Limited(EditorCommandLine(decision.program, decision.extra, decision.fileFirst, TargetFile));
}

std::string BuildEditorCommand(const std::string& editor, const std::string& extra, bool fileFirst) {
  LiveMachine machine;
  RunDecision decision;
  decision.program = editor;
  decision.extra = extra;
  decision.fileFirst = fileFirst;
  decision.rename = DecideRename(Settings, TargetFile, CommandLineStartsQuoted(CallerCommandLine()), machine);
  return BuildEditorCommand(decision);
}

ExitCode WaitForProgram(os::ProcessHandle process) {
  // Notepad takes its message queue as it starts; so does its stand-in, so
  // that the starting cursor and a caller in WaitForInputIdle let go, not
  // only when the editor ends. Taking it loads the window DLLs, work that
  // would compete with the editor's own start for a busy processor: the
  // editor gets its start first.
  std::uint32_t waited = os::WaitForSingleObject(process, kEditorStartMs);
  if (waited == os::kWaitTimeout) {
    os::PeekMessageNoRemove();
    waited = os::WaitForSingleObject(process, os::kWaitInfinite);
  }
  std::uint32_t code = 0;
  if (waited != os::kWaitObject0 || !os::GetExitCodeProcess(process, &code)) return kExitDone;
  return static_cast<ExitCode>(code);
}

ExitCode StartAndWait(const std::string& command) {
  const ProcessOwner process = StartProgram(command);
  if (!process.valid()) return kExitEditorNotStarted;
  return WaitForProgram(process.get());
}

ExitCode StartEditor(const std::string& command, bool deleteBrowserFileAfterWait, bool waitForProgram) {
  if (FellBackToNotepad) ShowMessageBox(messages::NotepadStandsIn(), ProductCaption(), kIconInformation);
  // A file the editor never opened is the user's: it is not deleted.
  const ProcessOwner process = StartProgram(command);
  if (!process.valid()) return kExitEditorNotStarted;
  const bool deletes = deleteBrowserFileAfterWait && IsBrowserTempFile(TargetFile);
  if (!waitForProgram && !deletes) return kExitDone;
  const ExitCode code = WaitForProgram(process.get());
  if (deletes && IsExistingFile(TargetFile) && !DeleteFileAt(TargetFile)) ShowError(messages::DeleteFailed(TargetFile));
  // With NoWait the wait was the deletion's alone, and the run ends as it did.
  return waitForProgram ? code : kExitDone;
}

ExitCode StartEditor(const std::string& command) {
  return StartEditor(command, Settings.Ie4Temp && CommandLineStartsQuoted(CallerCommandLine()), !Settings.NoWait);
}

}  // namespace velquin
