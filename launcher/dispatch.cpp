#include "launcher/arguments.h"
#include "launcher/editor_command.h"
#include "launcher/launcher.h"
#include "launcher/state.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/run_calls.h"
#include "platform/start_mark.h"
#include "platform/text.h"

#include <vector>

namespace velquin {
namespace {

void ShellOpen(const std::string& file, const std::string& parameters) {
  // A failed shell open is not reported: there is nobody to tell but the user,
  // and the shell has its own message for it.
  MarkStartsAsOurs();
  ShellOpenFile(file, parameters);
}

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

}  // namespace

void HandOverToNotepad(const std::string& parameters) {
  // When neither folder holds it the shell is still given the full path
  // and reports the missing program itself. A Windows directory the system
  // cannot name leaves only a bare name, which is never searched for.
  const std::string notepad = KeptNotepadPath();
  if (notepad.find('\\') == std::string::npos) return;
  ShellOpen(notepad, parameters);
}

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
  // The fallback is looked up once more; an editor just found is not.
  if (!IsExistingFile(Settings.Editor)) {
    Settings.Editor = FallbackEditorPath(PlatformId);
    FellBackToNotepad = true;
    if (!IsExistingFile(Settings.Editor)) {
      ShowMessageBox(messages::NoEditor(), ProductCaption(), kIconError);
      return kExitDone;
    }
  }
  return DispatchArguments();
}

ExitCode DispatchArguments() {
  // One pass over the command line, however many arguments it holds.
  const std::vector<std::string> arguments = AllArguments();
  if (arguments.empty()) {
    if (Settings.DoNotepad && IsExistingFile(Settings.Editor))
      ShellOpen(Settings.Editor, "");
    else
      HandOverToNotepad("");
    return kExitDone;
  }
  if (IsPrintTo(arguments[0])) {
    HandOverToNotepad(RawCommandLine.substr(ArgumentsStart()));
    return kExitDone;
  }
  std::string originalArguments;
  if (arguments.size() == 1) {
    TargetFile = arguments[0];
    originalArguments = TargetFile;
  } else {
    originalArguments = arguments[0];
    for (std::size_t i = 1; i < arguments.size(); ++i) originalArguments += " " + arguments[i];
    TargetFile = PathInJoinedArguments(originalArguments);
    if (TargetFile.empty()) {
      ShowMessageBox(messages::InvalidFileName(originalArguments), ProductCaption(), kIconError);
      return kExitDone;
    }
  }
  if (Settings.NoTrap && ContainsText(ExtensionWithoutDot(TargetFile), Settings.NoTrapExt)) {
    HandOverToNotepad(originalArguments);
    return kExitDone;
  }
  return OpenTarget();
}

}  // namespace velquin
