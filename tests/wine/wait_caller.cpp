// A caller that waits for Notepad the way a commit's message editor does,
// for waiting.sh: "wait_caller [--mark right|wrong] WORD..." starts its
// words joined by spaces as one command line (so a word may carry its own
// quotes past Wine's quoting of the unix arguments), waits for it and prints
//   exit CODE ms ELAPSED released TICKS
// (TICKS from QueryPerformanceCounter, the clock the stub's log uses).
// --mark sets VELQUIN_STARTED_BY to this process, place 1, with its own
// creation time or a wrong one: a parent that is or only seems to be the
// launcher of a chain.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

long long Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int first = 1;
  if (argc > 2 && std::wstring(argv[1]) == L"--mark") {
    const std::wstring which = argv[2];
    if (which != L"right" && which != L"wrong") return 2;
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    unsigned long long time = (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    if (which == L"wrong") time += 1;
    const std::wstring mark = std::to_wstring(GetCurrentProcessId()) + L":" + std::to_wstring(time) + L":1";
    SetEnvironmentVariableW(L"VELQUIN_STARTED_BY", mark.c_str());
    first = 3;
  }
  if (first >= argc) return 2;
  std::wstring command = argv[first];
  for (int i = first + 1; i < argc; ++i) command += std::wstring(L" ") + argv[i];
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  const long long begin = Now();
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    std::printf("start failed %lu\n", GetLastError());
    return 1;
  }
  CloseHandle(started.hThread);
  WaitForSingleObject(started.hProcess, INFINITE);
  const long long released = Now();
  DWORD code = 0;
  GetExitCodeProcess(started.hProcess, &code);
  CloseHandle(started.hProcess);
  std::printf("exit %lu ms %lld released %lld\n", code, (released - begin) * 1000 / frequency.QuadPart, released);
  return 0;
}
