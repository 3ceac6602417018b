// The integer text rules over arbitrary bytes, alone and through the
// registry read with every value type and size.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/fatal.h"
#include "settings/registry_values.h"
#include "tests/fake/fake_os.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using fuzzcheck::Shown;

constexpr const char* kSection = "HKCU\\Software\\Tarrowind\\Velquin\\Setting";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The rules, written for clarity: digits are checked first, then the
// value is taken from the significant digits only.
std::optional<std::int32_t> Reference(std::string s) {
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s = "$" + s.substr(2);
  const std::size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return std::nullopt;
  s = s.substr(first);
  if (s[0] == '$') {
    std::string digits = s.substr(1);
    if (digits.empty()) return std::nullopt;
    for (char c : digits)
      if (HexDigit(c) < 0) return std::nullopt;
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    if (digits.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) value = value * 16 + static_cast<std::uint32_t>(HexDigit(c));
    return static_cast<std::int32_t>(value);
  }
  bool negative = false;
  if (s[0] == '-' || s[0] == '+') {
    negative = s[0] == '-';
    s = s.substr(1);
  }
  if (s.empty()) return std::nullopt;
  for (char c : s)
    if (c < '0' || c > '9') return std::nullopt;
  s.erase(0, std::min(s.find_first_not_of('0'), s.size()));
  if (s.size() > 10) return std::nullopt;
  long long value = 0;
  for (char c : s) value = value * 10 + (c - '0');
  if (value > 2147483647) return std::nullopt;
  return static_cast<std::int32_t>(negative ? -value : value);
}

std::string Describe(const std::optional<std::int32_t>& v) { return v ? std::to_string(*v) : "invalid"; }

bool IsStringType(std::uint32_t type) { return type == os::kRegSz || type == os::kRegExpandSz; }

void CheckRegistryRead(const std::vector<unsigned char>& data, std::uint32_t type, bool failRead) {
  fake::Reset();
  fake::SetValue(kSection, "Value", type, data);
  fake::FindValue(kSection, "Value")->failRead = failRead;
  const velquin::RegistryView view{os::kCurrentUser, 0};
  const std::string section = "\\Software\\Tarrowind\\Velquin\\Setting";
  const std::string asText(data.begin(), data.end());
  const std::string story = Shown(asText) + " type " + std::to_string(type) + (failRead ? " failing" : "");
  // The string-read rule: nothing to read for an empty value, a fatal
  // error for a failed read or a type that is not a string.
  const bool fatal = !data.empty() && (failRead || !IsStringType(type));
  const std::string text = asText.substr(0, asText.find('\0'));
  for (std::int32_t fallback : {77, -5}) {
    bool raised = false;
    std::int32_t got = 0;
    try {
      got = velquin::ReadSettingInteger(view, section, "value", fallback);
    } catch (const velquin::FatalError& error) {
      raised = true;
      FUZZ_CHECK(std::string(error.kind) == "ERegistryException", story);
    }
    FUZZ_CHECK(raised == fatal, story);
    if (!fatal) {
      const std::int32_t want = data.empty() ? fallback : Reference(text).value_or(fallback);
      FUZZ_CHECK(got == want, story + ": got " + std::to_string(got) + ", want " + std::to_string(want));
    }
    FUZZ_CHECK(fake::machine().openKeys.empty(), "a key left open: " + story);
  }
  // Strings, as the launcher reads its text values: an existing empty
  // value is there and empty; a missing one is not there.
  bool raised = false;
  std::optional<std::string> got;
  try {
    got = velquin::ReadPresentSetting(view, section, "VALUE");
  } catch (const velquin::FatalError&) {
    raised = true;
  }
  FUZZ_CHECK(raised == fatal, story);
  if (!fatal)
    FUZZ_CHECK(got == (data.empty() ? std::string() : text), story + ": got " + (got ? Shown(*got) : "nothing"));
  FUZZ_CHECK(!velquin::ReadPresentSetting(view, section, "Other"), story);
  FUZZ_CHECK(fake::machine().openKeys.empty(), "a key left open: " + story);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(bytes), size);
  const std::optional<std::int32_t> got = velquin::ParseIntegerText(text);
  const std::optional<std::int32_t> want = Reference(text);
  FUZZ_CHECK(got == want, Shown(text) + ": got " + Describe(got) + ", rules give " + Describe(want));
  // A valid text always has a digit; its plain decimal form reads back.
  if (got) {
    FUZZ_CHECK(text.find_first_of("0123456789abcdefABCDEF") != std::string::npos, Shown(text));
    FUZZ_CHECK(velquin::ParseIntegerText(std::to_string(*got)) == got || *got == INT32_MIN, Shown(text));
  }

  const std::vector<unsigned char> data(bytes, bytes + size);
  for (std::uint32_t type : {os::kRegSz, os::kRegExpandSz, os::kRegBinary, os::kRegDword, os::kRegMultiSz, 0u})
    CheckRegistryRead(data, type, false);
  CheckRegistryRead(data, os::kRegSz, true);
  return 0;
}
