#include "settings/registry_values.h"

#include <vector>

#include "platform/fatal.h"
#include "platform/messages.h"

namespace velquin {
namespace {

os::KeyHandle BaseKey(const RegistryView& view, const std::string& path, std::string* relative) {
  if (!path.empty() && path[0] == '\\') {
    *relative = path.substr(1);
    return view.root;
  }
  *relative = path;
  return view.open != 0 ? view.open : view.root;
}

}  // namespace

RegKey OpenExistingKey(const RegistryView& view, const std::string& path, std::uint32_t access) {
  std::string relative;
  const os::KeyHandle base = BaseKey(view, path, &relative);
  os::KeyHandle key = 0;
  if (os::OpenKey(base, relative, access, &key) != os::kSuccess) return RegKey();
  return RegKey(key);
}

RegKey OpenSettingsKey(const RegistryView& view, const std::string& path) {
  std::string relative;
  const os::KeyHandle base = BaseKey(view, path, &relative);
  os::KeyHandle key = 0;
  long status = os::OpenKey(base, relative, os::kKeyAllAccess, &key);
  if (status == os::kAccessDenied) status = os::OpenKey(base, relative, os::kKeyRead, &key);
  return status == os::kSuccess ? RegKey(key) : RegKey();
}

namespace {

long QueryValue(os::KeyHandle key, const std::string& name, std::uint32_t* type, unsigned char* data,
               std::uint32_t* size, char) {
  return os::QueryValue(key, name, type, data, size);
}

long QueryValue(os::KeyHandle key, const std::string& name, std::uint32_t* type, unsigned char* data,
               std::uint32_t* size, char16_t) {
  return os::QueryValueW(key, std::u16string(name.begin(), name.end()), type, data, size);
}

// The read once the size is known; raises on a failed read or a type that
// is not a string. Char picks the A or the W call; names are seven-bit.
template <typename Char>
std::basic_string<Char> ReadStringData(os::KeyHandle key, const std::string& name, std::uint32_t size) {
  if (size == 0) return {};
  std::uint32_t type = 0;
  std::vector<unsigned char> data(size);
  if (QueryValue(key, name, &type, data.data(), &size, Char()) != os::kSuccess)
    RaiseRegistryError(messages::ValueReadFailed(name));
  if (type != os::kRegSz && type != os::kRegExpandSz) RaiseRegistryError(messages::ValueTypeInvalid(name));
  // The system may report fewer bytes on the second call than on the first.
  const std::size_t bytes = std::min<std::size_t>(size, data.size());
  std::basic_string<Char> text(bytes / sizeof(Char), Char(0));
  std::copy(data.begin(), data.begin() + text.size() * sizeof(Char), reinterpret_cast<unsigned char*>(&text[0]));
  return text.substr(0, text.find(Char(0)));
}

// One size query answers both whether the value exists and how big it is.
template <typename Char>
std::optional<std::basic_string<Char>> ReadPresentString(os::KeyHandle key, const std::string& name) {
  std::uint32_t type = 0, size = 0;
  if (QueryValue(key, name, &type, nullptr, &size, Char()) != os::kSuccess) return std::nullopt;
  return ReadStringData<Char>(key, name, size);
}

}  // namespace

std::string ReadStringValue(os::KeyHandle key, const std::string& name) {
  return ReadPresentString<char>(key, name).value_or(std::string());
}

std::u16string ReadStringValueW(os::KeyHandle key, const std::string& name) {
  return ReadPresentString<char16_t>(key, name).value_or(std::u16string());
}

std::optional<std::int32_t> ParseIntegerText(std::string text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text = "$" + text.substr(2);
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && text[i] == '$') {
    ++i;
    if (i == text.size()) return std::nullopt;
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
      const char c = text[i];
      int digit;
      if (c >= '0' && c <= '9') digit = c - '0';
      else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      else return std::nullopt;
      value = value * 16 + static_cast<std::uint64_t>(digit);
      if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > 2147483647) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

std::optional<std::string> ReadPresentSetting(const RegistryView& view, const std::string& section,
                                              const std::string& name) {
  RegKey key = OpenSettingsKey(view, section);
  if (!key.valid()) return std::nullopt;
  return ReadPresentString<char>(key.get(), name);
}

std::int32_t ReadSettingInteger(const RegistryView& view, const std::string& section,
                                const std::string& name, std::int32_t fallback) {
  RegKey key = OpenSettingsKey(view, section);
  if (!key.valid()) return fallback;
  const std::optional<std::string> text = ReadPresentString<char>(key.get(), name);
  return text ? ParseIntegerText(*text).value_or(fallback) : fallback;
}

bool ReadSettingBool(const RegistryView& view, const std::string& section, const std::string& name,
                     bool fallback) {
  return ReadSettingInteger(view, section, name, fallback ? 1 : 0) != 0;
}

void WriteSettingBool(const RegistryView& view, const std::string& section, const std::string& name,
                      bool value) {
  std::string relative;
  const os::KeyHandle base = BaseKey(view, section, &relative);
  os::KeyHandle created = 0;
  const long status = os::CreateKey(base, relative, os::kKeyAllAccess, &created);
  // Refused writing, the key keeps what its administrator put there.
  if (status == os::kAccessDenied) return;
  if (status != os::kSuccess) RaiseRegistryError(messages::KeyCreateFailed(section));
  RegKey(created).reset();
  RegKey key = OpenExistingKey(view, section, os::kKeyAllAccess);
  if (!key.valid()) return;
  const unsigned char data[2] = {static_cast<unsigned char>(value ? '1' : '0'), 0};
  if (os::SetValue(key.get(), name, os::kRegSz, data, sizeof data) != os::kSuccess)
    RaiseRegistryError(messages::ValueWriteFailed(name));
}

}  // namespace velquin
