// The stand-in for every program a scenario places: it records when it
// started, where it lives, its exact command line and the title of the
// startup information it was given, then, when the harness asked it to
// stay, waits and records its end; it ends with the exit code the harness
// gave it. The harness tells it where to write, how long to stay and how to
// end through the environment, which the launcher passes on whichever way
// it starts a program.
#include <windows.h>

#include <string>

#include "stub_log.h"
#include "text.h"

namespace {

std::wstring Environment(const wchar_t* name) {
  wchar_t buffer[32768];
  DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
  return n > 0 && n < 32768 ? std::wstring(buffer, n) : std::wstring();
}

std::wstring ModulePath() {
  wchar_t buffer[32768];
  DWORD n = GetModuleFileNameW(nullptr, buffer, 32768);
  return std::wstring(buffer, n);
}

long long Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

// Appends one whole record with a single write, so that records of stubs
// running at once do not interleave.
void Append(const std::wstring& logPath, const std::string& record) {
  HANDLE file = CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  stub::Record start;
  start.kind = stub::Record::Start;
  start.ticks = Now();
  start.pid = GetCurrentProcessId();
  start.module = text::ToUtf8(ModulePath());
  start.commandLine = text::ToUtf8(GetCommandLineW());
  STARTUPINFOW info{};
  info.cb = sizeof info;
  GetStartupInfoW(&info);
  start.title = info.lpTitle ? text::ToUtf8(info.lpTitle) : std::string();

  std::wstring logPath = Environment(stub::kLogVariable);
  if (logPath.empty()) logPath = stub::kDefaultLog;
  Append(logPath, stub::Format(start));

  const int stays = stub::StaysFor(text::ToUtf8(Environment(stub::kStaysVariable)), start.module);
  if (stays > 0) {
    Sleep(static_cast<DWORD>(stays));
    stub::Record end = start;
    end.kind = stub::Record::End;
    end.ticks = Now();
    Append(logPath, stub::Format(end));
  }
  return stub::ExitCodeFor(text::ToUtf8(Environment(stub::kExitsVariable)), start.module);
}
