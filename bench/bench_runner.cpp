// Times the launcher against the forwarder under Wine: from the moment a
// process is created to the moment the stand-in editor it leads to starts.
// Runs alternate in pairs (launcher, then forwarder) so that both see the
// same machine. Each route gets two figures: the ratio of a low percentile
// of each side, which what else the machine runs moves least, and the
// paired median, from the per-pair differences.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
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

std::string Utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
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

// --- Message boxes of the process waited for --------------------------------

struct BoxSearch {
  DWORD processId;
  HWND box;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
  BoxSearch* search = reinterpret_cast<BoxSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  wchar_t cls[16] = {};
  if (pid != search->processId || !GetClassNameW(window, cls, 16) || lstrcmpW(cls, L"#32770") != 0) return TRUE;
  search->box = window;
  return FALSE;
}

std::wstring BoxText(HWND box) {
  HWND text = GetDlgItem(box, 0xFFFF);  // the message's static control
  if (!text) return std::wstring();
  std::wstring buffer(static_cast<std::size_t>(GetWindowTextLengthW(text)) + 1, L'\0');
  buffer.resize(static_cast<std::size_t>(std::max(GetWindowTextW(text, &buffer[0], static_cast<int>(buffer.size())), 0)));
  return buffer;
}

// Waits for a started program to end. A box it shows is read and closed at
// once: one that reports Wine's refused start (error 1359) means "run the
// pair again" (false); any other ends the bench with its text. Looking for
// windows costs server requests, so the look starts only once the program
// is late: a run that ends normally is never disturbed by it.
bool WaitForEnd(const PROCESS_INFORMATION& process) {
  if (WaitForSingleObject(process.hProcess, 1000) == WAIT_OBJECT_0) return true;
  for (int waited = 1000; waited < 10000; waited += 20) {
    BoxSearch search{process.dwProcessId, nullptr};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    if (search.box) {
      const std::wstring text = BoxText(search.box);
      PostMessageW(search.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(search.box, IDOK)));
      if (text.find(L"(\u30A8\u30E9\u30FC 1359)") != std::wstring::npos) {  // "(エラー 1359)"
        if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
        return false;
      }
      TerminateProcess(process.hProcess, 1);
      std::string shown = Utf8(text);
      std::replace(shown.begin(), shown.end(), '\r', ' ');
      std::fprintf(stderr, "bench: the launcher showed a box: %s\n", shown.c_str());
      ExitProcess(2);
    }
    if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0) return true;
  }
  TerminateProcess(process.hProcess, 1);
  return true;
}

// Milliseconds from creating the process to the editor's start; negative
// when the editor never started (a transient of Wine's: run again).
double Measure(const std::wstring& commandLine, DWORD* processId = nullptr) {
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
  if (processId) *processId = process.dwProcessId;
  const bool ended = WaitForEnd(process);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (!ended) return -1;
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

// --- The statistic ------------------------------------------------------------

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Interpolated between the two nearest order statistics, so that a few
// samples more or less move it a little instead of by a whole step.
double Percentile(std::vector<double> values, double percent) {
  std::sort(values.begin(), values.end());
  const double at = (values.size() - 1) * percent / 100;
  const std::size_t below = static_cast<std::size_t>(at);
  if (below + 1 >= values.size()) return values.back();
  return values[below] + (values[below + 1] - values[below]) * (at - below);
}

// What the machine adds to a run (another process on the core, a missed
// tick, the server busy with someone else) only ever makes it longer, and
// it comes in lumps that land on either side at random. A low percentile
// of each side is the time of the runs that got least of it, so the ratio
// of the two moves little with how busy the machine was.
const double kHeadlinePercent = 10;

struct Figure {
  double launcher, forwarder, ratio, low, high;
  std::size_t pairs;
};

struct Estimator {
  double (*side)(const std::vector<double>&);
  double (*ratio)(const std::vector<double>& launcher, const std::vector<double>& forwarder);
};

double LowPercentile(const std::vector<double>& values) { return Percentile(values, kHeadlinePercent); }

double LowPercentileRatio(const std::vector<double>& launcher, const std::vector<double>& forwarder) {
  return LowPercentile(launcher) / LowPercentile(forwarder);
}

double MedianSide(const std::vector<double>& values) { return Median(values); }

// A step that both runs of a pair took cancels out in their difference.
double PairedMedianRatio(const std::vector<double>& launcher, const std::vector<double>& forwarder) {
  std::vector<double> differences(launcher.size());
  for (std::size_t i = 0; i < launcher.size(); ++i) differences[i] = launcher[i] - forwarder[i];
  return 1 + Median(differences) / Median(forwarder);
}

// The ratio with a 95% percentile bootstrap interval, resampling whole
// pairs; a fixed seed, so that the same samples always give the same
// interval.
Figure Summarise(const Estimator& estimator, const std::vector<double>& launcher,
                 const std::vector<double>& forwarder) {
  const std::size_t n = launcher.size();
  std::mt19937 random(20161);
  std::uniform_int_distribution<std::size_t> pick(0, n - 1);
  std::vector<double> ratios, a(n), b(n);
  for (int resample = 0; resample < 2000; ++resample) {
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t k = pick(random);
      a[i] = launcher[k], b[i] = forwarder[k];
    }
    ratios.push_back(estimator.ratio(a, b));
  }
  std::sort(ratios.begin(), ratios.end());
  return Figure{estimator.side(launcher), estimator.side(forwarder), estimator.ratio(launcher, forwarder),
                ratios[49], ratios[1949], n};
}

void Print(const std::string& label, const Figure& f) {
  std::printf("%s: velquin %.2f ms, forwarder %.2f ms, ratio %.3f (95%% interval %.3f-%.3f, %zu pairs)\n",
              label.c_str(), f.launcher, f.forwarder, f.ratio, f.low, f.high, f.pairs);
  std::fflush(stdout);
}

// --- Runs ---------------------------------------------------------------------

// BENCH_SAMPLES=1 prints every pair, for a look at the spread.
bool ShowSamples() { return GetEnvironmentVariableW(L"BENCH_SAMPLES", nullptr, 0) > 0; }

struct Route {
  const char* name;
  std::wstring launcherLine, forwarderLine;
};

struct Samples {
  std::vector<double> launcher, forwarder;
};

// A pair in which either editor failed to start (a transient of Wine's) is
// run again, one time in ten at most.
Samples Alternate(int pairs, const Route& route) {
  Samples samples;
  int retries = 0;
  for (int i = -3; i < pairs; ++i) {  // three warm-up pairs
    const double x = Measure(route.launcherLine);
    const double y = Measure(route.forwarderLine);
    if (x < 0 || y < 0) {
      if (++retries > std::max(5, pairs / 10)) Fail("the editor did not start");
      if (ShowSamples()) std::fprintf(stderr, "%s pair %d: run again\n", route.name, i);
      --i;
      continue;
    }
    if (ShowSamples()) std::fprintf(stderr, "%s pair %d: %.2f %.2f\n", route.name, i, x, y);
    if (i >= 0) samples.launcher.push_back(x), samples.forwarder.push_back(y);
  }
  return samples;
}

void Report(const Route& route, const Samples& samples) {
  Print(route.name, Summarise(Estimator{LowPercentile, LowPercentileRatio}, samples.launcher, samples.forwarder));
  Print(std::string(route.name) + " paired median",
        Summarise(Estimator{MedianSide, PairedMedianRatio}, samples.launcher, samples.forwarder));
}

// For the server-request count: the process ids of a few runs of each, for
// the trace to be filtered by.
void ListProcesses(int pairs, const Route& route) {
  for (int i = 0; i < pairs; ++i) {
    DWORD launcher = 0, forwarder = 0;
    if (Measure(route.launcherLine, &launcher) < 0 || Measure(route.forwarderLine, &forwarder) < 0) {
      --i;
      continue;
    }
    std::printf("process %s velquin %04lx\nprocess %s forwarder %04lx\n", route.name, launcher, route.name,
                forwarder);
  }
  std::fflush(stdout);
}

void Copy(const wchar_t* from, const std::wstring& to) {
  if (!CopyFileW(from, to.c_str(), FALSE)) Fail("cannot copy a program");
}

// The numbered-name loop: the file goes to the first free name after K
// taken ones, and is put back after every run.
void Numbered(const std::wstring& velquin, int runs) {
  const std::wstring temp = std::wstring(kDir) + L"\\tmp\\";
  CreateDirectoryW(temp.c_str(), nullptr);
  SetEnvironmentVariableW(L"TMP", temp.c_str());
  SetEnvironmentVariableW(L"TEMP", temp.c_str());
  ResetSettings();
  SetString(HKEY_CURRENT_USER, kSettings, L"ChangeIeExt", L"1");
  WriteFileText(temp + L"abc", "x\r\n");
  WriteFileText(temp + L"abc.htm", "x\r\n");
  double numbered[2] = {0, 0};
  int retries = 0;
  for (int round = 0; round < 2; ++round) {
    const int taken = round == 0 ? 0 : 1000;
    for (int k = 1; k <= taken; ++k) WriteFileText(temp + L"abc_" + std::to_wstring(k) + L".htm", "x\r\n");
    const std::wstring renamed = temp + L"abc_" + std::to_wstring(taken + 1) + L".htm";
    std::vector<double> times;
    for (int i = -3; i < runs; ++i) {
      const double t = Measure(L"\"" + velquin + L"\" " + temp + L"abc");
      // The rename comes before the start, so a refused start leaves it too.
      if (!MoveFileW(renamed.c_str(), (temp + L"abc").c_str())) Fail("the file was not renamed as expected");
      if (t < 0) {
        if (++retries > 5) Fail("the editor did not start");
        --i;
        continue;
      }
      if (i >= 0) times.push_back(t);
    }
    numbered[round] = Median(times);
  }
  std::printf("numbered: 1 taken %.2f ms, 1001 taken %.2f ms\n", numbered[0], numbered[1]);
  std::fflush(stdout);
  SetEnvironmentVariableW(L"TMP", nullptr);
  SetEnvironmentVariableW(L"TEMP", nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const wchar_t *launcher = nullptr, *forwarder = nullptr, *editor = nullptr;
  int pairs = 500, listed = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring flag = argv[i];
    if (flag == L"--launcher") launcher = argv[i + 1];
    else if (flag == L"--forwarder") forwarder = argv[i + 1];
    else if (flag == L"--editor") editor = argv[i + 1];
    else if (flag == L"--pairs") pairs = _wtoi(argv[i + 1]);
    else if (flag == L"--list-processes") listed = _wtoi(argv[i + 1]);
  }
  if (!launcher || !forwarder || !editor || pairs < 1) {
    std::fprintf(stderr,
                 "usage: bench_runner --launcher EXE --forwarder EXE --editor EXE [--pairs N] [--list-processes N]\n");
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
  const std::function<void(int, const Route&)> run = [&](int n, const Route& route) {
    if (listed > 0) ListProcesses(listed, route);
    else Report(route, Alternate(n, route));
  };

  // The normal route first, as the server requests are listed.
  ResetSettings();
  run(pairs, Route{"launch", velquin + L" C:\\Docs\\memo.txt", relay + L" " + ed + L" \"C:\\Docs\\memo.txt\""});

  // The HTML route: a browser cache entry without extension, a quoted
  // launcher path, and the version check of the registered browser.
  const std::wstring cache = dir + L"\\cache";
  const wchar_t kCachePaths[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths";
  CreateDirectoryW(cache.c_str(), nullptr);
  CreateDirectoryW((cache + L"\\X1").c_str(), nullptr);
  WriteFileText(cache + L"\\X1\\source", "<html></html>\r\n");
  ResetSettings();
  SetString(HKEY_CURRENT_USER, kSettings, L"HtmlEditor", ed);
  SetString(HKEY_LOCAL_MACHINE, kCachePaths, L"Directory", cache);
  SetString(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE", L"", ed);
  run(pairs, Route{"html", L"\"" + velquin + L"\" " + cache + L"\\X1\\source",
                   relay + L" " + ed + L" \"" + cache + L"\\X1\\source\""});
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kCachePaths);

  // Single runs of a few hundred milliseconds each: thirty are plenty.
  if (listed == 0) Numbered(velquin, 30);
  return 0;
}
