#include "probe.h"


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

}  // namespace

scn::AfterProbe MachineProbe() {
  scn::AfterProbe probe;
  probe.fileExists = [](const std::string& path) {
    DWORD a = GetFileAttributesW(text::ToWide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
  };
  probe.regValue = ReadValue;
  return probe;
}

}  // namespace probe
