// Times the launcher against the forwarder under Wine: from the moment a
// process is created to the moment the stand-in editor it leads to starts.
// Runs alternate between the two so that both see the same machine.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const wchar_t kDir[] = L"C:\\bench";
const wchar_t kSettings[] = L"Software\\Tarrowind\\Velquin\\Setting";

double TicksPerMs() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(frequency.QuadPart) / 1000.0;
}

void Fail(const char* what) {
  std::fprintf(stderr, "bench: %s (error %lu)\n", what, GetLastError());
  ExitProcess(2);
}

void WriteFileText(const std::wstring& path, const char* text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("cannot create a file");
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(lstrlenA(text)), &written, nullptr);
  CloseHandle(file);
}

void SetString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY handle;
  if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr) != ERROR_SUCCESS)
    Fail("cannot create a key");
  RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
}

void ResetSettings() {
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tarrowind");
  SetString(HKEY_CURRENT_USER, kSettings, L"Editor", std::wstring(kDir) + L"\\ed.exe");
}

// Milliseconds from creating the process to the editor's start; negative
// when the editor never started.
double Measure(const std::wstring& commandLine) {
  const std::wstring stamp = std::wstring(kDir) + L"\\ed.exe.stamp";
  DeleteFileW(stamp.c_str());
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  LARGE_INTEGER start;
  bool started = false;
  // Wine now and then refuses a start with ERROR_INTERNAL_ERROR right after
  // the previous run's processes ended; the next try succeeds.
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt > 0) Sleep(50);
    std::wstring writable = commandLine;
    QueryPerformanceCounter(&start);
    started = CreateProcessW(nullptr, &writable[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    if (!started && GetLastError() != ERROR_INTERNAL_ERROR) break;
  }
  if (!started) Fail("cannot start the program");
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int i = 0; i < 200; ++i) {
    HANDLE file = CreateFileW(stamp.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      char text[32] = {};
      DWORD read = 0;
      ReadFile(file, text, sizeof text - 1, &read, nullptr);
      CloseHandle(file);
      if (read > 0 && text[read - 1] == '\n') return (std::atoll(text) - start.QuadPart) / TicksPerMs();
    }
    Sleep(5);
  }
  return -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Pair {
  double launcher, forwarder;
};

// BENCH_SAMPLES=1 prints every pair, for a look at the spread.
bool ShowSamples() { return GetEnvironmentVariableW(L"BENCH_SAMPLES", nullptr, 0) > 0; }

// A pair in which either editor failed to start (a transient of Wine's) is
// run again, a few times at most.
template <typename Prepare>
Pair Alternate(int runs, const std::wstring& launcherLine, const std::wstring& forwarderLine, Prepare prepare) {
  std::vector<double> a, b;
  int retries = 0;
  for (int i = -3; i < runs; ++i) {  // three warm-up rounds
    prepare();
    const double x = Measure(launcherLine);
    prepare();
    const double y = Measure(forwarderLine);
    if (x < 0 || y < 0) {
      if (++retries > 5) Fail("the editor did not start");
      --i;
      continue;
    }
    if (ShowSamples()) std::fprintf(stderr, "pair %d: %.2f %.2f\n", i, x, y);
    if (i >= 0) a.push_back(x), b.push_back(y);
  }
  return Pair{Median(a), Median(b)};
}

void Copy(const wchar_t* from, const std::wstring& to) {
  if (!CopyFileW(from, to.c_str(), FALSE)) Fail("cannot copy a program");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const wchar_t *launcher = nullptr, *forwarder = nullptr, *editor = nullptr;
  int runs = 30;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring flag = argv[i];
    if (flag == L"--launcher") launcher = argv[i + 1];
    else if (flag == L"--forwarder") forwarder = argv[i + 1];
    else if (flag == L"--editor") editor = argv[i + 1];
    else if (flag == L"--runs") runs = _wtoi(argv[i + 1]);
  }
  if (!launcher || !forwarder || !editor || runs < 1) {
    std::fprintf(stderr, "usage: bench_runner --launcher EXE --forwarder EXE --editor EXE [--runs N]\n");
    return 2;
  }
  const std::wstring dir = kDir;
  CreateDirectoryW(dir.c_str(), nullptr);
  CreateDirectoryW(L"C:\\Docs", nullptr);
  Copy(launcher, dir + L"\\velquin.exe");
  Copy(forwarder, dir + L"\\forwarder.exe");
  Copy(editor, dir + L"\\ed.exe");
  WriteFileText(L"C:\\Docs\\memo.txt", "memo\r\n");
  const std::wstring velquin = dir + L"\\velquin.exe", relay = dir + L"\\forwarder.exe", ed = dir + L"\\ed.exe";

  // The HTML route: a browser cache entry without extension, a quoted
  // launcher path, and the version check of the registered browser.
  const std::wstring cache = dir + L"\\cache";
  CreateDirectoryW(cache.c_str(), nullptr);
  CreateDirectoryW((cache + L"\\X1").c_str(), nullptr);
  WriteFileText(cache + L"\\X1\\source", "<html></html>\r\n");
  auto htmlSettings = [&] {
    ResetSettings();
    SetString(HKEY_CURRENT_USER, kSettings, L"HtmlEditor", ed);
    SetString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths",
              L"Directory", cache);
    SetString(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE", L"", ed);
  };
  htmlSettings();
  const Pair html = Alternate(runs, L"\"" + velquin + L"\" " + cache + L"\\X1\\source",
                              relay + L" " + ed + L" \"" + cache + L"\\X1\\source\"", [] {});
  std::printf("html: velquin %.2f ms, forwarder %.2f ms, ratio %.3f\n", html.launcher, html.forwarder,
              html.launcher / html.forwarder);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths");

  // The numbered-name loop: the file goes to the first free name after K
  // taken ones, and is put back after every run.
  const std::wstring temp = dir + L"\\tmp\\";
  CreateDirectoryW(temp.c_str(), nullptr);
  SetEnvironmentVariableW(L"TMP", temp.c_str());
  SetEnvironmentVariableW(L"TEMP", temp.c_str());
  ResetSettings();
  SetString(HKEY_CURRENT_USER, kSettings, L"ChangeIeExt", L"1");
  WriteFileText(temp + L"abc", "x\r\n");
  WriteFileText(temp + L"abc.htm", "x\r\n");
  double numbered[2] = {0, 0};
  for (int round = 0; round < 2; ++round) {
    const int taken = round == 0 ? 0 : 1000;
    for (int k = 1; k <= taken; ++k) WriteFileText(temp + L"abc_" + std::to_wstring(k) + L".htm", "x\r\n");
    const std::wstring renamed = temp + L"abc_" + std::to_wstring(taken + 1) + L".htm";
    std::vector<double> times;
    for (int i = -3; i < runs; ++i) {
      const double t = Measure(L"\"" + velquin + L"\" " + temp + L"abc");
      if (t < 0) Fail("the editor did not start");
      if (!MoveFileW(renamed.c_str(), (temp + L"abc").c_str())) Fail("the file was not renamed as expected");
      if (i >= 0) times.push_back(t);
    }
    numbered[round] = Median(times);
  }
  std::printf("numbered: 1 taken %.2f ms, 1001 taken %.2f ms\n", numbered[0], numbered[1]);
  SetEnvironmentVariableW(L"TMP", nullptr);
  SetEnvironmentVariableW(L"TEMP", nullptr);

  // The normal route last, so that its line closes the report.
  ResetSettings();
  const Pair normal = Alternate(runs, velquin + L" C:\\Docs\\memo.txt", relay + L" " + ed + L" \"C:\\Docs\\memo.txt\"",
                                [] {});
  std::printf("launch: velquin %.2f ms, forwarder %.2f ms, ratio %.3f\n", normal.launcher, normal.forwarder,
              normal.launcher / normal.forwarder);
  return 0;
}
