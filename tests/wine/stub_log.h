// The log the stub programs append to and the harness reads back: one line
// per record, tab-separated fields, with tabs, line ends and backslashes
// escaped so that any command line survives.
#pragma once

#include <string>
#include <vector>

namespace stub {

inline constexpr wchar_t kLogVariable[] = L"VELQUIN_STUB_LOG";
// Which stubs stay and how long: "MS*PATH" entries joined by '|', two
// characters no Windows path holds.
inline constexpr wchar_t kStaysVariable[] = L"VELQUIN_STUB_STAYS";
// Which stubs end with an exit code other than 0: "CODE*PATH" entries, the
// same form.
inline constexpr wchar_t kExitsVariable[] = L"VELQUIN_STUB_EXITS";
inline constexpr wchar_t kDefaultLog[] = L"C:\\velquin-stub.log";

struct Record {
  enum Kind { Start, End } kind = Start;
  long long ticks = 0;  // QueryPerformanceCounter
  unsigned long pid = 0;
  std::string module, commandLine, title;  // UTF-8
};

std::string Format(const Record& record);
// Whole lines only: a line still being written is left for the next read.
std::vector<Record> Parse(const std::string& log);

std::string StaysEntry(int ms, const std::string& path);
// The milliseconds the program at modulePath stays, 0 when not listed.
int StaysFor(const std::string& staysVariable, const std::string& modulePath);

std::string ExitsEntry(int code, const std::string& path);
// The exit code of the program at modulePath, 0 when not listed.
int ExitCodeFor(const std::string& exitsVariable, const std::string& modulePath);

}  // namespace stub
