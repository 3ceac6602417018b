#include <string>

#include "browser/browser.h"
#include "launcher/editor_command.h"
#include "launcher/launcher.h"
#include "launcher/state.h"
#include "platform/fatal.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/os.h"
#include "platform/owners.h"
#include "platform/run_calls.h"
#include "platform/run_text.h"
#include "platform/start_mark.h"
#include "platform/text.h"

namespace velquin {
namespace {

constexpr std::size_t kFormattedTextLimit = 4096;

// Every formatted text is held to the limit; a longer one ends the run.
std::string Limited(std::string text) {
  if (TextLength(text) > kFormattedTextLimit) RaiseConvertError(messages::TextTooLong());
  return text;
}

bool IsQuotedBrowserTempFile() { return IsBrowserTempFile(TargetFile) && CommandLineStartsQuoted(RawCommandLine); }

// Gives a browser temporary file the configured extension, on the first
// name that is free.
void ChangeBrowserTempExtension() {
  const std::string oldPath = TargetFile;
  const std::string extension = Settings.IeExt;
  TargetFile = WithExtension(oldPath, "." + extension);
  const std::string stem = StripLastDot(oldPath);
  for (unsigned long long i = 1; IsExistingFile(TargetFile); ++i)
    TargetFile = Limited(stem + "_" + std::to_string(i) + "." + extension);
  if (!MoveFileTo(oldPath, TargetFile)) {
    ShowError(messages::RenameFailed(oldPath, TargetFile));
    TargetFile = oldPath;
  }
}

// Starts the program with the launcher's own startup information; a start
// that fails is reported at once, before anything else can change the
// error code, and leaves an invalid owner.
ProcessOwner StartProgram(const std::string& command) {
  MarkStartsAsOurs();
  os::ProcessHandles handles;
  if (!StartCommand(command, &handles)) {
    ShowError(messages::EditorStartFailed(command, os::GetLastError()));
    return ProcessOwner();
  }
  ProcessOwner thread(handles.thread);  // closed at once: only the process is waited for
  return ProcessOwner(handles.process);
}

}  // namespace

std::string BuildEditorCommand(const std::string& editor, const std::string& extra, bool fileFirst) {
  if (Settings.ChangeIeExt && IsQuotedBrowserTempFile()) ChangeBrowserTempExtension();
  return Limited(EditorCommandLine(editor, extra, fileFirst, TargetFile));
}

ExitCode StartAndWait(const std::string& command) {
  ProcessOwner process = StartProgram(command);
  if (!process.valid()) return kExitEditorNotStarted;
  os::WaitForSingleObject(process.get(), os::kWaitInfinite);
  return kExitDone;
}

ExitCode StartEditor(const std::string& command) {
  if (FellBackToNotepad) ShowMessageBox(messages::NotepadStandsIn(), ProductCaption(), kIconInformation);
  // A file the editor never opened is the user's: it is not deleted.
  ProcessOwner process = StartProgram(command);
  if (!process.valid()) return kExitEditorNotStarted;
  if (!(Settings.Ie4Temp && IsQuotedBrowserTempFile())) return kExitDone;
  if (os::WaitForSingleObject(process.get(), os::kWaitInfinite) == os::kWaitObject0) process.reset();
  if (IsExistingFile(TargetFile) && !DeleteFileAt(TargetFile)) ShowError(messages::DeleteFailed(TargetFile));
  return kExitDone;
}

}  // namespace velquin
