// Runs scenario files against the in-memory machine: sets it up from each
// scenario, runs the launcher's entry, reports what happened.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "launcher/launcher.h"
#include "tests/fake/fake_os.h"
#include "tests/scenario/nested_launcher.h"
#include "tests/scenario/scenario.h"

namespace {

std::string KeyPathOf(const scn::RegValueSpec& where) { return where.root + "\\" + fake::ToAnsi(where.path); }

std::string ApplySetup(const scn::Scenario& s) {
  fake::Reset();
  fake::Machine& m = fake::machine();
  m.codePage = s.codepage;
  m.platformId = s.system95 ? 1 : 2;
  m.decimalSeparator = std::string(1, s.decimal);
  m.tempPath = fake::ToAnsi(s.temp);
  m.currentDirectory = fake::ToAnsi(s.cwd.back() == '\\' ? s.cwd : s.cwd + "\\");
  m.startup.hasTitle = true;
  m.startup.title = "scenario";
  fake::AddDirectory(m.windowsDirectory);
  fake::AddDirectory(m.systemDirectory);
  fake::AddDirectory(m.tempPath);
  fake::AddDirectory(m.currentDirectory);
  for (const scn::SetupItem& item : s.setup) {
    switch (item.kind) {
      case scn::SetupItem::Key:
        fake::AddKey(KeyPathOf(item.value));
        break;
      case scn::SetupItem::Launcher: {
        fake::Program program;
        program.launcher = true;
        fake::AddProgram(fake::Utf16(item.path), program);
        break;
      }
      case scn::SetupItem::Redirect:
        fake::SetStringUtf8(
            "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\" + item.imageName,
            "Debugger", item.path);
        break;
      case scn::SetupItem::Access:
        fake::AddKey(KeyPathOf(item.value)).grants = item.readOnly ? os::kKeyRead : 0;
        break;
      case scn::SetupItem::Reg: {
        const scn::RegValueSpec& v = item.value;
        std::vector<unsigned char> data;
        std::uint32_t type = os::kRegSz;
        std::optional<std::u16string> wideText;
        if (v.type == "sz" || v.type == "expand") {
          // Stored through the W call: the A read sees the ANSI conversion.
          const std::string ansi = fake::AnsiOfWide(fake::Utf16(v.data));
          if (fake::RealOfAnsi(ansi) != v.data) wideText = fake::Utf16(v.data);
          data.assign(ansi.begin(), ansi.end());
          data.push_back(0);
          type = v.type == "sz" ? os::kRegSz : os::kRegExpandSz;
        } else if (v.type == "dword") {
          const std::uint32_t number = static_cast<std::uint32_t>(std::stoul(v.data));
          for (int i = 0; i < 4; ++i) data.push_back(static_cast<unsigned char>(number >> (8 * i)));
          type = os::kRegDword;
        } else if (v.type == "raw") {
          data.assign(v.rawBytes.begin(), v.rawBytes.end());
          type = v.rawType;
        } else {
          std::string bytes;
          if (!scn::ParseHexBytes(v.data, &bytes)) return "bad binary data: " + v.data;
          data.assign(bytes.begin(), bytes.end());
          type = os::kRegBinary;
        }
        fake::SetValue(KeyPathOf(v), fake::ToAnsi(v.name), type, data);
        fake::FindValue(KeyPathOf(v), fake::ToAnsi(v.name))->wideText = wideText;
        break;
      }
      case scn::SetupItem::File: {
        std::uint64_t time = 0;
        if (!item.time.empty())
          time = fake::FileTimeOfDate(std::stoi(item.time.substr(0, 4)), std::stoi(item.time.substr(5, 2)),
                                      std::stoi(item.time.substr(8, 2)));
        fake::AddFile(fake::Utf16(item.path), time).locked = item.locked;
        break;
      }
      case scn::SetupItem::Dir:
        fake::AddDirectory(fake::Utf16(item.path));
        break;
      case scn::SetupItem::Program: {
        fake::Program program;
        program.staysMs = item.staysMs;
        if (item.exitCode != 0)
          program.run = [code = static_cast<std::uint32_t>(item.exitCode)](const std::string&) { return code; };
        program.hasVersion = item.hasVersion;
        program.versionMS = (item.versionMajor << 16) | item.versionMinor;
        fake::AddProgram(fake::Utf16(item.path), program);
        break;
      }
    }
  }
  // Handed over as CreateProcessW hands it: the wide view exact, the ANSI
  // view the system's conversion of it, look-alikes and all.
  m.commandLine = s.commandLineBytes ? fake::CommandLineAsReported(s.commandLine)
                                     : fake::AnsiOfWide(fake::Utf16(s.commandLine));
  if (!s.commandLineBytes) m.wideCommandLine = fake::Utf16(s.commandLine);
  const std::string launcher = scn::LauncherPathOf(s.commandLine);
  m.modulePath = s.commandLineBytes ? launcher : fake::ToAnsi(launcher);
  // The launcher in place of a copy a setup line made stays a copy.
  const fake::FileNode* placed = fake::FindFile(m.modulePath);
  if (!placed || !placed->program || !placed->program->launcher) fake::AddProgram(m.modulePath);
  scn::RunLaunchersAgainOnTheFake();
  return "";
}

std::string IconOf(std::uint32_t style) {
  switch (style & 0xF0) {
    case 0x10: return "error";
    case 0x40: return "info";
    case 0x00: return "none";
    default: return "other";
  }
}

scn::SeenRun Observe(int exitCode) {
  scn::SeenRun seen;
  seen.exitCode = exitCode;
  for (const fake::Event& e : fake::machine().events) {
    scn::SeenEvent out;
    switch (e.kind) {
      case fake::Event::Box:
        out.kind = scn::SeenEvent::Box;
        out.caption = e.caption;
        out.text = e.text;
        out.icon = IconOf(e.style);
        break;
      case fake::Event::Shell:
        out.kind = scn::SeenEvent::Shell;
        out.file = e.realFile;
        out.params = e.realParameters;
        break;
      case fake::Event::Start:
        out.kind = scn::SeenEvent::Start;
        out.commandLine = e.realCommandLine;
        break;
      case fake::Event::Waited:
        out.kind = scn::SeenEvent::Waited;
        break;
      default:
        continue;  // renames and deletions show in the after checks
    }
    seen.events.push_back(out);
  }
  return seen;
}

// The machine holds no bytes: a file's content is what it was made as.
scn::SeenFile SeenFileOf(const fake::FileNode& node) {
  scn::SeenFile out;
  out.name = scn::FileNameOf(node.path);
  out.directory = node.directory;
  out.lastWrite = node.lastWriteTime;
  if (node.program)
    out.content = "program " + std::to_string(node.program->versionMS) + (node.program->hasVersion ? "v" : "");
  else if (!node.directory)
    out.content = "file";
  return out;
}

scn::AfterProbe Probe() {
  scn::AfterProbe probe;
  probe.fileExists = [](const std::string& path) {
    const fake::FileNode* node = fake::FindFile(fake::Utf16(path));
    return node != nullptr && !node->directory;
  };
  probe.regValue = [](const scn::RegValueSpec& where) -> std::optional<scn::SeenRegValue> {
    const fake::RegValue* value = fake::FindValue(KeyPathOf(where), fake::ToAnsi(where.name));
    if (!value) return std::nullopt;
    scn::SeenRegValue out;
    const std::string bytes(value->data.begin(), value->data.end());
    switch (value->type) {
      case os::kRegSz:
      case os::kRegExpandSz:
        out.type = value->type == os::kRegSz ? "sz" : "expand";
        out.data = fake::FromAnsi(bytes.substr(0, bytes.find('\0')));
        break;
      case os::kRegDword: {
        std::uint32_t number = 0;
        for (std::size_t i = 0; i < 4 && i < value->data.size(); ++i) number |= std::uint32_t(value->data[i]) << (8 * i);
        out.type = "dword";
        out.data = std::to_string(number);
        break;
      }
      default:
        out.type = value->type == os::kRegBinary ? "binary" : std::to_string(value->type);
        out.data = scn::HexBytes(std::string(value->data.begin(), value->data.end()));
    }
    return out;
  };
  probe.fileAt = [](const std::string& path) -> std::optional<scn::SeenFile> {
    const fake::FileNode* node = fake::FindFile(fake::Utf16(path));
    if (!node) return std::nullopt;
    return SeenFileOf(*node);
  };
  probe.namesIn = [](const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& [key, node] : fake::machine().files)
      if (scn::FoldedPath(scn::FolderOf(node.path)) == scn::FoldedPath(folder)) names.push_back(scn::FileNameOf(node.path));
    return names;
  };
  return probe;
}

std::string RunOne(const scn::Scenario& s, std::string*) {
  const std::string setupFailure = ApplySetup(s);
  if (!setupFailure.empty()) return "setup: " + setupFailure;
  const scn::FilesBefore before = scn::TakeFilesBefore(s, Probe());
  const int exitCode = velquin::LauncherMain();
  scn::SeenRun seen = Observe(exitCode);
  seen.filesBefore = before;
  return scn::CompareRun(s, seen, Probe());
}

bool ReadWholeFile(const std::string& path, std::string* content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  *content = text.str();
  return true;
}

// Folders stand for the scenario files in them, in name order.
std::vector<std::string> ScenarioFiles(char** first, char** last) {
  std::vector<std::string> files;
  for (char** arg = first; arg != last; ++arg) {
    if (!std::filesystem::is_directory(*arg)) {
      files.push_back(*arg);
      continue;
    }
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(*arg))
      if (entry.is_regular_file() && entry.path().extension() == ".scn") found.push_back(entry.path().string());
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> files = ScenarioFiles(argv + 1, argv + argc);
  const scn::Totals totals = scn::RunScenarioFiles(files, ReadWholeFile, RunOne, "fake");
  std::printf("%d passed, %d failed, %d skipped\n", totals.passed, totals.failed, totals.skipped);
  return totals.failed == 0 ? 0 : 1;
}
