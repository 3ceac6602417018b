// Counts the system calls of one launcher run on the in-memory machine:
// default settings but the editor, a plain file, the normal route.
#include <cstdio>
#include <cstdlib>

#include "launcher/launcher.h"
#include "tests/fake/fake_os.h"

namespace {

void Report(const char* route, const char* commandLine) {
  fake::Machine& m = fake::machine();
  m.commandLine = commandLine;
  m.modulePath = "C:\\Velquin\\notepad.exe";
  velquin::LauncherMain();
  int registry = 0, files = 0, other = 0;
  for (const auto& [call, count] : m.calls) {
    if (call.rfind("Reg", 0) == 0) registry += count;
    else if (call == "FindFirstFile" || call == "FindClose" || call == "MoveFile" || call == "DeleteFile" ||
             call.rfind("FileTime", 0) == 0 || call.rfind("GetFileVersion", 0) == 0)
      files += count;
    else
      other += count;
  }
  if (std::getenv("VELQUIN_FOOTPRINT_CALLS"))
    for (const auto& [call, count] : m.calls) std::printf("  %s %d\n", call.c_str(), count);
  std::printf("%s: %d registry calls, %d file-system calls, %d other calls, %zu events\n", route, registry, files,
              other, m.events.size());
}

void Prepare() {
  fake::Reset();
  fake::AddDirectory("C:\\windows\\system32");
  fake::AddDirectory("C:\\TEMP");
  fake::AddProgram("C:\\Tools\\ed.exe");
  fake::AddFile("C:\\Docs\\memo.txt");
  fake::SetString("HKCU\\Software\\Tarrowind\\Velquin\\Setting", "Editor", "C:\\Tools\\ed.exe");
}

}  // namespace

int main() {
  Prepare();
  Report("normal route", "C:\\Velquin\\notepad.exe C:\\Docs\\memo.txt");
  Prepare();
  fake::SetString("HKCU\\Software\\Tarrowind\\Velquin\\Setting", "HtmlEditor", "C:\\Tools\\ed.exe");
  fake::SetString("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths", "Directory",
                  "C:\\Cache");
  fake::SetString("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE", "", "C:\\IE\\ie.exe");
  fake::AddProgram("C:\\IE\\ie.exe", fake::Program{true, 6u << 16, 0});
  fake::AddFile("C:\\Cache\\X1\\source");
  Report("html route", "\"C:\\Velquin\\notepad.exe\" C:\\Cache\\X1\\source");
  return 0;
}
