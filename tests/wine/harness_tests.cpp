// Checks of the harness's own logic that needs no launcher: the stub log,
// the stay and exit code lists, the stub's own exit code, the shell's
// parameters, event order, icon choice, version patching and the locale
// passes. Run under Wine by scripts/scenarios.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "icon_match.h"
#include "observed.h"
#include "passes.h"
#include "stub_log.h"
#include "text.h"
#include "version_patch.h"
#include "win_handles.h"

namespace {

int failures = 0;

void Check(bool ok, const std::string& what) {
  if (ok) return;
  ++failures;
  std::printf("harness test failed: %s\n", what.c_str());
}

void LogRoundTrip() {
  const std::vector<std::string> texts = {"", "plain", "tab\there", "line\r\nend", "back\\slash\\t", "日本語 \"q\""};
  for (const std::string& t : texts) {
    stub::Record r;
    r.kind = stub::Record::End;
    r.ticks = 1234567890123LL;
    r.pid = 77;
    r.module = "C:\\Tools\\" + t;
    r.commandLine = t;
    r.title = t + "!";
    std::vector<stub::Record> back = stub::Parse(stub::Format(r));
    Check(back.size() == 1 && back[0].kind == r.kind && back[0].ticks == r.ticks && back[0].pid == 77 &&
              back[0].module == r.module && back[0].commandLine == t && back[0].title == r.title,
          "log round trip of '" + t + "'");
  }
  Check(stub::Parse("start\t1\t2\tm\tt\tc").empty(), "a line still being written is left");
  Check(stub::Parse("junk\nstart\t1\t2\tm\tt\tc\n").size() == 1, "a foreign line is skipped");
}

// Both lists take the same entries: each row is read as either.
void StaysAndExits() {
  struct Case {
    std::string list, module;
    int number;
  } cases[] = {
      {"", "C:\\a.exe", 0},
      {"700*C:\\Tools\\slow.exe", "C:\\Tools\\slow.exe", 700},
      {"700*C:\\Tools\\slow.exe", "c:\\tools\\SLOW.EXE", 700},
      {"5*C:\\a.exe|900*C:\\b.exe", "C:\\b.exe", 900},
      {"5*C:\\a.exe|900*C:\\b.exe", "C:\\c.exe", 0},
      {stub::StaysEntry(42, "C:\\表\\x.exe"), "C:\\表\\x.exe", 42},
      {stub::ExitsEntry(3, "C:\\Tools\\ed.exe"), "c:\\tools\\ED.EXE", 3},
      {stub::ExitsEntry(255, "C:\\Tools\\ed.exe"), "C:\\Tools\\ed.exe", 255},
      {stub::ExitsEntry(0, "C:\\a.exe") + "|" + stub::ExitsEntry(9, "C:\\b.exe"), "C:\\a.exe", 0},
      {"3*C:\\Tools\\ed.exe", "C:\\Tools\\ed.exe.bak", 0},
  };
  for (const Case& c : cases) {
    Check(stub::StaysFor(c.list, c.module) == c.number, "stays '" + c.list + "' for " + c.module);
    Check(stub::ExitCodeFor(c.list, c.module) == c.number, "exit code '" + c.list + "' for " + c.module);
  }
}

std::wstring BesideThisProgram(const std::wstring& name) {
  wchar_t buffer[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  std::wstring path(buffer, n);
  return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

// The stub itself, started with the lists as the harness hands them on,
// ends with the code listed for its own path and logs its start (and its
// end when it stays).
void StubExitCodes() {
  const std::wstring stubPath = BesideThisProgram(L"velquin_stub.exe");
  const std::string stub = text::ToUtf8(stubPath);
  if (GetFileAttributesW(stubPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
    Check(false, "the stub beside the harness tests: " + stub);
    return;
  }
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring logPath = std::wstring(temp) + L"velquin-stub-exit-test.log";
  struct Case {
    std::string exits, stays;
    DWORD code;
    size_t records;  // start, and end when it stays
  } cases[] = {
      {"", "", 0, 1},
      {stub::ExitsEntry(3, stub), "", 3, 1},
      {stub::ExitsEntry(255, stub), "", 255, 1},
      {stub::ExitsEntry(9, "C:\\Tools\\other.exe"), "", 0, 1},
      {stub::ExitsEntry(9, "C:\\Tools\\other.exe") + "|" + stub::ExitsEntry(7, stub), stub::StaysEntry(200, stub), 7, 2},
  };
  for (const Case& c : cases) {
    DeleteFileW(logPath.c_str());
    SetEnvironmentVariableW(stub::kLogVariable, logPath.c_str());
    SetEnvironmentVariableW(stub::kExitsVariable, text::ToWide(c.exits).c_str());
    SetEnvironmentVariableW(stub::kStaysVariable, text::ToWide(c.stays).c_str());
    std::wstring commandLine = L"\"" + stubPath + L"\" x";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    DWORD code = 0xDEAD;
    if (CreateProcessW(stubPath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
      win::Handle process(info.hProcess), thread(info.hThread);
      if (WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.get(), &code))
        code = 0xDEAD;
    }
    std::string log;
    win::File file(CreateFileW(logPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    char buffer[4096];
    DWORD read = 0;
    while (file.valid() && ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) log.append(buffer, read);
    Check(code == c.code, "the stub with exits '" + c.exits + "' ended with " + std::to_string(code) + ", not " +
                              std::to_string(c.code));
    Check(stub::Parse(log).size() == c.records, "the stub's log with exits '" + c.exits + "'");
  }
  SetEnvironmentVariableW(stub::kLogVariable, nullptr);
  SetEnvironmentVariableW(stub::kExitsVariable, nullptr);
  SetEnvironmentVariableW(stub::kStaysVariable, nullptr);
  DeleteFileW(logPath.c_str());
}

void ShellParams() {
  struct Case {
    std::string commandLine, params;
  } cases[] = {
      {"\"C:\\Tools\\ed.exe\"", ""},
      {"\"C:\\Tools\\ed.exe\" C:\\x.log", "C:\\x.log"},
      {"\"C:\\sp ace\\ed it.exe\" a b", "a b"},
      {"\"C:\\windows\\Notepa~.exe\"   x  ", "  x  "},
      {"C:\\Tools\\ed.exe /p \"C:\\a b.txt\"", "/p \"C:\\a b.txt\""},
      {"C:\\Tools\\ed.exe", ""},
  };
  for (const Case& c : cases)
    Check(observed::ShellParamsOf(c.commandLine) == c.params, "shell params of " + c.commandLine);
}

stub::Record Rec(stub::Record::Kind kind, long long ticks, const std::string& title, const std::string& line) {
  stub::Record r;
  r.kind = kind;
  r.ticks = ticks;
  r.module = "C:\\Tools\\ed.exe";
  r.title = title;
  r.commandLine = line;
  return r;
}

void MergeOrder() {
  std::vector<observed::Box> boxes = {{50, scn::kProductCaption, "text", "info"}};
  std::vector<stub::Record> records = {
      Rec(stub::Record::Start, 100, "mark", "C:\\Tools\\ed.exe \"C:\\a.txt\""),
      Rec(stub::Record::Start, 10, "C:\\Tools\\ed.exe", "\"C:\\Tools\\ed.exe\" C:\\b"),
      Rec(stub::Record::End, 300, "mark", ""),
  };
  struct Case {
    long long launcherEnd;
    std::vector<scn::SeenEvent::Kind> kinds;
  } cases[] = {
      {400, {scn::SeenEvent::Shell, scn::SeenEvent::Box, scn::SeenEvent::Start, scn::SeenEvent::Waited}},
      {200, {scn::SeenEvent::Shell, scn::SeenEvent::Box, scn::SeenEvent::Start}},
  };
  for (const Case& c : cases) {
    std::vector<scn::SeenEvent> events = observed::Merge(boxes, records, "mark", c.launcherEnd);
    bool same = events.size() == c.kinds.size();
    for (size_t i = 0; same && i < events.size(); ++i) same = events[i].kind == c.kinds[i];
    Check(same, "merge order with the launcher ending at " + std::to_string(c.launcherEnd));
    Check(events[0].file == "C:\\Tools\\ed.exe" && events[0].params == "C:\\b", "shell event fields");
    Check(events[2].commandLine == "C:\\Tools\\ed.exe \"C:\\a.txt\"", "start event fields");
  }
}

void IconChoice() {
  const icons::Pixels plain(4, 0xF0F0F0), red = {0xFF0000, 0xFF0000, 0xF0F0F0, 0xF0F0F0},
                      blue = {0xF0F0F0, 0x0000FF, 0x0000FF, 0xF0F0F0};
  const std::vector<icons::Reference> refs = {{"error", red}, {"info", blue}, {"none", plain}};
  struct Case {
    icons::Pixels seen;
    std::string name;
  } cases[] = {
      {red, "error"},
      {blue, "info"},
      {plain, "none"},
      {{0xEE0000, 0xFF0000, 0xF0F0F0, 0xF0F0F0}, "error"},
  };
  for (const Case& c : cases) Check(icons::Nearest(c.seen, refs) == c.name, "icon nearest " + c.name);
  Check(icons::Distance(red, red) == 0 && icons::Distance(red, plain) == 2 * (0x0F + 0xF0 + 0xF0), "distance");
}

void VersionPatch() {
  std::string image = std::string("MZ..", 4) + std::string("\xBD\x04\xEF\xFE", 4) + std::string(4, '\x01') +
                      std::string(8, '\x09') + "tail";
  Check(stub::PatchFileVersion(&image, 0x00050032, 0), "the signature is found");
  Check(image.substr(12, 8) == std::string("\x32\x00\x05\x00\x00\x00\x00\x00", 8), "version written little-endian");
  std::string misaligned = "MZ." + std::string("\xBD\x04\xEF\xFE", 4) + std::string(16, '\0');
  Check(!stub::PatchFileVersion(&misaligned, 1, 1), "a misaligned signature is not the structure");
}

// Wine's trace: the starts, told from the shell's opens by the shell's line
// before them on the same thread, escapes undone.
void TracedStarts() {
  const std::string trace =
      "2518.854:0104:trace:process:CreateProcessInternalW app (null) cmdline L\"C:\\\\windows\\\\notepad.exe "
      "\\\"C:\\\\caf\\00e9\\d83d\\de00.txt\\\"\"\n"
      "2518.860:0104:trace:process:CreateProcessInternalW started process pid 0108 tid 010c\n"
      "2519.001:0114:trace:exec:SHELL_ExecuteW Execute L\"\\\"C:\\\\windows\\\\notepad.exe\\\"\" from directory L\"\"\n"
      "2519.002:0118:trace:process:CreateProcessInternalW app (null) cmdline L\"C:\\\\x.exe\"\n"
      "2519.003:0114:trace:process:CreateProcessInternalW app (null) cmdline L\"\\\"C:\\\\windows\\\\notepad.exe\\\"\"\n";
  const std::vector<observed::TracedStart> starts = observed::TracedStartsIn(trace, 10);
  Check(starts.size() == 3, "three starts traced");
  if (starts.size() != 3) return;
  Check(starts[0].ticks == 25188540 && !starts[0].shell && starts[0].program == "C:\\windows\\notepad.exe" &&
            starts[0].commandLine == "C:\\windows\\notepad.exe \"C:\\caf\xC3\xA9\xF0\x9F\x98\x80.txt\"",
        "a start, its time and its escapes");
  Check(!starts[1].shell, "another thread's start is no shell open");
  Check(starts[2].shell && starts[2].program == "C:\\windows\\notepad.exe", "the shell's open");
}

scn::Scenario Scenario(int codepage, char decimal, bool nt95) {
  scn::Scenario s;
  s.codepage = codepage;
  s.decimal = decimal;
  s.system95 = nt95;
  return s;
}

void Passes() {
  const passes::Pass ja{932, '.'}, en{1252, '.'}, de{1252, ','};
  using V = passes::Verdict;
  struct Case {
    scn::Scenario s;
    passes::Pass pass;
    V verdict;
  } cases[] = {
      {Scenario(932, '.', false), ja, V::Run},         {Scenario(932, '.', false), en, V::NotThisPass},
      {Scenario(1252, '.', false), en, V::Run},        {Scenario(1252, ',', false), de, V::Run},
      {Scenario(1252, ',', false), en, V::NotThisPass}, {Scenario(932, ',', false), ja, V::Skip},
      {Scenario(932, ',', false), de, V::NotThisPass}, {Scenario(1252, '.', true), ja, V::Skip},
      {Scenario(1252, '.', true), en, V::NotThisPass},
  };
  for (const Case& c : cases) {
    std::string why;
    Check(passes::Judge(c.s, c.pass, &why) == c.verdict && (c.verdict != V::Skip) == why.empty(),
          "pass verdict for code page " + std::to_string(c.s.codepage) + " " + c.s.decimal);
  }
  Check(passes::UnixLocaleOf(ja) == "ja_JP.UTF-8" && passes::UnixLocaleOf(en) == "en_US.UTF-8" &&
            passes::UnixLocaleOf(de) == "de_DE.UTF-8",
        "unix locales");

  const std::string file =
      "# intro\n== a\nrun x\n== b\ncodepage 1252\nrun y\n== c\ndecimal ,\ncodepage 1252\nrun z\n";
  Check(passes::OnlyThisPass("f", file, ja) == "# intro\n== a\nrun x\n\n\n\n\n\n\n\n", "default pass keeps its own");
  Check(passes::OnlyThisPass("f", file, en) == "\n\n\n== b\ncodepage 1252\nrun y\n\n\n\n\n", "1252 pass keeps its own");
  std::vector<std::string> errors;
  Check(scn::ParseScenarios("f", passes::OnlyThisPass("f", file, de), &errors).size() == 1 && errors.empty(),
        "a filtered file still parses");
}

}  // namespace

int main() {
  LogRoundTrip();
  StaysAndExits();
  StubExitCodes();
  ShellParams();
  MergeOrder();
  TracedStarts();
  IconChoice();
  VersionPatch();
  Passes();
  if (failures == 0) std::printf("harness tests passed\n");
  return failures == 0 ? 0 : 1;
}
