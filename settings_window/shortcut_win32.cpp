#include "settings_window/shortcut_win32.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

namespace velquin {
namespace {

// One COM interface pointer, released once.
template <typename Interface>
class ComRef {
 public:
  ComRef() = default;
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() {
    if (pointer_) pointer_->Release();
  }
  Interface* get() const { return pointer_; }
  void** out() { return reinterpret_cast<void**>(&pointer_); }

 private:
  Interface* pointer_ = nullptr;
};

class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (ok_) CoUninitialize();
  }
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

// Empty when the system cannot name the Programs folder.
std::wstring ShortcutPath(bool forUser) {
  wchar_t programs[MAX_PATH];
  const int folder = forUser ? CSIDL_PROGRAMS : CSIDL_COMMON_PROGRAMS;
  if (FAILED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, programs)))
    return std::wstring();
  return std::wstring(programs) + L"\\Velquin の設定.lnk";
}

std::wstring OwnPath() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(path, length);
}

}  // namespace

bool CreateStartMenuShortcut(bool forUser) {
  const std::wstring link = ShortcutPath(forUser);
  const std::wstring program = OwnPath();
  if (link.empty() || program.empty()) return false;
  const std::wstring folder = program.substr(0, program.rfind(L'\\'));
  ComApartment apartment;
  if (!apartment.ok()) return false;
  ComRef<IShellLinkW> shellLink;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shellLink.out())))
    return false;
  IShellLinkW* shortcut = shellLink.get();
  if (FAILED(shortcut->SetPath(program.c_str())) || FAILED(shortcut->SetWorkingDirectory(folder.c_str())) ||
      FAILED(shortcut->SetIconLocation(program.c_str(), 0)) ||
      FAILED(shortcut->SetDescription(L"Velquin の設定を変更します")))
    return false;
  ComRef<IPersistFile> file;
  if (FAILED(shortcut->QueryInterface(IID_IPersistFile, file.out()))) return false;
  return SUCCEEDED(file.get()->Save(link.c_str(), TRUE));
}

bool RemoveStartMenuShortcut(bool forUser) {
  const std::wstring link = ShortcutPath(forUser);
  if (link.empty()) return false;
  if (DeleteFileW(link.c_str())) return true;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace velquin
