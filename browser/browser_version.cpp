#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "browser/browser.h"
#include "platform/messages.h"
#include "platform/os.h"
#include "settings/registry_values.h"

namespace velquin {

namespace {

// The most GetFileVersionInfoSize answers for a version block, which holds
// at most 64 KiB: four times that for a 16-bit file (twice for a 32-bit
// one, with room for the ANSI texts). A block that large is read whole;
// asking its size first would map the file a second time.
constexpr std::uint32_t kLargestVersionInfo = 0x40000;

}  // namespace

std::string FileVersionText(const std::string& path) {
  std::uint32_t ms = 0;
  os::VersionBlock block;
  if (!os::QueryFileVersionInfo(path, kLargestVersionInfo, &block) || !os::VerQueryFileVersionMS(block, &ms)) ms = 0;
  return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFFu);
}

std::optional<float> ParseDecimalNumber(const std::string& text, char separator) {
  // Rebuilt in the C locale's form, so that the conversion below does not
  // depend on the process locale.
  std::size_t i = 0;
  auto isDigit = [&](std::size_t at) { return at < text.size() && text[at] >= '0' && text[at] <= '9'; };
  while (i < text.size() && text[i] == ' ') ++i;
  std::string plain;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) plain += text[i++];
  bool mantissa = false;
  std::string digits;
  while (isDigit(i)) digits += text[i++], mantissa = true;
  std::string fraction;
  if (i < text.size() && text[i] == separator) {
    ++i;
    mantissa = true;
    while (isDigit(i)) fraction += text[i++];
  }
  if (!mantissa) return std::nullopt;
  plain += (digits.empty() ? "0" : digits) + "." + (fraction.empty() ? "0" : fraction);
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    std::string exponent = "e";
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) exponent += text[i++];
    if (!isDigit(i)) return std::nullopt;
    while (isDigit(i)) exponent += text[i++];
    plain += exponent;
  }
  while (i < text.size() && text[i] == ' ') ++i;
  if (i != text.size()) return std::nullopt;
  const long double value = std::strtold(plain.c_str(), nullptr);
  if (!std::isfinite(value) || std::fabs(value) > FLT_MAX) return std::nullopt;
  return static_cast<float>(value);
}

long long HundredfoldRounded(float number) {
  // Extended precision for the product; the default rounding mode of the
  // processor is to nearest, halves to even.
  const long double product = static_cast<long double>(number) * 100.0L;
  if (!(std::fabs(product) < 1e15L)) return -1;  // far outside every class
  return std::llrint(product);
}

int VersionClassOf(long long n) {
  if (n >= 440 && n <= 469) return 2;
  if (n == 470) return 3;
  if (n >= 471 && n <= 499) return 4;
  if (n >= 500 && n <= 599) return 5;
  if (n >= 600 && n <= 699) return 6;
  if (n >= 700 && n <= 799) return 7;
  return 0;
}

BrowserVersionReading ReadBrowserVersionClass(char decimalSeparator) {
  std::string path;
  {
    const RegistryView machine{os::kLocalMachine, 0};
    // Read only: a standard user may do no more under HKEY_LOCAL_MACHINE.
    RegKey key = OpenExistingKey(machine, "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE", os::kKeyRead);
    if (!key.valid()) return {0, messages::BrowserPathUnknown()};
    path = ReadStringValue(key.get(), "");
  }
  const std::optional<float> number = ParseDecimalNumber(FileVersionText(path).substr(0, 4), decimalSeparator);
  if (!number) return {0, messages::BrowserVersionUnreadable()};
  const int versionClass = VersionClassOf(HundredfoldRounded(*number));
  if (versionClass == 0) return {0, messages::BrowserVersionUnknown()};
  return {versionClass, MessageText{}};
}

int BrowserVersionClass(char decimalSeparator) {
  const BrowserVersionReading reading = ReadBrowserVersionClass(decimalSeparator);
  if (!IsEmpty(reading.message)) ShowError(reading.message);
  return reading.versionClass;
}

}  // namespace velquin
