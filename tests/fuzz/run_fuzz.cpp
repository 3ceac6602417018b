// The whole run against the in-memory machine, with a fuzzed command line,
// settings values of any type and size, files, programs and failures.
//
// Input: lines, each a tag byte and its data (raw bytes up to the line end):
//   C command line          S name=value  (REG_SZ, NUL added)
//   U command line in UTF-8, handed over as CreateProcessW hands it
//   G path in UTF-8 (a file under its real name)
//   T<type digit>name=data  (that type, the data exactly)   R name  (its read fails)
//   F path (file)   O path (file with a time DOS cannot hold)   L path (locked file)
//   P path (program that ends)   Q path (program the launcher may wait for)   D path
//   K cache directory (REG_SZ)   k<type digit>data (cache "Directory" of that type)
//   A browser path   V<8 hex digits> its version     M knobs (see ApplyKnob)
//   E the mark a starting launcher inherited (this process is 4242, its
//     parent 4000, created at kParentCreated)
// "*N*c" inside a value or path stands for the byte c N times.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "browser/browser.h"
#include "launcher/arguments.h"
#include "launcher/launcher.h"
#include "launcher/start_mark.h"
#include "launcher/state.h"
#include "platform/files.h"
#include "platform/kept_notepad.h"
#include "platform/run_text.h"
#include "platform/text.h"
#include "resources/version.h"
#include "settings/registry_values.h"
#include "tests/fake/fake_os.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using fuzzcheck::Shown;

constexpr const char* kSettingKey = "HKCU\\Software\\Tarrowind\\Velquin\\Setting";
constexpr const char* kCacheKey = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths";
constexpr const char* kAppPathKey = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
constexpr std::size_t kCommandLineCap = 8 * 1024;
constexpr std::size_t kValueCap = 64 * 1024;
constexpr std::uint32_t kIconError = 0x10, kIconInformation = 0x40, kFatalStyle = 0x2010;
constexpr std::uint64_t kParentCreated = 132000000000000000ull;  // the parent's creation time

// The first "*N*c" in a text stands for the byte c N times, so that a short
// input can hold an over-long path or value.
std::string Expanded(const std::string& text, std::size_t cap) {
  for (std::size_t open = text.find('*'); open != std::string::npos; open = text.find('*', open + 1)) {
    const std::size_t close = text.find('*', open + 1);
    if (close == std::string::npos || close + 1 >= text.size()) break;
    if (close == open + 1 || close > open + 6 || text.find_first_not_of("0123456789", open + 1) != close) continue;
    const std::size_t count = std::stoul(text.substr(open + 1, close - open - 1));
    const std::string out = text.substr(0, open) + std::string(std::min(count, cap), text[close + 1]) + text.substr(close + 2);
    return out.substr(0, cap);
  }
  return text.substr(0, cap);
}

std::uint32_t TypeOf(char digit) {
  static const std::uint32_t types[] = {0, os::kRegSz, os::kRegExpandSz, os::kRegBinary, os::kRegDword, 5, 6,
                                        os::kRegMultiSz, 11, os::kRegSz};
  return digit >= '0' && digit <= '9' ? types[digit - '0'] : os::kRegSz;
}

struct Setup {
  std::string commandLine;
  std::optional<std::string> wideCommandLine;  // UTF-8
  bool settingsUnreadable = false;  // the section or key cannot be reached: defaults
  bool settingsKeyUncreatable = false;
  std::string appPath;
  std::optional<std::uint32_t> version;
  std::optional<std::string> mark;
};

void ApplyKnob(char knob, Setup* setup) {
  fake::Machine& m = fake::machine();
  switch (knob) {
    case 'a': m.codePage = 1252; break;
    case '9': m.platformId = 1; break;
    case 'v': m.versionQueryFails = true; break;
    case ',': m.decimalSeparator = ","; break;
    case ';': m.decimalSeparator = ",."; break;
    case 'x': m.directoryQueriesFail = true; break;
    case 'n': m.modulePath = "C:\\Velquin\\velquin.exe"; break;
    case 'W': m.windowsDirectory = "C:\\" + std::string(300, 'w'); break;
    case 't': m.tempPath = "c:\\temp\\"; break;
    case 'c':
      fake::AddKey("HKCU\\Software\\Tarrowind\\Velquin").failCreate = true;
      setup->settingsUnreadable = setup->settingsKeyUncreatable = true;
      break;
    case 'o': fake::AddKey(kSettingKey).failOpen = true; setup->settingsUnreadable = true; break;
    case 's': fake::AddKey(kSettingKey).failSet = true; break;
    case 'k': fake::AddKey(kCacheKey).failOpen = true; break;
    case 'i': fake::AddKey(kAppPathKey).failOpen = true; break;
    case 'p': m.snapshotFails = true; break;
    default: break;
  }
}

Setup Build(const std::string& input) {
  fake::Reset();
  fake::Machine& m = fake::machine();
  m.modulePath = "C:\\Velquin\\notepad.exe";
  m.otherProcesses = {{4000, 3000, kParentCreated}};
  m.startup.hasTitle = true;
  m.startup.title = "fuzz";
  Setup setup;
  std::vector<std::string> lines = fuzzcheck::Split(input, '\n');
  // Knobs first: they decide the folders everything else stands in.
  for (const std::string& line : lines)
    if (!line.empty() && line[0] == 'M')
      for (char knob : line.substr(1)) ApplyKnob(knob, &setup);
  fake::AddDirectory(m.windowsDirectory);
  fake::AddDirectory(m.systemDirectory);
  fake::AddDirectory(m.tempPath);
  fake::AddProgram(m.windowsDirectory + "\\notepa~.exe");
  fake::AddProgram(m.systemDirectory + "\\notepa~.exe");
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    const char tag = line[0];
    const std::string rest = line.substr(1);
    const std::size_t equals = rest.find('=');
    switch (tag) {
      case 'C': setup.commandLine = Expanded(rest, kCommandLineCap); break;
      case 'U': setup.wideCommandLine = Expanded(rest, kCommandLineCap); break;
      case 'G': if (!rest.empty()) fake::AddFile(fake::Utf16(Expanded(rest, 1024))); break;
      case 'S':
        if (equals != std::string::npos)
          fake::SetString(kSettingKey, rest.substr(0, equals), Expanded(rest.substr(equals + 1), kValueCap));
        break;
      case 'T':
        if (const std::size_t typed = rest.find('=', 1); rest.size() > 1 && typed != std::string::npos) {
          const std::string data = Expanded(rest.substr(typed + 1), kValueCap);
          fake::SetValue(kSettingKey, rest.substr(1, typed - 1), TypeOf(rest[0]),
                         std::vector<unsigned char>(data.begin(), data.end()));
        }
        break;
      case 'R':
        if (fake::RegValue* value = fake::FindValue(kSettingKey, rest)) value->failRead = true;
        break;
      case 'F': if (!rest.empty()) fake::AddFile(Expanded(rest, 1024)); break;
      case 'O': if (!rest.empty()) fake::AddFile(Expanded(rest, 1024), fake::FileTimeOfDate(1975, 6, 1)); break;
      case 'L': if (!rest.empty()) fake::AddFile(Expanded(rest, 1024)).locked = true; break;
      case 'P': if (!rest.empty()) fake::AddProgram(Expanded(rest, 1024)); break;
      case 'Q': if (!rest.empty()) fake::AddProgram(Expanded(rest, 1024), fake::Program{false, 0, 1}); break;
      case 'D': if (!rest.empty()) fake::AddDirectory(Expanded(rest, 1024)); break;
      case 'K': fake::SetString(kCacheKey, "Directory", Expanded(rest, kValueCap)); break;
      case 'k':
        if (!rest.empty()) {
          const std::string data = Expanded(rest.substr(1), kValueCap);
          fake::SetValue(kCacheKey, "Directory", TypeOf(rest[0]), std::vector<unsigned char>(data.begin(), data.end()));
        }
        break;
      case 'A': setup.appPath = Expanded(rest, 1024); break;
      case 'E':
        setup.mark = Expanded(rest, 1024);
        os::SetEnvironmentVariableA("VELQUIN_STARTED_BY", *setup.mark);
        break;
      case 'V':
        if (rest.size() >= 8 && rest.find_first_not_of("0123456789abcdefABCDEF") >= 8)
          setup.version = static_cast<std::uint32_t>(std::stoul(rest.substr(0, 8), nullptr, 16));
        break;
      default: break;
    }
  }
  if (!setup.appPath.empty() || setup.version) {
    fake::SetString(kAppPathKey, "", setup.appPath);
    if (!setup.appPath.empty() && setup.version) fake::AddProgram(setup.appPath, fake::Program{true, *setup.version, 0});
  }
  m.commandLine = setup.commandLine;
  if (setup.wideCommandLine) {
    m.wideCommandLine = fake::Utf16(*setup.wideCommandLine);
    m.commandLine = fake::AnsiOfWide(m.wideCommandLine);
  }
  return setup;
}

// A settings text as the string-read rule gives it, or the default.
std::string SettingText(const Setup& setup, const char* name, const std::string& fallback) {
  if (setup.settingsUnreadable) return fallback;
  const fake::RegValue* value = fake::FindValue(kSettingKey, name);
  if (!value) return fallback;
  const std::string data(value->data.begin(), value->data.end());
  return data.substr(0, data.find('\0'));
}

bool SettingFlag(const Setup& setup, const char* name, bool fallback) {
  return velquin::ParseIntegerText(SettingText(setup, name, fallback ? "1" : "0")).value_or(fallback ? 1 : 0) != 0;
}

// The tokenizer's arguments after the program path, as the launcher uses them.
std::vector<std::string> Arguments(const std::string& commandLine, bool namedNotepad) {
  std::vector<std::string> out;
  velquin::Argument step = velquin::NextArgument(commandLine, 0);
  for (;;) {
    step = velquin::NextArgument(commandLine, step.position);
    if (step.text.empty()) break;
    out.push_back(step.text);
  }
  if (!namedNotepad && !out.empty() && velquin::IsNotepadCommand(out.front())) out.erase(out.begin());
  return out;
}

// Whether Notepad's start was quoted: through the redirect (a first
// argument naming Notepad) the caller's command line after the launcher's
// own path tells, otherwise the launcher's own.
bool StartQuoted(const std::string& commandLine, bool namedNotepad) {
  const velquin::Argument own = velquin::NextArgument(commandLine, 0);
  const velquin::Argument first = velquin::NextArgument(commandLine, own.position);
  std::size_t at = 0;
  if (!namedNotepad && !first.text.empty() && velquin::IsNotepadCommand(first.text))
    for (at = own.position; at < commandLine.size() && commandLine[at] >= 0x01 && commandLine[at] <= 0x20;) ++at;
  return at < commandLine.size() && commandLine[at] == '"';
}

std::size_t Count(const std::vector<fake::Event>& events, fake::Event::Kind kind) {
  return static_cast<std::size_t>(
      std::count_if(events.begin(), events.end(), [&](const fake::Event& e) { return e.kind == kind; }));
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// Where the last character of ANSI text starts, its bytes paired from the
// first as code page 932 pairs them; a lead byte at the end stands alone.
std::size_t LastCharacterStart(const std::string& text) {
  const auto lead = [](unsigned char b) {
    return fake::machine().codePage == 932 && ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC));
  };
  std::size_t last = 0;
  for (std::size_t i = 0; i < text.size(); i += lead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1)
    last = i;
  return last;
}

// Set VELQUIN_FUZZ_TRACE to see what a run did, when reading a seed or a
// failing input.
void Trace(int exitCode) {
  static const char* kKinds[] = {"box", "shell", "start", "waited", "moved", "deleted"};
  std::fprintf(stderr, "exit %d\n", exitCode);
  for (const fake::Event& e : fake::machine().events) {
    std::string what = e.kind == fake::Event::Box ? std::to_string(e.style) + " " + e.text
                       : e.kind == fake::Event::Shell ? e.file + " | " + e.parameters
                       : e.kind == fake::Event::Start ? e.commandLine
                       : e.file + " " + e.parameters;
    std::fprintf(stderr, "  %s %s\n", kKinds[e.kind], Shown(what.substr(0, 200)).c_str());
  }
}

void CheckRun(const std::string& input) {
  const Setup setup = Build(input);
  fake::Machine& m = fake::machine();
  const std::string story = Shown(input);
  const std::map<std::string, fake::FileNode> filesBefore = m.files;
  const std::string quotedBefore = m.commandLine;

  const int exitCode = velquin::LauncherMain();
  if (std::getenv("VELQUIN_FUZZ_TRACE")) Trace(exitCode);

  const std::vector<fake::Event>& events = m.events;
  const std::size_t boxes = Count(events, fake::Event::Box), shells = Count(events, fake::Event::Shell),
                    starts = Count(events, fake::Event::Start), moves = Count(events, fake::Event::Moved),
                    deletions = Count(events, fake::Event::Deleted), waits = Count(events, fake::Event::Waited);
  const int createCalls = m.calls["CreateProcess"] + m.calls["CreateProcessW"];

  // Nothing held on to: keys, searches, process and thread handles.
  FUZZ_CHECK(m.openKeys.empty(), "a registry key left open: " + story);
  FUZZ_CHECK(m.openFinds.empty(), "a file search left open: " + story);
  FUZZ_CHECK(m.openProcesses.empty(), "a process handle left open: " + story);
  FUZZ_CHECK(createCalls <= 1 && shells <= 1 && moves <= 1 && deletions <= 1 && waits <= 1, story);

  std::size_t fatalBoxes = 0;
  for (const fake::Event& e : events)
    if (e.kind == fake::Event::Box && e.style == kFatalStyle) ++fatalBoxes;

  if (exitCode == 1) {
    // The fatal report: the last thing that happens, nothing started.
    FUZZ_CHECK(fatalBoxes == 1 && events.back().kind == fake::Event::Box && events.back().style == kFatalStyle,
               "exit 1 without the report as the last event: " + story);
    FUZZ_CHECK(events.back().owner == 0, story);
    FUZZ_CHECK(events.back().text.find("ERegistryException") == 0 || events.back().text.find("EConvertError") == 0,
               story);
    FUZZ_CHECK(createCalls == 0 && shells == 0 && waits == 0 && deletions == 0, "started after all: " + story);
    return;
  }
  FUZZ_CHECK(exitCode == 0 || exitCode == 2, "exit code " + std::to_string(exitCode) + ": " + story);

  // Started by a launcher (the mark names the parent, by its id and
  // creation time, or this launcher is a chain's fourth): nothing read or
  // written, only the kept Notepad started, with the command line's own
  // text after the launcher's path.
  const std::optional<velquin::StartMark> mark = setup.mark ? velquin::ParseStartMark(*setup.mark) : std::nullopt;
  const bool chain = mark && mark->processId != 4242 &&
                     (mark->place >= velquin::kLongestChain - 1 ||
                      (mark->processId == 4000 && mark->creationTime == kParentCreated && !m.snapshotFails));
  if (chain) {
    FUZZ_CHECK(m.calls["RegOpenKeyEx"] + m.calls["RegCreateKeyEx"] + m.calls["RegSetValueEx"] == 0,
               "a chained launcher touched the settings: " + story);
    FUZZ_CHECK(shells == 0 && moves == 0 && deletions == 0 && createCalls <= 1, "a chained launcher did more: " + story);
    if (starts == 1) {
      const fake::Event& start = *std::find_if(events.begin(), events.end(),
                                               [](const fake::Event& e) { return e.kind == fake::Event::Start; });
      const std::string notepad = velquin::KeptNotepadPath();
      const std::string text = velquin::RawCommandLine.substr(velquin::ArgumentsStart());
      const std::string wanted = (notepad.find(' ') == std::string::npos ? notepad : "\"" + notepad + "\"") +
                                 (text.empty() ? "" : " " + text);
      FUZZ_CHECK((velquin::WideRun ? start.realCommandLine : start.commandLine) ==
                     (velquin::WideRun ? fake::FromUtf16(velquin::WideText(wanted)) : wanted),
                 "a chained launcher started " + Shown(start.commandLine) + ": " + story);
    }
    return;
  }
  FUZZ_CHECK(m.calls["CreateToolhelp32Snapshot"] == 0 || setup.mark, "processes listed without a mark: " + story);
  // A failed start ends the run with its report, and the file is left alone.
  FUZZ_CHECK((exitCode == 2) == (createCalls == 1 && starts == 0), "a failed start told wrongly: " + story);
  if (exitCode == 2)
    FUZZ_CHECK(events.back().kind == fake::Event::Box && events.back().style == kIconError && deletions == 0 &&
                   waits == 0,
               "a failed start not reported last, or the file touched after it: " + story);
  FUZZ_CHECK(fatalBoxes == 0, story);
  for (const fake::Event& e : events) {
    if (e.kind != fake::Event::Box) continue;
    FUZZ_CHECK(e.style == kIconError || e.style == kIconInformation, story);
    FUZZ_CHECK(e.caption == "Velquin 2.33.0.1" && e.owner == m.foregroundWindow, story);
  }

  // DoNotepadPrint is "0" after every completed run, where it could be written.
  if (!setup.settingsUnreadable) {
    const fake::RegValue* written = fake::FindValue(kSettingKey, "DoNotepadPrint");
    FUZZ_CHECK(written && written->type == os::kRegSz && written->data == std::vector<unsigned char>({'0', 0}),
               "DoNotepadPrint not written back: " + story);
  } else if (setup.settingsKeyUncreatable) {
    FUZZ_CHECK(fake::FindValue("HKCU\\Setting", "DoNotepadPrint"), story);
  }

  if (velquin::WideRun) {
    // A wide run names files only through the W calls: an A call would
    // meet the look-alike.
    for (const char* call : {"FindFirstFile", "MoveFile", "DeleteFile", "CreateProcess", "ShellExecute"})
      FUZZ_CHECK(m.calls[call] == 0, std::string(call) + " in a wide run: " + story);
    for (const fake::Event& e : events)
      if (e.kind == fake::Event::Start)
        FUZZ_CHECK(e.realCommandLine.find("\"" + velquin::TargetFile + "\"") != std::string::npos,
                   "the real name not started: " + story);
    return;
  }
  const bool namedNotepad = m.modulePath.substr(m.modulePath.size() - 11) == "notepad.exe";
  const bool quoted = StartQuoted(quotedBefore, namedNotepad);
  const std::vector<std::string> arguments = Arguments(quotedBefore, namedNotepad);

  // Exactly one of the defined outcomes.
  if (shells == 1) {
    FUZZ_CHECK(createCalls == 0 && boxes == 0 && moves == 0 && deletions == 0, "a shell open and more: " + story);
    const fake::Event& shell = *std::find_if(events.begin(), events.end(),
                                             [](const fake::Event& e) { return e.kind == fake::Event::Shell; });
    FUZZ_CHECK(shell.verb == "Open" && shell.show == 5 && shell.directory.empty() && shell.owner == 0, story);
    if (arguments.empty()) {
      FUZZ_CHECK(shell.parameters.empty(), story);
      FUZZ_CHECK(shell.file == velquin::KeptNotepadPath() || shell.file == velquin::Settings.Editor, story);
    } else if (velquin::LowerCaseText(arguments[0]) == "/pt") {
      // Print-to: Notepad gets the command line's own text, which ends as it does.
      FUZZ_CHECK(shell.file == velquin::KeptNotepadPath() && EndsWith(quotedBefore, shell.parameters), "print-to: " + story);
    } else {
      std::string joined = arguments[0];
      for (std::size_t i = 1; i < arguments.size(); ++i) joined += " " + arguments[i];
      FUZZ_CHECK(shell.file == velquin::KeptNotepadPath() && shell.parameters == joined, "Notepad hand-over: " + story);
      FUZZ_CHECK(SettingFlag(setup, "NoTrap", false), story);
    }
    return;
  }
  // With no Windows directory to name the kept Notepad by, a hand-over to it
  // is dropped rather than searched for.
  if (createCalls == 0 && boxes == 0 && velquin::WindowsDirectory().empty()) return;
  FUZZ_CHECK(!arguments.empty() || boxes == 1, "no argument and no shell open: " + story);
  if (createCalls == 0) {
    FUZZ_CHECK(boxes >= 1 && events.back().kind == fake::Event::Box && events.back().style == kIconError,
               "neither started nor told: " + story);
    FUZZ_CHECK(moves == 0 && deletions == 0 && waits == 0, story);
    return;
  }

  // One start: the program is one the settings name (or the fallback), and
  // the command holds the file path in quotes in one of the three forms.
  const std::string& target = velquin::TargetFile;
  FUZZ_CHECK(!target.empty(), story);
  const std::vector<std::string> programs = {
      SettingText(setup, "Editor", velquin::WindowsDirectory() + "Notepa~.exe"),
      SettingText(setup, "HtmlEditor", ""),
      SettingText(setup, "PrintEditor", ""),
      velquin::WindowsDirectory() + "notepa~.exe",
      velquin::SystemDirectory() + "notepa~.exe"};
  const std::vector<std::string> extras = {SettingText(setup, "ParamEditor", ""), SettingText(setup, "ParamHtml", ""),
                                           SettingText(setup, "ParamPrint", "/P")};
  const std::string file = "\"" + target + "\"";
  if (starts == 1) {
    const std::string command = std::find_if(events.begin(), events.end(), [](const fake::Event& e) {
                                  return e.kind == fake::Event::Start;
                                })->commandLine;
    FUZZ_CHECK(command.size() <= 4096, story);
    bool formed = false;
    for (const std::string& program : programs) {
      if (program.empty()) continue;
      for (const std::string& shown : {program, "\"" + program + "\""}) {
        if (!StartsWith(command, shown + " ")) continue;
        const std::string rest = command.substr(shown.size() + 1);
        if (rest == file) formed = true;
        for (const std::string& extra : extras) {
          if (extra.empty()) continue;
          if (rest == file + " " + extra || rest == extra + " " + file) formed = true;
        }
      }
    }
    FUZZ_CHECK(formed, "command " + Shown(command) + " for target " + Shown(target) + ": " + story);
  }

  // The target comes from the arguments: the one argument, or the path found
  // in the joined ones; perhaps its ".htm" twin; perhaps renamed.
  std::string base;
  if (arguments.size() == 1) {
    base = arguments[0];
  } else {
    std::string joined = arguments[0];
    for (std::size_t i = 1; i < arguments.size(); ++i) joined += " " + arguments[i];
    const std::string lower = velquin::LowerCaseText(joined);
    // The drive letter is the whole character before ":\".
    const std::size_t drive = lower.find(":\\"), share = lower.find("\\\\");
    base = drive == 0                   ? joined
           : drive != std::string::npos ? joined.substr(LastCharacterStart(joined.substr(0, drive)))
                                        : joined.substr(share);
  }
  std::string beforeRename = target;
  const fake::Event* moved = nullptr;
  for (const fake::Event& e : events)
    if (e.kind == fake::Event::Moved) moved = &e;
  if (moved) {
    FUZZ_CHECK(SettingFlag(setup, "ChangeIeExt", false) && quoted, "renamed unasked: " + story);
    FUZZ_CHECK(moved->parameters == target, story);
    beforeRename = moved->file;
    const std::string ext = SettingText(setup, "IeExt", "htm");
    const std::string stem = velquin::StripLastDot(beforeRename);
    bool named = target == stem + "." + ext;
    if (!named && StartsWith(target, stem + "_")) {
      const std::string tail = target.substr(stem.size() + 1);
      const std::size_t dot = tail.find('.');
      named = dot != std::string::npos && dot > 0 && tail.find_first_not_of("0123456789") == dot &&
              tail.substr(dot + 1) == ext;
    }
    FUZZ_CHECK(named, "renamed to " + Shown(target) + ": " + story);
  }
  FUZZ_CHECK(beforeRename == base || beforeRename == velquin::WithExtension(base, ".htm"),
             "target " + Shown(beforeRename) + " not from the arguments " + Shown(base) + ": " + story);

  const fake::Event* deleted = nullptr;
  for (const fake::Event& e : events)
    if (e.kind == fake::Event::Deleted) deleted = &e;
  if (deleted) {
    FUZZ_CHECK(deleted->file == target && SettingFlag(setup, "Ie4Temp", false) && quoted, "deleted: " + story);
    const auto start = std::find_if(events.begin(), events.end(), [](const fake::Event& e) {
      return e.kind == fake::Event::Start;
    });
    FUZZ_CHECK(start == events.end() || &*start < deleted, "deleted before the editor started: " + story);
    bool temporary = false;
    try {
      temporary = velquin::IsBrowserTempFile(velquin::TargetFile);
    } catch (...) {
    }
    FUZZ_CHECK(temporary, "deleted a file that is not a browser temporary file: " + story);
  }

  // No file lost: the files after the run are those before it, but for the
  // one renamed and the browser temporary file deleted after the editor.
  std::set<std::string> expected;
  for (const auto& entry : filesBefore) expected.insert(entry.first);
  if (moved) {
    FUZZ_CHECK(expected.erase(fake::FileKeyOfAnsi(moved->file)) == 1, "renamed a file that was not there: " + story);
    FUZZ_CHECK(expected.insert(fake::FileKeyOfAnsi(moved->parameters)).second, "renamed over a file: " + story);
  }
  if (deleted) FUZZ_CHECK(expected.erase(fake::FileKeyOfAnsi(deleted->file)) == 1, story);
  std::set<std::string> after;
  for (const auto& entry : m.files) after.insert(entry.first);
  FUZZ_CHECK(after == expected, "files lost or made: " + story);
  FUZZ_CHECK(waits == 0 || !SettingFlag(setup, "NoWait", false) || (SettingFlag(setup, "Ie4Temp", false) && quoted),
             "waited unasked: " + story);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckRun(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
