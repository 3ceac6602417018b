// Reading and writing settings values. A key path that begins with "\" is
// taken from the root key; any other from the key that is open, or from the
// root when none is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/os.h"
#include "platform/owners.h"

namespace velquin {

struct RegistryView {
  os::KeyHandle root = os::kCurrentUser;
  os::KeyHandle open = 0;  // 0: no key open
};

// Opens with the rights asked for, never creating; an invalid owner when
// it cannot.
RegKey OpenExistingKey(const RegistryView& view, const std::string& path, std::uint32_t access);
// A settings key: with full access, as always; one that refuses it (a key
// an administrator locked by policy) with read access, so that the values
// it enforces are still read.
RegKey OpenSettingsKey(const RegistryView& view, const std::string& path);

// The registry's two-call read: the size and type, then, for a value that
// has data, the data. Nothing for a value that is not there.
struct ValueData {
  std::uint32_t type = 0;            // the data call's; the size call's when there was none or it failed
  std::uint32_t size = 0;            // as the size call reported it
  std::vector<unsigned char> bytes;  // what the data call gave, at most size
  bool failed = false;               // the data call failed
};
std::optional<ValueData> ReadValueData(os::KeyHandle key, const std::string& name);

// A value read as a string, without raising: what became of it.
struct StringRead {
  enum Outcome { Absent, Text, ReadFailed, NotAString } outcome = Absent;
  std::uint32_t type = 0;  // the registry type, when present
  std::string text;        // ANSI, up to the first NUL, for Text
};
StringRead ReadString(os::KeyHandle key, const std::string& name);

// The string-read rule: empty for a missing or empty value; the data up to
// its first NUL. Raises for a failed read or a type that is not a string.
std::string ReadStringValue(os::KeyHandle key, const std::string& name);
// The same rule through the W call, for a wide run.
std::u16string ReadStringValueW(os::KeyHandle key, const std::string& name);

// Integer text: decimal with an optional sign, or "$"/"0x" hexadecimal,
// after leading spaces; nothing when the text is not such a number.
std::optional<std::int32_t> ParseIntegerText(std::string text);

// A value of a settings key by the string-read rule; nothing when the key
// or the value is not there.
std::optional<std::string> ReadPresentSetting(const RegistryView& view, const std::string& section,
                                              const std::string& name);
std::int32_t ReadSettingInteger(const RegistryView& view, const std::string& section,
                                const std::string& name, std::int32_t fallback);
bool ReadSettingBool(const RegistryView& view, const std::string& section, const std::string& name,
                     bool fallback);
// A section that refuses writing is left as it is, without a word.
void WriteSettingBool(const RegistryView& view, const std::string& section, const std::string& name,
                      bool value);

}  // namespace velquin
