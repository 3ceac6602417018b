// The launcher's only door to the operating system. Each function is one
// Win32 call with portable types and no logic of its own; os_win32.cpp is
// the real implementation, tests/fake_os.cpp an in-memory one.
//
// The names are the seam's own: none is one of <windows.h>'s A/W macros,
// which would rename a declaration in one file and not in another, so this
// header may come before or after the system's. A plain name takes the
// ANSI (A) call's text; its W twin takes UTF-16.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace os {

// Opaque handle values, as the system hands them out.
using KeyHandle = std::uintptr_t;
using FindHandle = std::uintptr_t;
using ProcessHandle = std::uintptr_t;
using WindowHandle = std::uintptr_t;

inline constexpr KeyHandle kCurrentUser = 0x80000001u;
inline constexpr KeyHandle kLocalMachine = 0x80000002u;
inline constexpr FindHandle kInvalidFindHandle = ~std::uintptr_t{0};

inline constexpr long kSuccess = 0;             // ERROR_SUCCESS
inline constexpr std::uint32_t kRegSz = 1;        // REG_SZ
inline constexpr std::uint32_t kRegExpandSz = 2;  // REG_EXPAND_SZ
inline constexpr std::uint32_t kRegBinary = 3;    // REG_BINARY
inline constexpr std::uint32_t kRegDword = 4;     // REG_DWORD
inline constexpr std::uint32_t kRegMultiSz = 7;   // REG_MULTI_SZ

inline constexpr std::uint32_t kAttributeDirectory = 0x10;  // FILE_ATTRIBUTE_DIRECTORY
inline constexpr std::uint32_t kWaitInfinite = 0xFFFFFFFFu;
inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kCodePageAnsi = 0;   // CP_ACP
inline constexpr std::uint32_t kCodePageUtf8 = 65001;

// Registry (advapi32). access is the REGSAM asked for, view flags included.
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;  // KEY_ALL_ACCESS
inline constexpr std::uint32_t kKeyRead = 0x20019;       // KEY_READ
inline constexpr long kAccessDenied = 5;                 // ERROR_ACCESS_DENIED
// RegOpenKeyExA, RegCreateKeyExA (non-volatile, no class).
long OpenKey(KeyHandle parent, const std::string& subkey, std::uint32_t access, KeyHandle* result);
long CreateKey(KeyHandle parent, const std::string& subkey, std::uint32_t access, KeyHandle* result);
// RegQueryValueExA: data may be null to ask for the size only; *size is in
// and out, as in Win32.
long QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type, unsigned char* data,
                std::uint32_t* size);
// RegSetValueExA, RegCloseKey.
long SetValue(KeyHandle key, const std::string& name, std::uint32_t type, const unsigned char* data,
              std::uint32_t size);
long CloseKey(KeyHandle key);

// Files and times (kernel32). Times are FILETIME values as 64-bit integers.
struct FindData {
  std::uint32_t attributes = 0;
  std::uint64_t lastWriteTime = 0;
};
// FindFirstFileA, FindClose. Either form of the search fills only the
// attributes and the time.
FindHandle FindFirst(const std::string& pattern, FindData* data);
bool CloseFind(FindHandle handle);
bool FileTimeToLocalFileTime(std::uint64_t fileTime, std::uint64_t* localTime);
bool FileTimeToDosDateTime(std::uint64_t fileTime, std::uint16_t* dosDate, std::uint16_t* dosTime);
// MoveFileA, DeleteFileA.
bool RenameFile(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);

// GetWindowsDirectoryA, GetSystemDirectoryA, GetTempPathA and
// GetModuleFileNameA of this program: the count the system returns, as in
// Win32 (0 on failure, the size needed when the buffer is too small).
std::uint32_t QueryWindowsDirectory(char* buffer, std::uint32_t size);
std::uint32_t QuerySystemDirectory(char* buffer, std::uint32_t size);
std::uint32_t QueryTempPath(std::uint32_t size, char* buffer);
std::uint32_t QueryModuleFileName(char* buffer, std::uint32_t size);

// Process and system facts.
// GetCommandLineA.
std::string AnsiCommandLine();
// GetVersionEx: false when the query fails; otherwise *platformId is dwPlatformId.
bool GetVersionPlatformId(std::uint32_t* platformId);
bool IsDBCSLeadByte(unsigned char byte);
// The calling thread's last-error code, as the failed call left it.
std::uint32_t GetLastError();
// CharLowerBuffA.
std::uint32_t LowerCaseBuffer(char* text, std::uint32_t length);
std::uint32_t GetSystemDefaultLCID();
// GetLocaleInfoA for LOCALE_SDECIMAL; returns the count written, 0 on failure.
int GetLocaleDecimalSeparator(std::uint32_t lcid, char* buffer, int size);
// MultiByteToWideChar over the whole text; empty on failure.
std::u16string MultiByteToWideChar(std::uint32_t codePage, const std::string& text);

// Windows and boxes (user32).
WindowHandle GetForegroundWindow();
// MessageBoxW: every box's text is UTF-16.
int ShowBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption, std::uint32_t style);

// Programs (shell32, kernel32).
// ShellExecuteA.
std::intptr_t ShellRun(WindowHandle owner, const std::string& verb, const std::string& file,
                       const std::string& parameters, const std::string& directory, int show);

// The fields of STARTUPINFO that a process hands on to the one it starts,
// with the texts of the A or the W form.
template <typename Text>
struct BasicStartupInfo {
  Text desktop, title;
  bool hasDesktop = false, hasTitle = false;
  std::uint32_t x = 0, y = 0, xSize = 0, ySize = 0, xCountChars = 0, yCountChars = 0;
  std::uint32_t fillAttribute = 0, flags = 0;
  std::uint16_t showWindow = 0;
  std::uintptr_t stdInput = 0, stdOutput = 0, stdError = 0;
};
using StartupInfo = BasicStartupInfo<std::string>;
using StartupInfoW = BasicStartupInfo<std::u16string>;
// GetStartupInfoA: this process's own.
StartupInfo OwnStartupInfo();
struct ProcessHandles {
  ProcessHandle process = 0, thread = 0;
};
// CreateProcessA (and W below): no application name, no security attributes, no inherited
// handles, NORMAL_PRIORITY_CLASS, the caller's environment and directory.
bool StartProcess(const std::string& commandLine, const StartupInfo& startup, ProcessHandles* handles);
std::uint32_t WaitForSingleObject(ProcessHandle handle, std::uint32_t milliseconds);
bool CloseHandle(ProcessHandle handle);

// This process, its environment (which every program it starts inherits)
// and the system's list of processes (kernel32).
std::uint32_t GetCurrentProcessId();
// GetEnvironmentVariableA: the count written without the NUL, the size
// needed with it when the buffer is too small, 0 when it is not set.
std::uint32_t GetEnvironmentVariableA(const std::string& name, char* buffer, std::uint32_t size);
bool SetEnvironmentVariableA(const std::string& name, const std::string& value);
struct ProcessEntry {
  std::uint32_t processId = 0, parentProcessId = 0;
};
using SnapshotHandle = std::uintptr_t;
inline constexpr SnapshotHandle kInvalidSnapshot = ~std::uintptr_t{0};
// CreateToolhelp32Snapshot of the processes; closed with CloseHandle.
SnapshotHandle CreateProcessSnapshot();
bool Process32FirstW(SnapshotHandle snapshot, ProcessEntry* entry);
bool Process32NextW(SnapshotHandle snapshot, ProcessEntry* entry);

// The wide forms, for a run whose command line the ANSI code page cannot
// hold.
inline constexpr std::uint32_t kNoBestFitChars = 0x400;  // WC_NO_BEST_FIT_CHARS
// GetCommandLineW.
std::u16string WideCommandLine();
// WideCharToMultiByte over the whole text, with the system's default
// character; empty on failure. *usedDefault: some character had no form.
std::string WideCharToMultiByte(std::uint32_t codePage, std::uint32_t flags, const std::u16string& text,
                                bool* usedDefault);
FindHandle FindFirstW(const std::u16string& pattern, FindData* data);
bool RenameFileW(const std::u16string& from, const std::u16string& to);
bool RemoveFileW(const std::u16string& path);
std::uint32_t QueryTempPathW(std::uint32_t size, char16_t* buffer);
long QueryValueW(KeyHandle key, const std::u16string& name, std::uint32_t* type, unsigned char* data,
                 std::uint32_t* size);
std::uint32_t LowerCaseBufferW(char16_t* text, std::uint32_t length);
std::intptr_t ShellRunW(WindowHandle owner, const std::u16string& verb, const std::u16string& file,
                        const std::u16string& parameters, const std::u16string& directory, int show);
StartupInfoW OwnStartupInfoW();
bool StartProcessW(const std::u16string& commandLine, const StartupInfoW& startup, ProcessHandles* handles);

// Version resources (version.dll).
// GetFileVersionInfoSizeA.
std::uint32_t QueryFileVersionInfoSize(const std::string& path);
// GetFileVersionInfoA: fills *block, of the given size, with the file's
// version information.
bool QueryFileVersionInfo(const std::string& path, std::uint32_t size, std::vector<unsigned char>* block);
// VerQueryValueA of the root block: dwFileVersionMS of the fixed information.
bool VerQueryFileVersionMS(const std::vector<unsigned char>& block, std::uint32_t* versionMS);

// Settings window.
// RegDeleteValueA.
long DeleteValue(KeyHandle key, const std::string& name);

}  // namespace os
