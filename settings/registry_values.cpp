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

// The two calls through the A or the W call.
template <typename Char>
std::optional<ValueData> QueryValueData(os::KeyHandle key, const std::string& name) {
  ValueData value;
  if (QueryValue(key, name, &value.type, nullptr, &value.size, Char()) != os::kSuccess) return std::nullopt;
  if (value.size == 0) return value;
  std::uint32_t type = 0, size = value.size;
  value.bytes.resize(size);
  value.failed = QueryValue(key, name, &type, value.bytes.data(), &size, Char()) != os::kSuccess;
  if (value.failed) {
    value.bytes.clear();
    return value;
  }
  value.type = type;
  // The system may report fewer bytes on the second call than on the first.
  value.bytes.resize(std::min<std::size_t>(size, value.bytes.size()));
  return value;
}

template <typename Char>
struct TextRead {
  StringRead::Outcome outcome = StringRead::Absent;
  std::uint32_t type = 0;
  std::basic_string<Char> text;
};

// The string-read rule on the two calls' answer; a value without data is
// empty text whatever its type.
template <typename Char>
TextRead<Char> ReadText(os::KeyHandle key, const std::string& name) {
  TextRead<Char> read;
  const std::optional<ValueData> value = QueryValueData<Char>(key, name);
  if (!value) return read;
  read.type = value->type;
  if (value->size > 0 && value->failed) read.outcome = StringRead::ReadFailed;
  else if (value->size > 0 && value->type != os::kRegSz && value->type != os::kRegExpandSz)
    read.outcome = StringRead::NotAString;
  else read.outcome = StringRead::Text;
  if (read.outcome != StringRead::Text) return read;
  read.text.assign(value->bytes.size() / sizeof(Char), Char(0));
  std::copy(value->bytes.begin(), value->bytes.begin() + read.text.size() * sizeof(Char),
            reinterpret_cast<unsigned char*>(&read.text[0]));
  read.text = read.text.substr(0, read.text.find(Char(0)));
  return read;
}

// Raises for a value that is there but cannot be read as a string.
template <typename Char>
std::optional<std::basic_string<Char>> ReadPresentString(os::KeyHandle key, const std::string& name) {
  TextRead<Char> read = ReadText<Char>(key, name);
  if (read.outcome == StringRead::Absent) return std::nullopt;
  if (read.outcome == StringRead::ReadFailed) RaiseRegistryError(messages::ValueReadFailed(name));
  if (read.outcome == StringRead::NotAString) RaiseRegistryError(messages::ValueTypeInvalid(name));
  return std::move(read.text);
}

}  // namespace

std::optional<ValueData> ReadValueData(os::KeyHandle key, const std::string& name) {
  return QueryValueData<char>(key, name);
}

StringRead ReadString(os::KeyHandle key, const std::string& name) {
  TextRead<char> read = ReadText<char>(key, name);
  return StringRead{read.outcome, read.type, std::move(read.text)};
}

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
