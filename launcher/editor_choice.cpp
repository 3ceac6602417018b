#include "browser/browser.h"
#include "launcher/arguments.h"
#include "launcher/launcher.h"
#include "launcher/state.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/text.h"

namespace velquin {
namespace {

// A cache entry the browser saved under its ".htm" name.
void TakeHtmTwinOfCacheEntry() {
  if (!ContainsText(BrowserCacheDirectory(), DirectoryPart(TargetFile)) || IsExistingFile(TargetFile)) return;
  const std::string twin = WithExtension(TargetFile, ".htm");
  if (IsExistingFile(twin)) TargetFile = twin;
}

// An extension-less cache file that a newer browser handed over quoted is
// HTML source. The tests stop at the first that fails.
bool IsExtensionlessBrowserSource(const std::string& extension) {
  return ContainsText(BrowserCacheDirectory(), TargetFile) && CommandLineStartsQuoted() &&
         BrowserVersionClass() >= 5 && extension.empty();
}

std::string PrintCommand(bool* started) {
  if (IsExistingFile(Settings.PrintEditor)) {
    FellBackToNotepad = false;
    return BuildEditorCommand(Settings.PrintEditor, Settings.ParamPrint, Settings.FrontPrint);
  }
  if (Settings.PrintEditor.empty())
    return BuildEditorCommand(Settings.Editor, Settings.ParamPrint, Settings.FrontPrint);
  ShowMessageBox(messages::PrintEditorMissing(Settings.PrintEditor), ProductCaption(), kIconError);
  *started = false;
  return std::string();
}

std::string NormalCommand() {
  return BuildEditorCommand(Settings.Editor, Settings.ParamEditor, Settings.FrontEditor);
}

std::string HtmlSourceCommand() {
  if (Settings.HtmlEditor.empty()) return NormalCommand();
  if (IsExistingFile(Settings.HtmlEditor)) {
    FellBackToNotepad = false;
    return BuildEditorCommand(Settings.HtmlEditor, Settings.ParamHtml, Settings.FrontHtml);
  }
  ShowMessageBox(messages::HtmlEditorMissing(Settings.HtmlEditor), ProductCaption(), kIconError);
  return NormalCommand();
}

}  // namespace

ExitCode OpenTarget() {
  TakeHtmTwinOfCacheEntry();
  if (!IsExistingFile(TargetFile) && !Settings.NoFile) {
    ShowMessageBox(messages::FileNotFound(TargetFile), ProductCaption(), kIconError);
    return kExitDone;
  }
  std::string command;
  if (LowerCaseText(ArgumentAt(1)) == "/p") {
    bool started = true;
    command = PrintCommand(&started);
    if (!started) return kExitDone;
  } else {
    std::string extension = ExtensionWithoutDot(TargetFile);
    if (IsExtensionlessBrowserSource(extension)) extension = "htm";
    command = ContainsText("htm", extension) ? HtmlSourceCommand() : NormalCommand();
  }
  return StartEditor(command);
}

}  // namespace velquin
