#include <optional>

#include "browser/browser.h"
#include "launcher/arguments.h"
#include "launcher/launcher.h"
#include "launcher/state.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/text.h"

namespace velquin {
namespace {

// A cache entry the browser saved under its ".htm" name. Tells whether
// TargetFile now exists when it had to find out, so that the next step
// does not search for the same file again.
std::optional<bool> TakeHtmTwinOfCacheEntry() {
  if (!ContainsText(BrowserCacheDirectory(), DirectoryPart(TargetFile))) return std::nullopt;
  if (IsExistingFile(TargetFile)) return true;
  const std::string twin = WithExtension(TargetFile, ".htm");
  if (!IsExistingFile(twin)) return false;
  TargetFile = twin;
  return true;
}

// An extension-less cache file that a newer browser handed over quoted is
// HTML source. The tests stop at the first that fails.
bool IsExtensionlessBrowserSource(const std::string& extension) {
  return ContainsText(BrowserCacheDirectory(), TargetFile) && CommandLineStartsQuoted(RawCommandLine) &&
         BrowserVersionClass(DecimalSeparator) >= 5 && extension.empty();
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
  const std::optional<bool> known = TakeHtmTwinOfCacheEntry();
  if (!(known ? *known : IsExistingFile(TargetFile)) && !Settings.NoFile) {
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
