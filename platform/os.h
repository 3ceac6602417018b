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
  std::uint64_t size = 0;
};
// FindFirstFileA, FindClose. Either form of the search fills only the
// attributes, the time and the size.
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

// Changing the system: the setup program and the settings window's saving.
// Every text is UTF-16; registry data is in the W calls' form (text as
// UTF-16 with its terminating NUL). access may carry a view flag.
inline constexpr std::uint32_t kView64 = 0x100;     // KEY_WOW64_64KEY
inline constexpr std::uint32_t kView32 = 0x200;     // KEY_WOW64_32KEY
inline constexpr std::uint32_t kRegQword = 11;      // REG_QWORD
inline constexpr long kFileNotFound = 2;            // ERROR_FILE_NOT_FOUND
inline constexpr long kNoMoreItems = 259;           // ERROR_NO_MORE_ITEMS
inline constexpr std::uint32_t kNoAttributes = 0xFFFFFFFFu;  // INVALID_FILE_ATTRIBUTES
inline constexpr std::uint32_t kStillActive = 259;  // STILL_ACTIVE
// RegOpenKeyExW; RegCreateKeyExW (non-volatile, no class), *created from
// its disposition.
long OpenKeyW(KeyHandle parent, const std::u16string& subkey, std::uint32_t access, KeyHandle* result);
long CreateKeyW(KeyHandle parent, const std::u16string& subkey, std::uint32_t access, KeyHandle* result,
                bool* created);
// RegSetValueExW, RegDeleteValueW.
long SetValueW(KeyHandle key, const std::u16string& name, std::uint32_t type, const unsigned char* data,
               std::uint32_t size);
long DeleteValueW(KeyHandle key, const std::u16string& name);
// RegDeleteKeyExW: a key without subkeys, in the view asked for.
long DeleteKeyW(KeyHandle parent, const std::u16string& subkey, std::uint32_t view);
// RegEnumKeyExW, RegEnumValueW: the name at index, kNoMoreItems past the last.
long EnumKeyW(KeyHandle key, std::uint32_t index, std::u16string* name);
long EnumValueNameW(KeyHandle key, std::uint32_t index, std::u16string* name);
// CopyFileW (over an existing file), CreateDirectoryW, RemoveDirectoryW,
// GetFileAttributesW.
bool CopyFileOverW(const std::u16string& from, const std::u16string& to);
bool MakeDirectoryW(const std::u16string& path);
bool RemoveDirectoryOnlyW(const std::u16string& path);
std::uint32_t FileAttributesW(const std::u16string& path);
// CreateFileW for writing (OPEN_EXISTING, sharing everything): whether
// this process may write the file, asked without changing it; closed with
// CloseHandle.
inline constexpr ProcessHandle kInvalidFile = ~std::uintptr_t{0};  // INVALID_HANDLE_VALUE
ProcessHandle OpenFileForWritingW(const std::u16string& path);
// GetShortPathNameW: the count, as GetTempPath gives it.
std::uint32_t ShortPathNameW(const std::u16string& path, char16_t* buffer, std::uint32_t size);
// MoveFileExW(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT).
bool RemoveAtRestartW(const std::u16string& path);
// GetWindowsDirectoryW, GetModuleFileNameW of this program.
std::uint32_t QueryWindowsDirectoryW(char16_t* buffer, std::uint32_t size);
std::uint32_t QueryModuleFileNameW(char16_t* buffer, std::uint32_t size);
// GetEnvironmentVariableW, counted as the A form.
std::uint32_t GetEnvironmentVariableW(const std::u16string& name, char16_t* buffer, std::uint32_t size);
// GetExitCodeProcess.
bool GetExitCodeProcess(ProcessHandle process, std::uint32_t* code);
// ShellExecuteExW with SEE_MASK_NOCLOSEPROCESS (and the no-UI flag): the
// started process, 0 when none was.
ProcessHandle ShellRunProcessW(const std::u16string& verb, const std::u16string& file,
                               const std::u16string& parameters);
// IsUserAnAdmin (shell32).
bool IsUserAnAdmin();
// IsWow64Process2 of this process, looked up at run time: false where the
// system lacks it. Machines are IMAGE_FILE_MACHINE_* values.
inline constexpr std::uint16_t kMachineUnknown = 0, kMachineI386 = 0x14c, kMachineAmd64 = 0x8664,
                               kMachineArm64 = 0xAA64;
bool IsWow64Process2(std::uint16_t* processMachine, std::uint16_t* nativeMachine);
// GetNativeSystemInfo: wProcessorArchitecture (0 x86, 9 AMD64, 12 ARM64).
std::uint16_t NativeProcessorArchitecture();
// GetFileVersionInfoSizeW, GetFileVersionInfoW, VerQueryValueW of a text.
std::uint32_t QueryFileVersionInfoSizeW(const std::u16string& path);
bool QueryFileVersionInfoW(const std::u16string& path, std::uint32_t size, std::vector<unsigned char>* block);
bool VerQueryTextW(const std::vector<unsigned char>& block, const std::u16string& subBlock, std::u16string* text);
// The console: GetStdHandle(STD_OUTPUT_HANDLE or STD_ERROR_HANDLE),
// WriteConsoleW, WriteFile (for output led to a file or a pipe),
// GetConsoleOutputCP.
std::uintptr_t StandardHandle(bool error);
// GetStdHandle(STD_INPUT_HANDLE); ReadConsoleW into buffer, *read the
// characters it took (a line, up to its Enter).
std::uintptr_t StandardInputHandle();
bool ReadConsoleW(std::uintptr_t handle, char16_t* buffer, std::uint32_t size, std::uint32_t* read);
bool WriteConsoleW(std::uintptr_t handle, const std::u16string& text);
bool WriteFileBytes(std::uintptr_t handle, const std::string& bytes);
std::uint32_t GetConsoleOutputCP();

}  // namespace os
