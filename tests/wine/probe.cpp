#include "probe.h"

#include <cstdint>
#include <string>
#include <vector>

#include "setup.h"
#include "text.h"
#include "win_handles.h"

namespace probe {
namespace {

std::optional<scn::SeenRegValue> ReadValue(const scn::RegValueSpec& where) {
  win::Key key;
  if (RegOpenKeyExW(setup::RootOf(where.root), text::ToWide(where.path).c_str(), 0, KEY_READ, key.receive()) !=
      ERROR_SUCCESS)
    return std::nullopt;
  const std::wstring name = text::ToWide(where.name);
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  std::string data(size, '\0');
  if (size > 0 && RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                                   &size) != ERROR_SUCCESS)
    return std::nullopt;
  data.resize(size);
  scn::SeenRegValue out;
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      out.type = type == REG_SZ ? "sz" : "expand";
      std::wstring wide(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
      out.data = text::ToUtf8(wide.substr(0, wide.find(L'\0')));
      break;
    }
    case REG_DWORD: {
      unsigned long number = 0;
      for (size_t i = 0; i < 4 && i < data.size(); ++i) number |= static_cast<unsigned long>(static_cast<unsigned char>(data[i])) << (8 * i);
      out.type = "dword";
      out.data = std::to_string(number);
      break;
    }
    default:
      out.type = type == REG_BINARY ? "binary" : type == REG_MULTI_SZ ? "multi" : std::to_string(type);
      out.data = scn::HexBytes(data);
  }
  return out;
}

std::uint64_t Digest(const std::string& bytes) {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

std::uint64_t Ticks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// A file held without sharing (a scenario's locked file) cannot be read:
// its content then stands as unreadable, before and after alike.
std::string ContentOf(const std::wstring& path) {
  win::File file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return "unreadable";
  std::string bytes;
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
  return std::to_string(Digest(bytes));
}

std::optional<scn::SeenFile> FileAt(const std::string& path) {
  std::wstring wide = text::ToWide(path);
  while (wide.size() > 3 && wide.back() == L'\\') wide.pop_back();
  // The stored name, letter case as on disk, comes from the folder's listing.
  WIN32_FIND_DATAW data;
  win::Find find(FindFirstFileW(wide.c_str(), &data));
  if (!find.valid()) return std::nullopt;
  scn::SeenFile out;
  out.name = text::ToUtf8(data.cFileName);
  out.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (!out.directory) {
    out.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    out.lastWrite = Ticks(data.ftLastWriteTime);
    out.content = ContentOf(wide);
  }
  return out;
}

std::vector<std::string> NamesIn(const std::string& folder) {
  std::wstring pattern = text::ToWide(folder);
  if (pattern.empty() || pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  std::vector<std::string> names;
  WIN32_FIND_DATAW data;
  win::Find find(FindFirstFileW(pattern.c_str(), &data));
  if (!find.valid()) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(text::ToUtf8(name));
  } while (FindNextFileW(find.get(), &data));
  return names;
}

}  // namespace

scn::AfterProbe MachineProbe() {
  scn::AfterProbe probe;
  probe.fileExists = [](const std::string& path) {
    DWORD a = GetFileAttributesW(text::ToWide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
  };
  probe.regValue = ReadValue;
  probe.fileAt = FileAt;
  probe.namesIn = NamesIn;
  return probe;
}

}  // namespace probe
