#include "launcher/decision.h"

#include <utility>

#include "launcher/editor_command.h"
#include "platform/kept_notepad.h"
#include "platform/run_text.h"
#include "platform/text.h"

namespace velquin {
namespace {

// Notepad's print-to switch: the file, printer, driver and port follow, each
// quoted by the shell. Notepad prints them itself, so it is given the
// command line's own text from the switch on, quotes and spacing kept.
bool IsPrintTo(const std::string& firstArgument) { return LowerCaseText(firstArgument) == "/pt"; }

// Where a path starts in arguments joined back with spaces: at the drive
// letter before ":\", taken as a whole character however many bytes it
// has, or at "\\"; empty when neither is there.
std::string PathInJoinedArguments(const std::string& joined) {
  const int drive = TextPos(":\\", joined);
  if (drive == 1) return joined;
  if (drive != 0) return joined.substr(CharacterStartBefore(joined, drive - 1));
  const int share = TextPos("\\\\", joined);
  if (share != 0) return joined.substr(share - 1);
  return std::string();
}

class Decider {
 public:
  Decider(const LauncherSettings& settings, const RunInput& input, MachineView& machine)
      : s_(settings), input_(input), machine_(machine) {}

  RunDecision Decide() {
    d_.waitForProgram = !s_.NoWait;
    d_.editor = s_.Editor;
    // The fallback is looked up once more; an editor just found is not.
    if (!machine_.FileExists(d_.editor)) {
      d_.editor = FallbackEditorPath(input_.platformId);
      d_.fellBack = true;
      if (!machine_.FileExists(d_.editor)) return Ends(Route::NoEditor);
    }
    return Dispatch();
  }

 private:
  RunDecision Ends(Route route) {
    d_.route = route;
    return std::move(d_);
  }

  RunDecision HandOver(const std::string& parameters) {
    // A Windows directory the system cannot name leaves only a bare name,
    // which is never searched for.
    d_.shellFile = KeptNotepadPath(input_.platformId, [this](const std::string& path) { return machine_.FileExists(path); });
    d_.shellParameters = parameters;
    return Ends(d_.shellFile.find('\\') == std::string::npos ? Route::NothingToOpen : Route::HandOver);
  }

  RunDecision Dispatch() {
    const std::vector<std::string>& arguments = input_.arguments;
    if (arguments.empty()) {
      // Editor exists by now: the start-up made sure of it.
      if (!s_.DoNotepad) return HandOver("");
      d_.shellFile = d_.editor;
      return Ends(Route::ShellOpenEditor);
    }
    if (IsPrintTo(arguments[0])) return HandOver(input_.argumentsText);
    std::string joined = arguments[0];
    for (std::size_t i = 1; i < arguments.size(); ++i) joined += " " + arguments[i];
    d_.target = arguments.size() == 1 ? joined : PathInJoinedArguments(joined);
    if (d_.target.empty()) {
      d_.joinedArguments = joined;
      return Ends(Route::InvalidName);
    }
    if (s_.NoTrap && ContainsText(ExtensionWithoutDot(d_.target), s_.NoTrapExt)) return HandOver(joined);
    return Choose();
  }

  // A cache entry the browser saved under its ".htm" name. Tells whether
  // the target exists when it had to find out, so that the next step does
  // not ask about the same file again.
  int TakeHtmTwinOfCacheEntry() {
    if (!ContainsText(machine_.BrowserCacheDirectory(), DirectoryPart(d_.target))) return -1;
    if (machine_.FileExists(d_.target)) return 1;
    const std::string twin = WithExtension(d_.target, ".htm");
    if (!machine_.FileExists(twin)) return 0;
    d_.target = twin;
    return 1;
  }

  // An extension-less cache file that a newer browser handed over quoted is
  // HTML source. The tests stop at the first that fails; the version
  // class's message shows wherever it is read.
  bool IsExtensionlessBrowserSource(const std::string& extension) {
    if (!ContainsText(machine_.BrowserCacheDirectory(), d_.target) || !input_.startedQuoted) return false;
    const BrowserVersionReading version = machine_.BrowserVersionClass();
    d_.versionMessage = version.message;
    return version.versionClass >= 5 && extension.empty();
  }

  void Editor(Route route, const std::string& program, const std::string& extra, bool fileFirst) {
    d_.route = route;
    d_.program = program;
    d_.extra = extra;
    d_.fileFirst = fileFirst;
  }

  RunDecision Choose() {
    const int known = TakeHtmTwinOfCacheEntry();
    if (!(known >= 0 ? known == 1 : machine_.FileExists(d_.target)) && !s_.NoFile) return Ends(Route::FileNotFound);
    // Only an editor of the route's own takes the fallback notice away.
    bool ownEditor = false;
    if (!input_.arguments.empty() && LowerCaseText(input_.arguments[0]) == "/p") {
      if (machine_.FileExists(s_.PrintEditor)) {
        ownEditor = true;
        Editor(Route::Print, s_.PrintEditor, s_.ParamPrint, s_.FrontPrint);
      } else if (s_.PrintEditor.empty()) {
        Editor(Route::Print, d_.editor, s_.ParamPrint, s_.FrontPrint);
      } else {
        return Ends(Route::PrintEditorMissing);
      }
    } else {
      std::string extension = ExtensionWithoutDot(d_.target);
      if (IsExtensionlessBrowserSource(extension)) extension = "htm";
      if (!ContainsText("htm", extension)) {
        Editor(Route::Normal, d_.editor, s_.ParamEditor, s_.FrontEditor);
      } else if (!s_.HtmlEditor.empty() && machine_.FileExists(s_.HtmlEditor)) {
        ownEditor = true;
        Editor(Route::HtmlSource, s_.HtmlEditor, s_.ParamHtml, s_.FrontHtml);
      } else {
        d_.htmlEditorMissing = !s_.HtmlEditor.empty();
        Editor(Route::HtmlSource, d_.editor, s_.ParamEditor, s_.FrontEditor);
      }
    }
    d_.fallbackNotice = d_.fellBack && !ownEditor;
    d_.rename = DecideRename(s_, d_.target, input_.startedQuoted, machine_);
    d_.deleteBrowserFileAfterWait = s_.Ie4Temp && input_.startedQuoted;
    return std::move(d_);
  }

  const LauncherSettings& s_;
  const RunInput& input_;
  MachineView& machine_;
  RunDecision d_;
};

}  // namespace

bool StartsAnEditor(Route route) { return route == Route::Print || route == Route::HtmlSource || route == Route::Normal; }

BrowserFileRename DecideRename(const LauncherSettings& settings, const std::string& target, bool startedQuoted,
                               MachineView& machine) {
  BrowserFileRename rename;
  if (!(settings.ChangeIeExt && machine.IsBrowserTempFile(target) && startedQuoted)) return rename;
  rename.applies = true;
  rename.from = target;
  // The first name that is free; a file with the extension already counts
  // as taken, a folder does not.
  const std::string& extension = settings.IeExt;
  rename.to = WithExtension(target, "." + extension);
  const std::string stem = StripLastDot(target);
  for (unsigned long long i = 1; machine.FileExists(rename.to); ++i) {
    rename.to = stem + "_" + std::to_string(i) + "." + extension;
    if (TextLength(rename.to) > kFormattedTextLimit) {
      rename.nameTooLong = true;
      break;
    }
  }
  return rename;
}

std::string PlannedCommand(const RunDecision& decision) {
  return EditorCommandLine(decision.program, decision.extra, decision.fileFirst,
                           decision.rename.applies ? decision.rename.to : decision.target);
}

RunDecision DecideRun(const LauncherSettings& settings, const RunInput& input, MachineView& machine) {
  return Decider(settings, input, machine).Decide();
}

}  // namespace velquin
