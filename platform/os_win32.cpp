// The system seam's calls the launcher makes, on Windows: each function is
// one Win32 call. The settings and setup programs link these and
// os_change_win32.cpp's too.
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstring>

#include "platform/os.h"

// The linker's name for the start of this program's own image: its module
// handle, without a call.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace os {
namespace {

HKEY Key(KeyHandle key) { return reinterpret_cast<HKEY>(key); }
HANDLE Handle(std::uintptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

FILETIME ToFileTime(std::uint64_t value) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return time;
}

std::uint64_t FromFileTime(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// wchar_t is UTF-16 on Windows: the seam's char16_t text is the same bytes.
const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

const char* OrNull(bool present, const std::string& text) { return present ? text.c_str() : nullptr; }
const wchar_t* OrNull(bool present, const std::u16string& text) { return present ? Wide(text) : nullptr; }

template <typename Text, typename Info>
BasicStartupInfo<Text> FromStartupInfo(const Info& info) {
  using Char = typename Text::value_type;
  BasicStartupInfo<Text> out;
  out.hasDesktop = info.lpDesktop != nullptr;
  if (out.hasDesktop) out.desktop = reinterpret_cast<const Char*>(info.lpDesktop);
  out.hasTitle = info.lpTitle != nullptr;
  if (out.hasTitle) out.title = reinterpret_cast<const Char*>(info.lpTitle);
  out.x = info.dwX, out.y = info.dwY, out.xSize = info.dwXSize, out.ySize = info.dwYSize;
  out.xCountChars = info.dwXCountChars, out.yCountChars = info.dwYCountChars;
  out.fillAttribute = info.dwFillAttribute, out.flags = info.dwFlags, out.showWindow = info.wShowWindow;
  out.stdInput = reinterpret_cast<std::uintptr_t>(info.hStdInput);
  out.stdOutput = reinterpret_cast<std::uintptr_t>(info.hStdOutput);
  out.stdError = reinterpret_cast<std::uintptr_t>(info.hStdError);
  return out;
}

template <typename Info, typename Text>
Info ToStartupInfo(const BasicStartupInfo<Text>& startup) {
  Info info;
  std::memset(&info, 0, sizeof info);
  info.cb = sizeof info;
  info.lpDesktop = const_cast<decltype(info.lpDesktop)>(OrNull(startup.hasDesktop, startup.desktop));
  info.lpTitle = const_cast<decltype(info.lpTitle)>(OrNull(startup.hasTitle, startup.title));
  info.dwX = startup.x, info.dwY = startup.y, info.dwXSize = startup.xSize, info.dwYSize = startup.ySize;
  info.dwXCountChars = startup.xCountChars, info.dwYCountChars = startup.yCountChars;
  info.dwFillAttribute = startup.fillAttribute, info.dwFlags = startup.flags;
  info.wShowWindow = startup.showWindow;
  info.hStdInput = Handle(startup.stdInput);
  info.hStdOutput = Handle(startup.stdOutput);
  info.hStdError = Handle(startup.stdError);
  return info;
}

}  // namespace

bool CloseHandle(std::uintptr_t handle) { return ::CloseHandle(Handle(handle)) != FALSE; }

std::uint32_t GetLastError() { return ::GetLastError(); }

long OpenKey(KeyHandle parent, const std::string& subkey, std::uint32_t access, KeyHandle* result) {
  HKEY key = nullptr;
  const LONG status = ::RegOpenKeyExA(Key(parent), subkey.c_str(), 0, access, &key);
  *result = reinterpret_cast<KeyHandle>(key);
  return status;
}

long CreateKey(KeyHandle parent, const std::string& subkey, std::uint32_t access, KeyHandle* result) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  const LONG status = ::RegCreateKeyExA(Key(parent), subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        access, nullptr, &key, &disposition);
  *result = reinterpret_cast<KeyHandle>(key);
  return status;
}

long QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type, unsigned char* data,
                std::uint32_t* size) {
  DWORD valueType = 0, valueSize = *size;
  const LONG status = ::RegQueryValueExA(Key(key), name.c_str(), nullptr, &valueType, data, &valueSize);
  *type = valueType;
  *size = valueSize;
  return status;
}

long QueryValueW(KeyHandle key, const std::u16string& name, std::uint32_t* type, unsigned char* data,
                 std::uint32_t* size) {
  DWORD valueType = 0, valueSize = *size;
  const LONG status = ::RegQueryValueExW(Key(key), Wide(name), nullptr, &valueType, data, &valueSize);
  *type = valueType;
  *size = valueSize;
  return status;
}

long SetValue(KeyHandle key, const std::string& name, std::uint32_t type, const unsigned char* data,
              std::uint32_t size) {
  return ::RegSetValueExA(Key(key), name.c_str(), 0, type, data, size);
}

long CloseKey(KeyHandle key) { return ::RegCloseKey(Key(key)); }

FindHandle FindFirst(const std::string& pattern, FindData* data) {
  WIN32_FIND_DATAA found;
  HANDLE handle = ::FindFirstFileA(pattern.c_str(), &found);
  if (handle != INVALID_HANDLE_VALUE) {
    data->attributes = found.dwFileAttributes;
    data->lastWriteTime = FromFileTime(found.ftLastWriteTime);
    data->size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  }
  return reinterpret_cast<FindHandle>(handle);
}

FindHandle FindFirstW(const std::u16string& pattern, FindData* data) {
  WIN32_FIND_DATAW found;
  HANDLE handle = ::FindFirstFileW(Wide(pattern), &found);
  if (handle != INVALID_HANDLE_VALUE) {
    data->attributes = found.dwFileAttributes;
    data->lastWriteTime = FromFileTime(found.ftLastWriteTime);
    data->size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  }
  return reinterpret_cast<FindHandle>(handle);
}

bool CloseFind(FindHandle handle) { return ::FindClose(Handle(handle)) != FALSE; }

bool FileTimeToLocalFileTime(std::uint64_t fileTime, std::uint64_t* localTime) {
  const FILETIME in = ToFileTime(fileTime);
  FILETIME out;
  if (!::FileTimeToLocalFileTime(&in, &out)) return false;
  *localTime = FromFileTime(out);
  return true;
}

bool FileTimeToDosDateTime(std::uint64_t fileTime, std::uint16_t* dosDate, std::uint16_t* dosTime) {
  const FILETIME in = ToFileTime(fileTime);
  WORD date = 0, time = 0;
  if (!::FileTimeToDosDateTime(&in, &date, &time)) return false;
  *dosDate = date;
  *dosTime = time;
  return true;
}

bool RenameFile(const std::string& from, const std::string& to) {
  return ::MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

bool RenameFileW(const std::u16string& from, const std::u16string& to) {
  return ::MoveFileW(Wide(from), Wide(to)) != FALSE;
}

bool RemoveFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != FALSE; }

bool RemoveFileW(const std::u16string& path) { return ::DeleteFileW(Wide(path)) != FALSE; }

std::uint32_t QueryWindowsDirectory(char* buffer, std::uint32_t size) { return ::GetWindowsDirectoryA(buffer, size); }

std::uint32_t QuerySystemDirectory(char* buffer, std::uint32_t size) { return ::GetSystemDirectoryA(buffer, size); }

std::uint32_t QueryTempPath(std::uint32_t size, char* buffer) { return ::GetTempPathA(size, buffer); }

std::uint32_t QueryTempPathW(std::uint32_t size, char16_t* buffer) {
  return ::GetTempPathW(size, reinterpret_cast<wchar_t*>(buffer));
}

std::uint32_t QueryModuleFileName(char* buffer, std::uint32_t size) {
  return ::GetModuleFileNameA(nullptr, buffer, size);
}

std::string AnsiCommandLine() { return ::GetCommandLineA(); }

std::u16string WideCommandLine() { return reinterpret_cast<const char16_t*>(::GetCommandLineW()); }

StartupInfo OwnStartupInfo() {
  STARTUPINFOA info;
  std::memset(&info, 0, sizeof info);
  info.cb = sizeof info;
  ::GetStartupInfoA(&info);
  return FromStartupInfo<std::string>(info);
}

StartupInfoW OwnStartupInfoW() {
  STARTUPINFOW info;
  std::memset(&info, 0, sizeof info);
  info.cb = sizeof info;
  ::GetStartupInfoW(&info);
  return FromStartupInfo<std::u16string>(info);
}

bool StartProcess(const std::string& commandLine, const StartupInfo& startup, ProcessHandles* handles) {
  STARTUPINFOA info = ToStartupInfo<STARTUPINFOA>(startup);
  // CreateProcessA may write into the command line it is given.
  std::string writable = commandLine;
  PROCESS_INFORMATION process;
  std::memset(&process, 0, sizeof process);
  if (!::CreateProcessA(nullptr, &writable[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &info, &process))
    return false;
  handles->process = reinterpret_cast<ProcessHandle>(process.hProcess);
  handles->thread = reinterpret_cast<ThreadHandle>(process.hThread);
  return true;
}

bool StartProcessW(const std::u16string& commandLine, const StartupInfoW& startup, ProcessHandles* handles) {
  STARTUPINFOW info = ToStartupInfo<STARTUPINFOW>(startup);
  // CreateProcessW writes into the command line it is given.
  std::u16string writable = commandLine;
  PROCESS_INFORMATION process;
  std::memset(&process, 0, sizeof process);
  if (!::CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(&writable[0]), nullptr, nullptr, FALSE,
                        NORMAL_PRIORITY_CLASS, nullptr, nullptr, &info, &process))
    return false;
  handles->process = reinterpret_cast<ProcessHandle>(process.hProcess);
  handles->thread = reinterpret_cast<ThreadHandle>(process.hThread);
  return true;
}

std::uint32_t WaitForSingleObject(ProcessHandle handle, std::uint32_t milliseconds) {
  return ::WaitForSingleObject(Handle(handle), milliseconds);
}

std::uint32_t GetCurrentProcessId() { return ::GetCurrentProcessId(); }

ProcessHandle CurrentProcess() { return reinterpret_cast<ProcessHandle>(::GetCurrentProcess()); }

ProcessHandle OpenProcessToQuery(std::uint32_t processId) {
  return reinterpret_cast<ProcessHandle>(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
}

bool GetProcessCreationTime(ProcessHandle process, std::uint64_t* creationTime) {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(Handle(process), &created, &exited, &kernel, &user)) return false;
  *creationTime = (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
  return true;
}

bool GetExitCodeProcess(ProcessHandle process, std::uint32_t* code) {
  DWORD exitCode = 0;
  if (!::GetExitCodeProcess(Handle(process), &exitCode)) return false;
  *code = exitCode;
  return true;
}

std::uint32_t GetEnvironmentVariableA(const std::string& name, char* buffer, std::uint32_t size) {
  return ::GetEnvironmentVariableA(name.c_str(), buffer, size);
}

bool SetEnvironmentVariableA(const std::string& name, const std::string& value) {
  return ::SetEnvironmentVariableA(name.c_str(), value.c_str()) != FALSE;
}

SnapshotHandle CreateProcessSnapshot() {
  return reinterpret_cast<SnapshotHandle>(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
}

namespace {
bool TakeEntry(BOOL found, const PROCESSENTRY32W& raw, ProcessEntry* entry) {
  entry->processId = raw.th32ProcessID;
  entry->parentProcessId = raw.th32ParentProcessID;
  return found != FALSE;
}
}  // namespace

bool Process32FirstW(SnapshotHandle snapshot, ProcessEntry* entry) {
  PROCESSENTRY32W raw{};
  raw.dwSize = sizeof raw;
  return TakeEntry(::Process32FirstW(Handle(snapshot), &raw), raw, entry);
}

bool Process32NextW(SnapshotHandle snapshot, ProcessEntry* entry) {
  PROCESSENTRY32W raw{};
  raw.dwSize = sizeof raw;
  return TakeEntry(::Process32NextW(Handle(snapshot), &raw), raw, entry);
}

bool GetVersionPlatformId(std::uint32_t* platformId) {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
  *platformId = info.dwPlatformId;
  return true;
}

namespace {
template <typename Info, typename Text>
ProcessHandle ShellOpen(Info info, const Text& verb, const Text& file, const Text& parameters, const Text& directory,
                        int show, BOOL(WINAPI* execute)(Info*)) {
  info.cbSize = sizeof info;
  // NOASYNC: a launcher that does not wait ends right after the call, so
  // the open must be done by then, not left to the shell's own threads.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
  info.lpVerb = verb;
  info.lpFile = file;
  info.lpParameters = parameters;
  info.lpDirectory = directory;
  info.nShow = show;
  if (!execute(&info)) return 0;
  return reinterpret_cast<ProcessHandle>(info.hProcess);
}
}  // namespace

ProcessHandle ShellOpenProcess(const std::string& verb, const std::string& file, const std::string& parameters,
                               const std::string& directory, int show) {
  return ShellOpen(SHELLEXECUTEINFOA{}, verb.c_str(), file.c_str(), parameters.c_str(), directory.c_str(), show,
                   ::ShellExecuteExA);
}

ProcessHandle ShellOpenProcessW(const std::u16string& verb, const std::u16string& file,
                                const std::u16string& parameters, const std::u16string& directory, int show) {
  return ShellOpen(SHELLEXECUTEINFOW{}, Wide(verb), Wide(file), Wide(parameters), Wide(directory), show,
                   ::ShellExecuteExW);
}

WindowHandle GetForegroundWindow() { return reinterpret_cast<WindowHandle>(::GetForegroundWindow()); }

bool PeekMessageNoRemove() {
  MSG message;
  return ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) != FALSE;
}

int ShowBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
            std::uint32_t style) {
  return ::MessageBoxW(reinterpret_cast<HWND>(owner), reinterpret_cast<const wchar_t*>(text.c_str()),
                       reinterpret_cast<const wchar_t*>(caption.c_str()), style);
}

ActivationContext CreateOwnActivationContext(std::uint16_t resourceId) {
  ACTCTXW context = {};
  context.cbSize = sizeof context;
  context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID;
  context.hModule = reinterpret_cast<HMODULE>(&__ImageBase);
  context.lpResourceName = MAKEINTRESOURCEW(resourceId);
  return reinterpret_cast<ActivationContext>(::CreateActCtxW(&context));
}

bool ActivateActivationContext(ActivationContext context, std::uintptr_t* cookie) {
  ULONG_PTR value = 0;
  if (!::ActivateActCtx(reinterpret_cast<HANDLE>(context), &value)) return false;
  *cookie = value;
  return true;
}

bool DeactivateActivationContext(std::uintptr_t cookie) { return ::DeactivateActCtx(0, cookie) != FALSE; }

void ReleaseActivationContext(ActivationContext context) { ::ReleaseActCtx(reinterpret_cast<HANDLE>(context)); }

bool QueryFileVersionInfo(const std::string& path, std::uint32_t size, VersionBlock* block) {
  block->bytes.reset(new unsigned char[size]);  // default-initialised: left as it is
  block->size = size;
  return ::GetFileVersionInfoA(path.c_str(), 0, size, block->bytes.get()) != FALSE;
}

bool VerQueryFileVersionMS(const VersionBlock& block, std::uint32_t* versionMS) {
  void* value = nullptr;
  UINT length = 0;
  if (block.size == 0 || !::VerQueryValueA(block.bytes.get(), "\\", &value, &length) || value == nullptr ||
      length < sizeof(VS_FIXEDFILEINFO))
    return false;
  *versionMS = static_cast<const VS_FIXEDFILEINFO*>(value)->dwFileVersionMS;
  return true;
}

std::u16string MultiByteToWideChar(std::uint32_t codePage, const std::string& text) {
  if (text.empty()) return std::u16string();
  const int length = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return std::u16string();
  std::u16string wide(static_cast<std::size_t>(length), u'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<wchar_t*>(&wide[0]), length);
  return wide;
}

std::string WideCharToMultiByte(std::uint32_t codePage, std::uint32_t flags, const std::u16string& text,
                                bool* usedDefault) {
  BOOL defaulted = FALSE;
  *usedDefault = false;
  if (text.empty()) return std::string();
  const int units = static_cast<int>(text.size());
  // The UTF-8 and UTF-7 code pages take no used-default flag.
  BOOL* asked = codePage != 65001 && codePage != 65000 ? &defaulted : nullptr;
  const int length = ::WideCharToMultiByte(codePage, flags, Wide(text), units, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string bytes(static_cast<std::size_t>(length), '\0');
  if (::WideCharToMultiByte(codePage, flags, Wide(text), units, &bytes[0], length, nullptr, asked) <= 0)
    return std::string();
  *usedDefault = defaulted != FALSE;
  return bytes;
}

bool IsDBCSLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; }

std::uint32_t LowerCaseBuffer(char* text, std::uint32_t length) { return ::CharLowerBuffA(text, length); }

std::uint32_t LowerCaseBufferW(char16_t* text, std::uint32_t length) {
  return ::CharLowerBuffW(reinterpret_cast<wchar_t*>(text), length);
}

std::uint32_t GetSystemDefaultLCID() { return ::GetSystemDefaultLCID(); }

int GetLocaleDecimalSeparator(std::uint32_t lcid, char* buffer, int size) {
  return ::GetLocaleInfoA(lcid, LOCALE_SDECIMAL, buffer, size);
}

}  // namespace os
