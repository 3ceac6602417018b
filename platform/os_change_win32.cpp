// The system seam's calls that only the settings and setup programs make,
// on Windows: each one Win32 call, reads and changes alike. Apart from
// os_win32.cpp, the launcher's calls and all of the seam it links, so that
// the launcher carries none of them.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wintrust.h>
#include <softpub.h>

#include <cstring>

#include "platform/os.h"

namespace os {
namespace {

HKEY Key(KeyHandle key) { return reinterpret_cast<HKEY>(key); }
HANDLE Handle(std::uintptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

}  // namespace

long OpenKeyW(KeyHandle parent, const std::u16string& subkey, std::uint32_t access, KeyHandle* result) {
  HKEY key = nullptr;
  const LONG status = ::RegOpenKeyExW(Key(parent), Wide(subkey), 0, access, &key);
  *result = reinterpret_cast<KeyHandle>(key);
  return status;
}

long CreateKeyW(KeyHandle parent, const std::u16string& subkey, std::uint32_t access, KeyHandle* result,
                bool* created) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  const LONG status = ::RegCreateKeyExW(Key(parent), Wide(subkey), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                        nullptr, &key, &disposition);
  *result = reinterpret_cast<KeyHandle>(key);
  *created = disposition == REG_CREATED_NEW_KEY;
  return status;
}

long SetValueW(KeyHandle key, const std::u16string& name, std::uint32_t type, const unsigned char* data,
               std::uint32_t size) {
  return ::RegSetValueExW(Key(key), Wide(name), 0, type, data, size);
}

long DeleteValue(KeyHandle key, const std::string& name) { return ::RegDeleteValueA(Key(key), name.c_str()); }
long DeleteValueW(KeyHandle key, const std::u16string& name) { return ::RegDeleteValueW(Key(key), Wide(name)); }

long DeleteKeyW(KeyHandle parent, const std::u16string& subkey, std::uint32_t view) {
  return ::RegDeleteKeyExW(Key(parent), Wide(subkey), view, 0);
}

// Key names are at most 255 characters, value names 16383.
long EnumKeyW(KeyHandle key, std::uint32_t index, std::u16string* name) {
  wchar_t buffer[256];
  DWORD length = 256;
  const LONG status = ::RegEnumKeyExW(Key(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) name->assign(reinterpret_cast<const char16_t*>(buffer), length);
  return status;
}

long EnumValueNameW(KeyHandle key, std::uint32_t index, std::u16string* name) {
  std::u16string buffer(16384, u'\0');
  DWORD length = 16384;
  const LONG status = ::RegEnumValueW(Key(key), index, reinterpret_cast<wchar_t*>(&buffer[0]), &length, nullptr,
                                      nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) name->assign(buffer.data(), length);
  return status;
}

std::uint32_t FileAttributesW(const std::u16string& path) { return ::GetFileAttributesW(Wide(path)); }

FileHandle OpenFileForWritingW(const std::u16string& path) {
  const HANDLE file = ::CreateFileW(Wide(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return reinterpret_cast<FileHandle>(file);
}

FileHandle OpenFileForReadingW(const std::u16string& path) {
  const HANDLE file = ::CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return reinterpret_cast<FileHandle>(file);
}

bool ReadFileBytes(FileHandle file, unsigned char* buffer, std::uint32_t size, std::uint32_t* read) {
  DWORD count = 0;
  const BOOL ok = ::ReadFile(reinterpret_cast<HANDLE>(file), buffer, size, &count, nullptr);
  *read = count;
  return ok != FALSE;
}

bool GetFileSecurityW(const std::u16string& path, std::uint32_t information, unsigned char* buffer, std::uint32_t size,
                      std::uint32_t* needed) {
  DWORD length = 0;
  const BOOL ok = ::GetFileSecurityW(Wide(path), information, buffer, size, &length);
  *needed = length;
  return ok != FALSE;
}

std::uint32_t QueryProcessImageNameW(ProcessHandle process, char16_t* buffer, std::uint32_t size) {
  DWORD count = size;
  if (!::QueryFullProcessImageNameW(reinterpret_cast<HANDLE>(process), 0, reinterpret_cast<wchar_t*>(buffer), &count))
    return 0;
  return count;
}

bool CopyFileOverW(const std::u16string& from, const std::u16string& to) {
  return ::CopyFileW(Wide(from), Wide(to), FALSE) != FALSE;
}

bool RemoveAtRestartW(const std::u16string& path) {
  return ::MoveFileExW(Wide(path), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool MakeDirectoryW(const std::u16string& path) { return ::CreateDirectoryW(Wide(path), nullptr) != FALSE; }

bool RemoveDirectoryOnlyW(const std::u16string& path) { return ::RemoveDirectoryW(Wide(path)) != FALSE; }

std::uint32_t QueryWindowsDirectoryW(char16_t* buffer, std::uint32_t size) {
  return ::GetWindowsDirectoryW(reinterpret_cast<wchar_t*>(buffer), size);
}

std::uint32_t QueryModuleFileNameW(char16_t* buffer, std::uint32_t size) {
  return ::GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(buffer), size);
}

std::uint32_t GetEnvironmentVariableW(const std::u16string& name, char16_t* buffer, std::uint32_t size) {
  return ::GetEnvironmentVariableW(Wide(name), reinterpret_cast<wchar_t*>(buffer), size);
}

bool IsWow64Process2(std::uint16_t* processMachine, std::uint16_t* nativeMachine) {
  // Looked up, never imported: it came with Windows 10 1709, and an import
  // would keep the program from starting on anything older.
  using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
  const auto isWow64Process2 = reinterpret_cast<IsWow64Process2Function>(
      reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "IsWow64Process2")));
  USHORT process = 0, native = 0;
  if (isWow64Process2 == nullptr || !isWow64Process2(::GetCurrentProcess(), &process, &native)) return false;
  *processMachine = process;
  *nativeMachine = native;
  return true;
}

std::uint16_t NativeProcessorArchitecture() {
  SYSTEM_INFO info;
  std::memset(&info, 0, sizeof info);
  ::GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture;
}

std::uintptr_t StandardHandle(bool error) {
  return reinterpret_cast<std::uintptr_t>(::GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE));
}

std::uintptr_t StandardInputHandle() { return reinterpret_cast<std::uintptr_t>(::GetStdHandle(STD_INPUT_HANDLE)); }

bool ReadConsoleW(std::uintptr_t handle, char16_t* buffer, std::uint32_t size, std::uint32_t* read) {
  DWORD count = 0;
  const BOOL ok = ::ReadConsoleW(Handle(handle), buffer, size, &count, nullptr);
  *read = count;
  return ok != FALSE;
}

// WriteConsoleW fails on a handle that is a file or a pipe.
bool WriteConsoleW(std::uintptr_t handle, const std::u16string& text) {
  DWORD written = 0;
  return ::WriteConsoleW(Handle(handle), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != FALSE &&
         written == text.size();
}

bool WriteFileBytes(std::uintptr_t handle, const std::string& bytes) {
  DWORD written = 0;
  return ::WriteFile(Handle(handle), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != FALSE &&
         written == bytes.size();
}

std::uint32_t GetConsoleOutputCP() { return ::GetConsoleOutputCP(); }

std::intptr_t ShellRunW(WindowHandle owner, const std::u16string& verb, const std::u16string& file,
                        const std::u16string& parameters, const std::u16string& directory, int show) {
  return reinterpret_cast<std::intptr_t>(::ShellExecuteW(reinterpret_cast<HWND>(owner), Wide(verb), Wide(file),
                                                         Wide(parameters), Wide(directory), show));
}

ProcessHandle ShellRunProcessW(const std::u16string& verb, const std::u16string& file,
                               const std::u16string& parameters) {
  SHELLEXECUTEINFOW info;
  std::memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  // NOASYNC: the program may exit right after; the start must be done
  // when the call returns, not left to the shell's own threads.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = Wide(verb);
  info.lpFile = Wide(file);
  info.lpParameters = Wide(parameters);
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info)) return 0;
  return reinterpret_cast<ProcessHandle>(info.hProcess);
}

bool IsUserAnAdmin() { return ::IsUserAnAdmin() != FALSE; }

std::uint32_t QueryFileVersionInfoSizeW(const std::u16string& path) {
  DWORD ignored = 0;
  return ::GetFileVersionInfoSizeW(Wide(path), &ignored);
}

bool QueryFileVersionInfoW(const std::u16string& path, std::uint32_t size, std::vector<unsigned char>* block) {
  block->assign(size, 0);
  return ::GetFileVersionInfoW(Wide(path), 0, size, block->data()) != FALSE;
}

bool VerQueryTextW(const std::vector<unsigned char>& block, const std::u16string& subBlock, std::u16string* text) {
  void* value = nullptr;
  UINT length = 0;
  if (block.empty() || !::VerQueryValueW(block.data(), Wide(subBlock), &value, &length) || value == nullptr ||
      length == 0)
    return false;
  // For a text the length counts characters, the NUL included.
  text->assign(static_cast<const char16_t*>(value), length);
  if (!text->empty() && text->back() == u'\0') text->pop_back();
  return true;
}

std::int32_t VerifyFileTrustW(const std::u16string& path) {
  WINTRUST_FILE_INFO file;
  std::memset(&file, 0, sizeof file);
  file.cbStruct = sizeof file;
  file.pcwszFilePath = Wide(path);
  WINTRUST_DATA data;
  std::memset(&data, 0, sizeof data);
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_IGNORE;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  return ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
}

}  // namespace os
