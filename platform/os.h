// The programs' only door to the operating system. Each function is one
// Win32 call with portable types and no logic of its own. On Windows,
// os_win32.cpp holds the calls the launcher makes and os_change_win32.cpp
// those only the settings and setup programs make; tests/fake/fake_os.cpp
// is an in-memory implementation of both.
//
// The names are the seam's own: none is one of <windows.h>'s A/W macros,
// which would rename a declaration in one file and not in another, so this
// header may come before or after the system's. A plain name takes the
// ANSI (A) call's text; its W twin, declared beside it, takes UTF-16.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace os {

// Handles and errors. Handle values are opaque, as the system hands them out.
using KeyHandle = std::uintptr_t;
using FindHandle = std::uintptr_t;
using FileHandle = std::uintptr_t;
using ProcessHandle = std::uintptr_t;
using ThreadHandle = std::uintptr_t;
using SnapshotHandle = std::uintptr_t;
using WindowHandle = std::uintptr_t;
using ActivationContext = std::uintptr_t;

// CloseHandle: any kernel object's handle, a file, process, thread or
// snapshot alike.
bool CloseHandle(std::uintptr_t handle);
// The calling thread's last-error code, as the failed call left it.
std::uint32_t GetLastError();

inline constexpr long kSuccess = 0;        // ERROR_SUCCESS
inline constexpr long kFileNotFound = 2;   // ERROR_FILE_NOT_FOUND
inline constexpr long kAccessDenied = 5;   // ERROR_ACCESS_DENIED
inline constexpr long kNoMoreItems = 259;  // ERROR_NO_MORE_ITEMS

// Registry (advapi32). access is the REGSAM asked for, view flags
// included. The W calls' data is in their own form: text as UTF-16 with
// its terminating NUL.
inline constexpr KeyHandle kCurrentUser = 0x80000001u;
inline constexpr KeyHandle kLocalMachine = 0x80000002u;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;  // KEY_ALL_ACCESS
inline constexpr std::uint32_t kKeyRead = 0x20019;       // KEY_READ
inline constexpr std::uint32_t kView64 = 0x100;          // KEY_WOW64_64KEY
inline constexpr std::uint32_t kView32 = 0x200;          // KEY_WOW64_32KEY
inline constexpr std::uint32_t kRegSz = 1;               // REG_SZ
inline constexpr std::uint32_t kRegExpandSz = 2;         // REG_EXPAND_SZ
inline constexpr std::uint32_t kRegBinary = 3;           // REG_BINARY
inline constexpr std::uint32_t kRegDword = 4;            // REG_DWORD
inline constexpr std::uint32_t kRegMultiSz = 7;          // REG_MULTI_SZ
inline constexpr std::uint32_t kRegQword = 11;           // REG_QWORD

// RegOpenKeyExA, RegOpenKeyExW.
long OpenKey(KeyHandle parent, const std::string& subkey, std::uint32_t access, KeyHandle* result);
long OpenKeyW(KeyHandle parent, const std::u16string& subkey, std::uint32_t access, KeyHandle* result);
// RegCreateKeyExA, RegCreateKeyExW (non-volatile, no class); the W form
// gives *created from its disposition.
long CreateKey(KeyHandle parent, const std::string& subkey, std::uint32_t access, KeyHandle* result);
long CreateKeyW(KeyHandle parent, const std::u16string& subkey, std::uint32_t access, KeyHandle* result,
                bool* created);
// RegQueryValueExA, RegQueryValueExW: data may be null to ask for the size
// only; *size is in and out, as in Win32.
long QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type, unsigned char* data,
                std::uint32_t* size);
long QueryValueW(KeyHandle key, const std::u16string& name, std::uint32_t* type, unsigned char* data,
                 std::uint32_t* size);
// RegSetValueExA, RegSetValueExW.
long SetValue(KeyHandle key, const std::string& name, std::uint32_t type, const unsigned char* data,
              std::uint32_t size);
long SetValueW(KeyHandle key, const std::u16string& name, std::uint32_t type, const unsigned char* data,
               std::uint32_t size);
// RegDeleteValueA, RegDeleteValueW.
long DeleteValue(KeyHandle key, const std::string& name);
long DeleteValueW(KeyHandle key, const std::u16string& name);
// RegDeleteKeyExW: a key without subkeys, in the view asked for.
long DeleteKeyW(KeyHandle parent, const std::u16string& subkey, std::uint32_t view);
// RegEnumKeyExW, RegEnumValueW: the name at index, kNoMoreItems past the last.
long EnumKeyW(KeyHandle key, std::uint32_t index, std::u16string* name);
long EnumValueNameW(KeyHandle key, std::uint32_t index, std::u16string* name);
// RegCloseKey.
long CloseKey(KeyHandle key);

// Files (kernel32). Times are FILETIME values as 64-bit integers.
inline constexpr std::uint32_t kAttributeDirectory = 0x10;   // FILE_ATTRIBUTE_DIRECTORY
inline constexpr std::uint32_t kNoAttributes = 0xFFFFFFFFu;  // INVALID_FILE_ATTRIBUTES
inline constexpr FindHandle kInvalidFindHandle = ~std::uintptr_t{0};
inline constexpr FileHandle kInvalidFile = ~std::uintptr_t{0};  // INVALID_HANDLE_VALUE
struct FindData {
  std::uint32_t attributes = 0;
  std::uint64_t lastWriteTime = 0;
  std::uint64_t size = 0;
};
// FindFirstFileA, FindFirstFileW, FindClose. Either form of the search
// fills only the attributes, the time and the size.
FindHandle FindFirst(const std::string& pattern, FindData* data);
FindHandle FindFirstW(const std::u16string& pattern, FindData* data);
bool CloseFind(FindHandle handle);
// GetFileAttributesW.
std::uint32_t FileAttributesW(const std::u16string& path);
bool FileTimeToLocalFileTime(std::uint64_t fileTime, std::uint64_t* localTime);
bool FileTimeToDosDateTime(std::uint64_t fileTime, std::uint16_t* dosDate, std::uint16_t* dosTime);
// CreateFileW for writing (OPEN_EXISTING, sharing everything): whether
// this process may write the file, asked without changing it; closed with
// CloseHandle.
FileHandle OpenFileForWritingW(const std::u16string& path);
// CreateFileW for reading (OPEN_EXISTING, sharing everything); closed with
// CloseHandle.
FileHandle OpenFileForReadingW(const std::u16string& path);
// ReadFile: up to size bytes from the file's position, *read the count
// taken (0 at its end).
bool ReadFileBytes(FileHandle file, unsigned char* buffer, std::uint32_t size, std::uint32_t* read);
// GetFileSecurityW: the parts asked for (kOwnerSecurity) of the file's
// security descriptor, self-relative, into buffer; *needed its size, also
// when the buffer is too small (false then).
inline constexpr std::uint32_t kOwnerSecurity = 1;  // OWNER_SECURITY_INFORMATION
bool GetFileSecurityW(const std::u16string& path, std::uint32_t information, unsigned char* buffer, std::uint32_t size,
                      std::uint32_t* needed);
// MoveFileA, MoveFileW.
bool RenameFile(const std::string& from, const std::string& to);
bool RenameFileW(const std::u16string& from, const std::u16string& to);
// CopyFileW, over an existing file.
bool CopyFileOverW(const std::u16string& from, const std::u16string& to);
// DeleteFileA, DeleteFileW.
bool RemoveFile(const std::string& path);
bool RemoveFileW(const std::u16string& path);
// MoveFileExW(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT).
bool RemoveAtRestartW(const std::u16string& path);
// CreateDirectoryW, RemoveDirectoryW.
bool MakeDirectoryW(const std::u16string& path);
bool RemoveDirectoryOnlyW(const std::u16string& path);

// The system's folders and this program's path (kernel32): each gives the
// count the system returns, as in Win32 (0 on failure, the size needed
// when the buffer is too small).
// GetWindowsDirectoryA, GetWindowsDirectoryW.
std::uint32_t QueryWindowsDirectory(char* buffer, std::uint32_t size);
std::uint32_t QueryWindowsDirectoryW(char16_t* buffer, std::uint32_t size);
// GetSystemDirectoryA.
std::uint32_t QuerySystemDirectory(char* buffer, std::uint32_t size);
// GetTempPathA, GetTempPathW.
std::uint32_t QueryTempPath(std::uint32_t size, char* buffer);
std::uint32_t QueryTempPathW(std::uint32_t size, char16_t* buffer);
// GetModuleFileNameA, GetModuleFileNameW of this program.
std::uint32_t QueryModuleFileName(char* buffer, std::uint32_t size);
std::uint32_t QueryModuleFileNameW(char16_t* buffer, std::uint32_t size);

// Processes (kernel32).
inline constexpr std::uint32_t kWaitInfinite = 0xFFFFFFFFu;
inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitTimeout = 0x102;  // WAIT_TIMEOUT
inline constexpr std::uint32_t kStillActive = 259;  // STILL_ACTIVE
// GetCommandLineA, GetCommandLineW.
std::string AnsiCommandLine();
std::u16string WideCommandLine();
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
// GetStartupInfoA, GetStartupInfoW: this process's own.
StartupInfo OwnStartupInfo();
StartupInfoW OwnStartupInfoW();
// What CreateProcess hands back: both are the caller's to close.
struct ProcessHandles {
  ProcessHandle process = 0;
  ThreadHandle thread = 0;
};
// CreateProcessA, CreateProcessW: no application name, no security
// attributes, no inherited handles, NORMAL_PRIORITY_CLASS, the caller's
// environment and directory.
bool StartProcess(const std::string& commandLine, const StartupInfo& startup, ProcessHandles* handles);
bool StartProcessW(const std::u16string& commandLine, const StartupInfoW& startup, ProcessHandles* handles);
std::uint32_t WaitForSingleObject(ProcessHandle handle, std::uint32_t milliseconds);
bool GetExitCodeProcess(ProcessHandle process, std::uint32_t* code);
std::uint32_t GetCurrentProcessId();
// GetCurrentProcess: this process's own handle, which is never closed.
ProcessHandle CurrentProcess();
// OpenProcess for PROCESS_QUERY_LIMITED_INFORMATION: 0 when it is gone or
// refused.
ProcessHandle OpenProcessToQuery(std::uint32_t processId);
// GetProcessTimes: *creationTime as a FILETIME value.
bool GetProcessCreationTime(ProcessHandle process, std::uint64_t* creationTime);
// QueryFullProcessImageNameW (the Win32 path): the count written without
// the NUL, 0 on failure (also when the buffer is too small).
std::uint32_t QueryProcessImageNameW(ProcessHandle process, char16_t* buffer, std::uint32_t size);
// This process's environment, which every program it starts inherits.
// GetEnvironmentVariableA: the count written without the NUL, the size
// needed with it when the buffer is too small, 0 when it is not set; the W
// form counts the same.
std::uint32_t GetEnvironmentVariableA(const std::string& name, char* buffer, std::uint32_t size);
std::uint32_t GetEnvironmentVariableW(const std::u16string& name, char16_t* buffer, std::uint32_t size);
bool SetEnvironmentVariableA(const std::string& name, const std::string& value);
// The system's list of processes: CreateToolhelp32Snapshot of the
// processes, closed with CloseHandle, and its entries.
inline constexpr SnapshotHandle kInvalidSnapshot = ~std::uintptr_t{0};
struct ProcessEntry {
  std::uint32_t processId = 0, parentProcessId = 0;
};
SnapshotHandle CreateProcessSnapshot();
bool Process32FirstW(SnapshotHandle snapshot, ProcessEntry* entry);
bool Process32NextW(SnapshotHandle snapshot, ProcessEntry* entry);

// The system and this process's kind.
// GetVersionEx: false when the query fails; otherwise *platformId is dwPlatformId.
bool GetVersionPlatformId(std::uint32_t* platformId);
// IsWow64Process2 of this process, looked up at run time: false where the
// system lacks it. Machines are IMAGE_FILE_MACHINE_* values.
inline constexpr std::uint16_t kMachineUnknown = 0, kMachineI386 = 0x14c, kMachineAmd64 = 0x8664,
                               kMachineArm64 = 0xAA64;
bool IsWow64Process2(std::uint16_t* processMachine, std::uint16_t* nativeMachine);
// GetNativeSystemInfo: wProcessorArchitecture (0 x86, 9 AMD64, 12 ARM64).
std::uint16_t NativeProcessorArchitecture();

// The console (kernel32).
// GetStdHandle(STD_OUTPUT_HANDLE or STD_ERROR_HANDLE); GetStdHandle(STD_INPUT_HANDLE).
std::uintptr_t StandardHandle(bool error);
std::uintptr_t StandardInputHandle();
// ReadConsoleW into buffer, *read the characters it took (a line, up to
// its Enter).
bool ReadConsoleW(std::uintptr_t handle, char16_t* buffer, std::uint32_t size, std::uint32_t* read);
// WriteConsoleW; WriteFile, for output led to a file or a pipe.
bool WriteConsoleW(std::uintptr_t handle, const std::u16string& text);
bool WriteFileBytes(std::uintptr_t handle, const std::string& bytes);
std::uint32_t GetConsoleOutputCP();

// The shell (shell32).
// ShellExecuteExA, ShellExecuteExW with SEE_MASK_NOCLOSEPROCESS (and
// NOASYNC) and no owner window: the started process, 0 when the shell hands
// none over (the open failed, or a running program or DDE served it).
ProcessHandle ShellOpenProcess(const std::string& verb, const std::string& file, const std::string& parameters,
                               const std::string& directory, int show);
ProcessHandle ShellOpenProcessW(const std::u16string& verb, const std::u16string& file,
                                const std::u16string& parameters, const std::u16string& directory, int show);
// ShellExecuteW.
std::intptr_t ShellRunW(WindowHandle owner, const std::u16string& verb, const std::u16string& file,
                        const std::u16string& parameters, const std::u16string& directory, int show);
// ShellExecuteExW with SEE_MASK_NOCLOSEPROCESS (and the no-UI flag): the
// started process, 0 when none was.
ProcessHandle ShellRunProcessW(const std::u16string& verb, const std::u16string& file,
                               const std::u16string& parameters);
bool IsUserAnAdmin();

// Windows and boxes (user32).
WindowHandle GetForegroundWindow();
// PeekMessageA over every message, PM_NOREMOVE: makes this thread's message
// queue, which tells the system the program is up (the starting cursor,
// and callers waiting in WaitForInputIdle, are released).
bool PeekMessageNoRemove();
// MessageBoxW: every box's text is UTF-16.
int ShowBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption, std::uint32_t style);

// Activation contexts (kernel32), for a manifest among the program's own
// resources that only its boxes need.
inline constexpr ActivationContext kInvalidActivationContext = ~std::uintptr_t{0};  // INVALID_HANDLE_VALUE
// CreateActCtxW from the program's own manifest resource of that id.
ActivationContext CreateOwnActivationContext(std::uint16_t resourceId);
// ActivateActCtx: false when it fails; *cookie undoes it.
bool ActivateActivationContext(ActivationContext context, std::uintptr_t* cookie);
// DeactivateActCtx(0, cookie).
bool DeactivateActivationContext(std::uintptr_t cookie);
// ReleaseActCtx.
void ReleaseActivationContext(ActivationContext context);

// Version resources (version.dll).
// GetFileVersionInfoSizeW.
std::uint32_t QueryFileVersionInfoSizeW(const std::u16string& path);
// A version block as GetFileVersionInfoA leaves it. The buffer is not
// cleared first: one as large as any version block needs then costs only
// the pages the call writes, not a page fault for each of its 64 pages.
struct VersionBlock {
  std::unique_ptr<unsigned char[]> bytes;
  std::uint32_t size = 0;
};
// GetFileVersionInfoA into a new block of the given size.
bool QueryFileVersionInfo(const std::string& path, std::uint32_t size, VersionBlock* block);
// GetFileVersionInfoW: fills *block, of the given size, with the file's
// version information.
bool QueryFileVersionInfoW(const std::u16string& path, std::uint32_t size, std::vector<unsigned char>* block);
// VerQueryValueA of the root block: dwFileVersionMS of the fixed information.
bool VerQueryFileVersionMS(const VersionBlock& block, std::uint32_t* versionMS);
// VerQueryValueW of a text.
bool VerQueryTextW(const std::vector<unsigned char>& block, const std::u16string& subBlock, std::u16string* text);

// Signatures (wintrust).
inline constexpr std::int32_t kTrustNoSignature = static_cast<std::int32_t>(0x800B0100u);  // TRUST_E_NOSIGNATURE
// WinVerifyTrust of a file's full path: WINTRUST_ACTION_GENERIC_VERIFY_V2,
// no UI, no revocation check, WTD_STATEACTION_IGNORE (nothing to close).
// Its result: 0 when the signature is accepted, else the reason.
std::int32_t VerifyFileTrustW(const std::u16string& path);

// Text and locale (kernel32, user32).
inline constexpr std::uint32_t kCodePageAnsi = 0;   // CP_ACP
inline constexpr std::uint32_t kCodePageUtf8 = 65001;
inline constexpr std::uint32_t kNoBestFitChars = 0x400;  // WC_NO_BEST_FIT_CHARS
// MultiByteToWideChar over the whole text; empty on failure.
std::u16string MultiByteToWideChar(std::uint32_t codePage, const std::string& text);
// WideCharToMultiByte over the whole text, with the system's default
// character; empty on failure. *usedDefault: some character had no form.
std::string WideCharToMultiByte(std::uint32_t codePage, std::uint32_t flags, const std::u16string& text,
                                bool* usedDefault);
bool IsDBCSLeadByte(unsigned char byte);
// CharLowerBuffA, CharLowerBuffW.
std::uint32_t LowerCaseBuffer(char* text, std::uint32_t length);
std::uint32_t LowerCaseBufferW(char16_t* text, std::uint32_t length);
std::uint32_t GetSystemDefaultLCID();
// GetLocaleInfoA for LOCALE_SDECIMAL; returns the count written, 0 on failure.
int GetLocaleDecimalSeparator(std::uint32_t lcid, char* buffer, int size);

}  // namespace os
