// What a run will do, decided before it does anything: from the settings,
// the command line and the answers of the machine, which program opens the
// file, with what, which boxes show on the way, and what becomes of a
// browser's temporary file. Deciding changes nothing; the launcher then
// acts on the decision in order, and the settings window's preview shows
// the same decision.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "browser/browser.h"
#include "platform/messages.h"
#include "settings/settings.h"

namespace velquin {

// The questions the decision asks of the machine. Each answer is read from
// the machine as it stands before the run acts.
class MachineView {
 public:
  virtual ~MachineView() = default;
  virtual bool FileExists(const std::string& path) = 0;
  // The browser's cache directory, read afresh on each call; empty when none.
  virtual std::string BrowserCacheDirectory() = 0;
  // Directly in the temporary directory, or below the cache directory.
  virtual bool IsBrowserTempFile(const std::string& path) = 0;
  // The browser's version class, with the message its reading shows.
  virtual BrowserVersionReading BrowserVersionClass() = 0;
};

// What the run was given.
struct RunInput {
  std::vector<std::string> arguments;  // as the tokenizer read them, the program's own path not counted
  std::string argumentsText;           // the command line from the first argument on, as it came
  bool startedQuoted = false;          // the starter quoted the launcher's own path
  std::uint32_t platformId = 0;        // dwPlatformId; 0 when unknown
};

enum class Route {
  NoEditor,            // neither Editor nor the kept Notepad exists: the critical box
  ShellOpenEditor,     // no file given: the shell opens Editor
  HandOver,            // the shell opens the kept Notepad with the parameters
  NothingToOpen,       // a hand-over, but no folder names the kept Notepad
  InvalidName,         // the arguments hold no path: the box
  FileNotFound,        // the box
  PrintEditorMissing,  // the box; nothing prints
  Print,               // an editor is started on the file, by one of these three
  HtmlSource,
  Normal,
};

bool StartsAnEditor(Route route);

// The extension change of a browser's temporary file, before the editor
// starts.
struct BrowserFileRename {
  bool applies = false;
  std::string from, to;
  bool nameTooLong = false;  // the next free name is over the limit: the run ends before renaming
};

struct RunDecision {
  Route route = Route::NoEditor;
  std::string editor;      // Editor after the start-up's fallback
  bool fellBack = false;   // the kept Notepad stands in for a missing Editor
  std::string shellFile;   // the shell routes: what the shell opens, with these parameters
  std::string shellParameters;
  std::string joinedArguments;  // the invalid name, as the box shows it
  std::string target;           // TargetFile as the choice settles it (a cache entry's ".htm" twin)
  // Shown on the way to an editor, in this order, before it starts.
  MessageText versionMessage;      // the browser version class's own
  bool htmlEditorMissing = false;  // then the normal editor opens the file
  bool fallbackNotice = false;     // the kept Notepad opens the file in the missing Editor's place
  // The editor's triple.
  std::string program, extra;
  bool fileFirst = false;
  BrowserFileRename rename;
  // The launcher stays until the program it started has ended and ends
  // with its exit code (NoWait off).
  bool waitForProgram = true;
  // Once started, the editor is waited for and the file deleted when it is
  // a browser's temporary file, asked of the file as it then stands
  // (renamed or not) and only once the editor has started.
  bool deleteBrowserFileAfterWait = false;
};

// The whole run's decision, for a run that is not one launcher started by
// another. Raises the registry errors of what it reads.
RunDecision DecideRun(const LauncherSettings& settings, const RunInput& input, MachineView& machine);

// The extension change of BuildEditorCommand for this target.
BrowserFileRename DecideRename(const LauncherSettings& settings, const std::string& target, bool startedQuoted,
                               MachineView& machine);

// The editor's command line as the decision builds it, on the file's name
// once renamed.
std::string PlannedCommand(const RunDecision& decision);

}  // namespace velquin
