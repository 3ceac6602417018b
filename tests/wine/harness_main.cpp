// Runs scenario files against the real launcher under Wine, one locale pass
// at a time (see passes.h):
//   harness.exe --launcher EXE --stub EXE --versioned-stub EXE
//               [--codepage 932|1252] [--decimal .|,] [--timeout MS] [--times]
//               [--trace FILE] FILE...
// --trace names the file the harness's standard error goes to: Wine writes
// the process trace there, from which a launcher copy's start is read.
// Files may be given as unix paths. Prints the shared PASS/FAIL/SKIP lines
// and the closing count; exits non-zero when any failed.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "launcher_run.h"
#include "passes.h"
#include "text.h"
#include "win_handles.h"

namespace {

// Wine shows the unix file system as drive Z:.
std::wstring WindowsPathOf(const std::string& path) {
  if (path.empty() || path[0] != '/') return text::ToWide(path);
  std::string out = "Z:" + path;
  for (char& c : out)
    if (c == '/') c = '\\';
  return text::ToWide(out);
}

bool ReadBytes(const std::wstring& path, std::string* out) {
  win::File file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  out->clear();
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) out->append(buffer, n);
  return true;
}

int Usage() {
  std::fprintf(stderr,
               "usage: harness --launcher EXE --stub EXE --versioned-stub EXE [--codepage 932|1252] "
               "[--decimal .|,] [--timeout MS] [--times] [--trace FILE] FILE...\n");
  return 2;
}

std::wstring HarnessWorkDirectory() {
  wchar_t temp[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  return std::wstring(temp, n) + L"velquin-harness";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // plain \n and UTF-8 bytes, as the fake prints
  harness::Config config;
  std::vector<std::string> files;
  std::wstring launcher, stub, versionedStub;
  bool times = false;  // each scenario's milliseconds on stderr
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == L"--launcher" && hasValue) launcher = argv[++i];
    else if (arg == L"--stub" && hasValue) stub = argv[++i];
    else if (arg == L"--versioned-stub" && hasValue) versionedStub = argv[++i];
    else if (arg == L"--codepage" && hasValue) config.pass.codepage = _wtoi(argv[++i]);
    else if (arg == L"--decimal" && hasValue) config.pass.decimal = static_cast<char>(argv[++i][0]);
    else if (arg == L"--timeout" && hasValue) config.timeoutMs = _wtoi(argv[++i]);
    else if (arg == L"--times") times = true;
    else if (arg == L"--trace" && hasValue) config.tracePath = WindowsPathOf(text::ToUtf8(argv[++i]));
    else if (arg.compare(0, 2, L"--") == 0) return Usage();
    else files.push_back(text::ToUtf8(arg));
  }
  if (launcher.empty() || stub.empty() || versionedStub.empty()) return Usage();
  if (!ReadBytes(WindowsPathOf(text::ToUtf8(launcher)), &config.programs.launcher) ||
      !ReadBytes(WindowsPathOf(text::ToUtf8(stub)), &config.programs.stub) ||
      !ReadBytes(WindowsPathOf(text::ToUtf8(versionedStub)), &config.programs.versionedStub)) {
    std::fprintf(stderr, "harness: cannot read the launcher or the stubs\n");
    return 2;
  }
  if (GetACP() != static_cast<UINT>(config.pass.codepage)) {
    std::fprintf(stderr, "harness: this Wine runs with code page %u, not %d: start it in the matching locale\n",
                 GetACP(), config.pass.codepage);
    return 2;
  }
  config.workDirectory = HarnessWorkDirectory();
  const passes::Pass pass = config.pass;
  harness::Runner runner(std::move(config));
  auto readFile = [&](const std::string& name, std::string* content) {
    std::string raw;
    if (!ReadBytes(WindowsPathOf(name), &raw)) return false;
    *content = passes::OnlyThisPass(name, raw, pass);
    return true;
  };
  auto runOne = [&](const scn::Scenario& s, std::string* skip) {
    const ULONGLONG start = GetTickCount64();
    std::string result = runner.Run(s, skip);
    if (times) std::fprintf(stderr, "%6llu ms  %s\n", GetTickCount64() - start, s.name.c_str());
    return result;
  };
  const scn::Totals totals = scn::RunScenarioFiles(files, readFile, runOne, "wine");
  std::printf("%d passed, %d failed, %d skipped\n", totals.passed, totals.failed, totals.skipped);
  std::fflush(stdout);
  return totals.failed == 0 ? 0 : 1;
}
