#include "machine_state.h"

#include <algorithm>

#include "win_handles.h"

namespace machine {
namespace {

bool IsDirectory(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring Upper(std::wstring s) {
  CharUpperBuffW(&s[0], static_cast<DWORD>(s.size()));
  return s;
}

std::wstring Trimmed(std::wstring path) {
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

std::vector<std::wstring> NamesIn(const std::wstring& directory) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  win::Find find(FindFirstFileW((Trimmed(directory) + L"\\*").c_str(), &data));
  if (!find.valid()) return names;
  do {
    std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find.get(), &data));
  return names;
}

std::wstring Join(const std::wstring& directory, const std::wstring& name) {
  std::wstring d = Trimmed(directory);
  return d.back() == L'\\' ? d + name : d + L"\\" + name;
}

}  // namespace

std::wstring ParentOf(const std::wstring& path) {
  std::wstring p = Trimmed(path);
  size_t cut = p.find_last_of(L'\\');
  if (cut == std::wstring::npos) return std::wstring();
  return cut == 2 ? p.substr(0, 3) : p.substr(0, cut);  // C:\ keeps its backslash
}

void RemoveTree(const std::wstring& path) {
  std::wstring p = Trimmed(path);
  DWORD a = GetFileAttributesW(p.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return;
  if (a & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(p.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
  if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileW(p.c_str());
    return;
  }
  for (const std::wstring& name : NamesIn(p)) RemoveTree(Join(p, name));
  RemoveDirectoryW(p.c_str());
}

void Journal::WatchDirectory(const std::wstring& directory) {
  std::wstring key = Upper(Trimmed(directory));
  for (const Listing& l : listings_)
    if (Upper(l.directory) == key) return;
  for (const std::wstring& made : madeDirectories_) {
    const std::wstring m = Upper(made);
    if (key.compare(0, m.size(), m) == 0 && (key.size() == m.size() || key[m.size()] == L'\\'))
      return;  // goes as a whole
  }
  Listing listing{Trimmed(directory), {}};
  for (const std::wstring& name : NamesIn(directory)) listing.names.insert(Upper(name));
  listings_.push_back(listing);
}

bool Journal::MakeDirectories(const std::wstring& path) {
  std::wstring p = Trimmed(path);
  if (IsDirectory(p)) return true;
  if (Exists(p)) return false;
  std::wstring parent = ParentOf(p);
  if (parent.empty() || parent == p || !MakeDirectories(parent)) return false;
  WatchDirectory(parent);
  if (!CreateDirectoryW(p.c_str(), nullptr)) return false;
  madeDirectories_.push_back(p);
  return true;
}

bool Journal::WriteFile(const std::wstring& path, const std::string& bytes) {
  std::wstring parent = ParentOf(path);
  if (parent.empty() || !MakeDirectories(parent)) return false;
  WatchDirectory(parent);
  if (Exists(path)) {
    if (IsDirectory(path)) return false;
    bool known = false;
    for (const Backup& b : backups_) known = known || Upper(b.original) == Upper(path);
    if (!known) {
      std::wstring copy = backupDirectory_ + L"\\backup" + std::to_wstring(backups_.size());
      CreateDirectoryW(backupDirectory_.c_str(), nullptr);
      if (!CopyFileW(path.c_str(), copy.c_str(), FALSE)) return false;
      backups_.push_back({path, copy});
    }
  }
  win::File file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

bool Journal::KeyExists(HKEY root, const std::wstring& path) const {
  win::Key key;
  return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.receive()) == ERROR_SUCCESS;
}

bool Journal::MakeKey(HKEY root, const std::wstring& path) {
  if (KeyExists(root, path)) return true;
  // Remember the outermost key that this makes: deleting it takes the rest.
  std::wstring outermost = path;
  for (size_t cut = path.find(L'\\'); cut != std::wstring::npos; cut = path.find(L'\\', cut + 1)) {
    if (!KeyExists(root, path.substr(0, cut))) {
      outermost = path.substr(0, cut);
      break;
    }
  }
  win::Key key;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.receive(), nullptr) !=
      ERROR_SUCCESS)
    return false;
  madeKeys_.push_back({root, outermost});
  return true;
}

bool Journal::SetValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                       const std::string& data) {
  const bool keyExisted = KeyExists(root, path);
  if (!MakeKey(root, path)) return false;
  win::Key key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, key.receive()) != ERROR_SUCCESS) return false;
  if (keyExisted) {
    Value old{root, path, name, false, 0, std::string()};
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &old.type, nullptr, &size) == ERROR_SUCCESS) {
      old.existed = true;
      old.data.resize(size);
      RegQueryValueExW(key.get(), name.c_str(), nullptr, &old.type, reinterpret_cast<BYTE*>(&old.data[0]), &size);
      old.data.resize(size);
    }
    replacedValues_.push_back(old);
  }
  return RegSetValueExW(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

void Journal::Undo() {
  for (auto v = replacedValues_.rbegin(); v != replacedValues_.rend(); ++v) {
    win::Key key;
    if (RegOpenKeyExW(v->root, v->path.c_str(), 0, KEY_ALL_ACCESS, key.receive()) != ERROR_SUCCESS) continue;
    if (v->existed)
      RegSetValueExW(key.get(), v->name.c_str(), 0, v->type, reinterpret_cast<const BYTE*>(v->data.data()),
                     static_cast<DWORD>(v->data.size()));
    else
      RegDeleteValueW(key.get(), v->name.c_str());
  }
  for (auto k = madeKeys_.rbegin(); k != madeKeys_.rend(); ++k) {
    RegDeleteTreeW(k->root, k->path.c_str());
    RegDeleteKeyW(k->root, k->path.c_str());
  }
  for (auto l = listings_.rbegin(); l != listings_.rend(); ++l)
    for (const std::wstring& name : NamesIn(l->directory))
      if (!l->names.count(Upper(name))) RemoveTree(Join(l->directory, name));
  for (auto d = madeDirectories_.rbegin(); d != madeDirectories_.rend(); ++d) RemoveTree(*d);
  for (auto b = backups_.rbegin(); b != backups_.rend(); ++b) {
    CopyFileW(b->copy.c_str(), b->original.c_str(), FALSE);
    DeleteFileW(b->copy.c_str());
  }
  madeDirectories_.clear();
  listings_.clear();
  backups_.clear();
  madeKeys_.clear();
  replacedValues_.clear();
}

}  // namespace machine
