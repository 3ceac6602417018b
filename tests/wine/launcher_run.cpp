#include "launcher_run.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>

#include "box_watch.h"
#include "observed.h"
#include "probe.h"
#include "stub_log.h"
#include "text.h"
#include "win_handles.h"

namespace harness {
namespace {

// The title of the startup information the launcher is given: the launcher
// hands its own to the editors it starts, the shell makes a fresh one.
const char kMarker[] = "velquin-harness-start";
const int kSettleMs = 2000;
// The launcher's report of a start that Wine refused with ERROR_INTERNAL_ERROR.
const char kWineRefusedStart[] = "(エラー 1359)";
// Wine's trace of every process start, with the milliseconds of its clock,
// which QueryPerformanceCounter shares.
const wchar_t kProcessTrace[] = L"-all,+timestamp,trace+process,trace+exec";

long long Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

std::wstring Upper(std::wstring s) {
  CharUpperBuffW(&s[0], static_cast<DWORD>(s.size()));
  return s;
}

// The harness's environment with the scenario's temporary directory and
// the stubs' instructions; the launcher passes it on to what it starts.
std::wstring EnvironmentBlock(const std::map<std::wstring, std::wstring>& overrides) {
  std::map<std::wstring, std::wstring> entries;  // upper name -> NAME=VALUE
  wchar_t* strings = GetEnvironmentStringsW();
  for (const wchar_t* p = strings; p && *p; p += lstrlenW(p) + 1) {
    std::wstring entry = p;
    size_t eq = entry.find(L'=', 1);  // "=C:=C:\..." entries start with '='
    entries[Upper(entry.substr(0, eq))] = entry;
  }
  if (strings) FreeEnvironmentStringsW(strings);
  for (const auto& o : overrides) entries[Upper(o.first)] = o.first + L"=" + o.second;
  std::wstring block;
  for (const auto& e : entries) block += e.second + L'\0';
  return block + L'\0';
}

std::string ReadWhole(const std::wstring& path) {
  win::File file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return std::string();
  std::string out;
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
  return out;
}


std::wstring ImageOf(DWORD pid) {
  win::Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  wchar_t path[MAX_PATH * 4];
  DWORD size = MAX_PATH * 4;
  if (!process.valid() || !QueryFullProcessImageNameW(process.get(), 0, path, &size)) return std::wstring();
  return Upper(std::wstring(path, size));
}

// A program the launcher started may not have written its start yet when
// the launcher ends: wait until every stub still in the job has. Other
// processes there (Wine's own helpers) are not waited for.
// A launcher copy may still show a box: the boxes are looked at meanwhile.
void SettleStubs(HANDLE job, const std::wstring& logPath, const std::set<std::wstring>& stubImages,
                 const std::set<std::wstring>& copyImages, const std::function<void()>& pollBoxes) {
  const ULONGLONG deadline = GetTickCount64() + kSettleMs;
  while (GetTickCount64() < deadline) {
    pollBoxes();
    std::vector<stub::Record> records = stub::Parse(ReadWhole(logPath));
    bool all = true;
    for (DWORD pid : boxes::ProcessesIn(job)) {
      bool logged = false;
      for (const stub::Record& r : records) logged = logged || r.pid == pid;
      // A process only just created cannot tell its image yet: it may be a
      // stub, so it is waited for like one.
      const std::wstring image = logged ? std::wstring() : ImageOf(pid);
      // A launcher copy logs nothing: it is waited for until it has ended.
      if (!image.empty() && copyImages.count(image)) {
        all = false;
        continue;
      }
      if (!logged && !image.empty() && !stubImages.count(image)) {
        if (std::getenv("VELQUIN_HARNESS_DEBUG")) std::fprintf(stderr, "not a stub: %ls\n", image.c_str());
        continue;
      }
      all = all && logged;
    }
    if (all) return;
    Sleep(10);
  }
}

void EndAll(HANDLE job) {
  TerminateJobObject(job, 1);
  const ULONGLONG deadline = GetTickCount64() + kSettleMs;
  while (!boxes::ProcessesIn(job).empty() && GetTickCount64() < deadline) Sleep(10);
  if (std::getenv("VELQUIN_HARNESS_DEBUG"))
    for (DWORD pid : boxes::ProcessesIn(job)) std::fprintf(stderr, "still in job: %lu %ls\n", pid, ImageOf(pid).c_str());
}

}  // namespace

Runner::Runner(Config config)
    : config_(std::move(config)),
      logPath_(config_.workDirectory + L"\\stub-log.txt"),
      journal_(config_.workDirectory + L"\\backups") {
  CreateDirectoryW(config_.workDirectory.c_str(), nullptr);
}

Runner::~Runner() { journal_.Undo(); }

std::string Runner::Run(const scn::Scenario& scenario, std::string* skipReason) {
  if (passes::Judge(scenario, config_.pass, skipReason) != passes::Verdict::Run) return "";
  std::string result;
  // Wine now and then refuses the editor's start with ERROR_INTERNAL_ERROR,
  // which the launcher reports like any failed start. Such a run tells
  // nothing about the launcher: it is made again on a fresh machine.
  bool refusedByWine = true;
  for (int attempt = 0; attempt < 5 && refusedByWine; ++attempt) {
    journal_.Undo();
    setup::RemoveForeignKeys();
    DeleteFileW(logPath_.c_str());
    refusedByWine = false;
    {
      setup::Prepared prepared;
      result = setup::Apply(scenario, config_.programs, &journal_, &prepared);
      result = result.empty() ? RunPrepared(scenario, prepared, &refusedByWine) : "setup: " + result;
    }  // locks released before the machine is taken back
    journal_.Undo();
    if (refusedByWine && std::getenv("VELQUIN_HARNESS_DEBUG"))
      std::fprintf(stderr, "editor start refused by Wine, again: %s\n", scenario.name.c_str());
  }
  return result;
}

std::string Runner::RunPrepared(const scn::Scenario& scenario, const setup::Prepared& prepared,
                                bool* refusedByWine) {
  const std::wstring temp = text::ToWide(scenario.temp);
  std::map<std::wstring, std::wstring> overrides = {{L"TMP", temp},
                                                     {L"TEMP", temp},
                                                     {stub::kLogVariable, logPath_},
                                                     {stub::kStaysVariable, text::ToWide(prepared.stays)},
                                                     {stub::kExitsVariable, text::ToWide(prepared.exits)}};
  std::wstring environment = EnvironmentBlock(overrides);

  // A launcher copy logs nothing of its own: its start is read from Wine's
  // process trace, which the launcher and everything it starts write to the
  // standard error they inherit from the harness.
  bool copies = false;
  for (const scn::SetupItem& item : scenario.setup) copies = copies || item.kind == scn::SetupItem::Launcher;
  long long traceStart = 0;
  if (copies) {
    if (config_.tracePath.empty()) return "a launcher copy's start needs the process trace (--trace)";
    overrides[L"WINEDEBUG"] = kProcessTrace;
    environment = EnvironmentBlock(overrides);
    traceStart = static_cast<long long>(ReadWhole(config_.tracePath).size());
  }

  win::Handle job(CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);

  // Bytes reach the launcher as CreateProcessA would hand them on.
  const auto wide = scenario.commandLineBytes ? text::AnsiToWide : text::ToWide;
  const std::wstring program = wide(scn::LauncherPathOf(scenario.commandLine));
  std::wstring commandLine = wide(scenario.commandLine);
  const std::wstring directory = text::ToWide(scenario.cwd);
  std::wstring title = text::ToWide(kMarker);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.lpTitle = &title[0];
  PROCESS_INFORMATION info{};
  const scn::FilesBefore filesBefore = scn::TakeFilesBefore(scenario, probe::MachineProbe());
  // Wine now and then fails a start with ERROR_INTERNAL_ERROR right after
  // the previous run's processes were ended; a second try succeeds.
  bool started = false;
  DWORD error = 0;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt > 0) Sleep(50);
    started = CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                             CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED, &environment[0], directory.c_str(),
                             &startup, &info);
    error = started ? 0 : GetLastError();
    if (error != ERROR_INTERNAL_ERROR) break;
  }
  if (!started) return "cannot start the launcher (error " + std::to_string(error) + ")";
  win::Handle process(info.hProcess), thread(info.hThread);
  AssignProcessToJobObject(job.get(), process.get());
  ResumeThread(thread.get());

  boxes::Watcher watcher(info.dwProcessId, copies ? job.get() : nullptr);
  std::vector<observed::Box> seenBoxes;
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(config_.timeoutMs);
  bool ended = false;
  while (!ended) {
    watcher.Poll(&seenBoxes);
    ended = WaitForSingleObject(process.get(), 15) == WAIT_OBJECT_0;
    if (!ended && GetTickCount64() > deadline) {
      EndAll(job.get());
      return "timed out after " + std::to_string(config_.timeoutMs / 1000) + " s, " +
             std::to_string(seenBoxes.size()) + " box(es) seen";
    }
  }
  const long long launcherEnd = Now();
  std::set<std::wstring> stubImages;
  for (const scn::SetupItem& item : scenario.setup)
    if (item.kind == scn::SetupItem::Program) stubImages.insert(Upper(text::ToWide(item.path)));
  std::set<std::wstring> copyImages;
  for (const scn::SetupItem& item : scenario.setup)
    if (item.kind == scn::SetupItem::Launcher) copyImages.insert(Upper(text::ToWide(item.path)));
  SettleStubs(job.get(), logPath_, stubImages, copyImages, [&] { watcher.Poll(&seenBoxes); });

  scn::SeenRun seen;
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  seen.exitCode = static_cast<int>(code);
  seen.filesBefore = filesBefore;
  std::vector<observed::TracedStart> traced;
  std::vector<std::string> copyPaths;
  if (copies) {
    for (const scn::SetupItem& item : scenario.setup)
      if (item.kind == scn::SetupItem::Launcher) copyPaths.push_back(item.path);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const std::string trace = ReadWhole(config_.tracePath).substr(static_cast<size_t>(traceStart));
    if (std::getenv("VELQUIN_HARNESS_DEBUG")) std::fprintf(stderr, "%s", trace.c_str());
    traced = observed::TracedStartsIn(trace, frequency.QuadPart / 1000);
    if (std::getenv("VELQUIN_HARNESS_DEBUG"))
      for (const observed::TracedStart& t : traced)
        std::fprintf(stderr, "traced %lld %s %s\n", t.ticks, t.shell ? "shell" : "start", t.commandLine.c_str());
  }
  seen.events = observed::Merge(seenBoxes, stub::Parse(ReadWhole(logPath_)), kMarker, launcherEnd, traced, copyPaths);
  for (const observed::Box& box : seenBoxes)
    if (box.text.find(kWineRefusedStart) != std::string::npos) *refusedByWine = true;
  EndAll(job.get());
  return scn::CompareRun(scenario, seen, probe::MachineProbe());
}

}  // namespace harness
