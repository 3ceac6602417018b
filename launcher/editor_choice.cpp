#include "launcher/launcher.h"
#include "launcher/state.h"
#include "platform/messages.h"

namespace velquin {

ExitCode OpenTarget(const RunDecision& decision) {
  TargetFile = decision.target;  // a cache entry's ".htm" twin
  if (decision.route == Route::FileNotFound) {
    ShowMessageBox(messages::FileNotFound(TargetFile), ProductCaption(), kIconError);
    return kExitDone;
  }
  if (decision.route == Route::PrintEditorMissing) {
    ShowMessageBox(messages::PrintEditorMissing(Settings.PrintEditor), ProductCaption(), kIconError);
    return kExitDone;
  }
  if (!IsEmpty(decision.versionMessage)) ShowError(decision.versionMessage);
  if (decision.htmlEditorMissing)
    ShowMessageBox(messages::HtmlEditorMissing(Settings.HtmlEditor), ProductCaption(), kIconError);
  // An editor of the route's own opens the file: no notice about Notepad.
  FellBackToNotepad = decision.fallbackNotice;
  return StartEditor(BuildEditorCommand(decision), decision.deleteBrowserFileAfterWait, decision.waitForProgram);
}

}  // namespace velquin
