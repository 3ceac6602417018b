// The version-number parse: arbitrary text with an arbitrary decimal
// separator, the hundredfold rounding and the class table, and the whole
// class query over the fake registry and version resource.
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "browser/browser.h"
#include "tests/fake/fake_os.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using fuzzcheck::Shown;

bool Digit(char c) { return c >= '0' && c <= '9'; }

// The accepted form, as a list of parts consumed in turn; a separator that
// could also be another part of the form makes the form ambiguous, and
// such texts are checked for survival and range only.
struct Shape {
  bool valid = false;
  std::string sign, integer, fraction, exponent;
  bool hasExponent = false;
};

Shape Grammar(const std::string& s, char sep) {
  Shape shape;
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n && s[i] == ' ') ++i;
  if (i < n && (s[i] == '+' || s[i] == '-')) shape.sign = s[i++];
  const std::size_t intStart = i;
  while (i < n && Digit(s[i])) ++i;
  shape.integer = s.substr(intStart, i - intStart);
  bool separator = false;
  if (i < n && s[i] == sep) {
    separator = true;
    const std::size_t fracStart = ++i;
    while (i < n && Digit(s[i])) ++i;
    shape.fraction = s.substr(fracStart, i - fracStart);
  }
  if (shape.integer.empty() && !separator) return shape;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    const std::size_t signAt = i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t expStart = i;
    while (i < n && Digit(s[i])) ++i;
    if (i == expStart) return shape;
    shape.hasExponent = true;
    shape.exponent = s.substr(signAt, i - signAt);
  }
  while (i < n && s[i] == ' ') ++i;
  shape.valid = i == n;
  return shape;
}

bool Ambiguous(char sep) { return Digit(sep) || sep == ' ' || sep == '+' || sep == '-' || sep == 'e' || sep == 'E'; }

int ClassOfTable(long long n) {
  struct Row { long long low, high; int cls; };
  static const Row rows[] = {{440, 469, 2}, {470, 470, 3}, {471, 499, 4}, {500, 599, 5}, {600, 699, 6}, {700, 799, 7}};
  for (const Row& row : rows)
    if (n >= row.low && n <= row.high) return row.cls;
  return 0;
}

void CheckParse(const std::string& text, char sep) {
  const std::string story = Shown(text) + " separator " + Shown(std::string(1, sep));
  const std::optional<float> number = velquin::ParseDecimalNumber(text, sep);
  if (number) {
    FUZZ_CHECK(std::isfinite(*number) && std::fabs(*number) <= FLT_MAX, story);
  }
  if (!Ambiguous(sep)) {
    const Shape shape = Grammar(text, sep);
    // A well-formed number whose value does not fit the float is not a number.
    if (!shape.valid) FUZZ_CHECK(!number, story + " is not of the form yet parsed");
    if (shape.valid) {
      const std::string plain = shape.sign + (shape.integer.empty() ? "0" : shape.integer) + "." +
                                (shape.fraction.empty() ? "0" : shape.fraction) +
                                (shape.hasExponent ? "e" + shape.exponent : "");
      const long double value = std::strtold(plain.c_str(), nullptr);
      const bool fits = std::isfinite(value) && std::fabs(value) <= FLT_MAX;
      FUZZ_CHECK(number.has_value() == fits, story + " read as " + plain);
      if (fits) FUZZ_CHECK(*number == static_cast<float>(value), story);
    }
    // The version's own shapes, short and without exponent, round to the
    // exact hundredfold value: 4.7 is 470, 4.71 is 471, 10.0 is 1000.
    if (number && shape.valid && !shape.hasExponent && shape.integer.size() <= 4 && shape.fraction.size() <= 2 &&
        text.find_first_of("+- ") == std::string::npos) {
      const long long whole = shape.integer.empty() ? 0 : std::stoll(shape.integer);
      std::string two = shape.fraction + "00";
      const long long exact = whole * 100 + std::stoll(two.substr(0, 2));
      const long long n = velquin::HundredfoldRounded(*number);
      FUZZ_CHECK(n == exact, story + ": n " + std::to_string(n) + ", exact " + std::to_string(exact));
    }
  }
  if (number) {
    const long long n = velquin::HundredfoldRounded(*number);
    const long double product = static_cast<long double>(*number) * 100.0L;
    if (std::fabs(product) < 1e15L) FUZZ_CHECK(std::fabs(static_cast<long double>(n) - product) <= 0.5L, story);
    FUZZ_CHECK(velquin::VersionClassOf(n) == ClassOfTable(n), story);
  }
}

// The whole query: the registered browser with this version resource.
void CheckClassQuery(std::uint32_t versionMS, char sep, bool hasVersion) {
  fake::Reset();
  const std::string path = "C:\\Program Files\\Browser\\iexplore.exe";
  fake::SetString("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE", "", path);
  fake::AddProgram(path, fake::Program{hasVersion, versionMS, 0});
  const int cls = velquin::BrowserVersionClass(sep);
  const std::uint32_t ms = hasVersion ? versionMS : 0;
  const std::string text = std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFFu);
  FUZZ_CHECK(velquin::FileVersionText(path) == text, text);
  const std::optional<float> number = velquin::ParseDecimalNumber(text.substr(0, 4), sep);
  const int want = number ? ClassOfTable(velquin::HundredfoldRounded(*number)) : 0;
  const std::string story = text + " separator " + Shown(std::string(1, sep));
  FUZZ_CHECK(cls == want, story + ": class " + std::to_string(cls) + ", table " + std::to_string(want));
  int boxes = 0;
  for (const fake::Event& e : fake::machine().events) boxes += e.kind == fake::Event::Box;
  FUZZ_CHECK(boxes == (cls == 0 ? 1 : 0), story);
  FUZZ_CHECK(fake::machine().openKeys.empty(), story);
  if (!Ambiguous(sep) && sep == '.') FUZZ_CHECK(number.has_value(), story);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const char sep = static_cast<char>(data[0]);
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  CheckParse(text, sep);
  CheckParse(text.substr(0, 4), sep);
  // The first four bytes after the separator as the resource's version.
  std::uint32_t ms = 0;
  std::memcpy(&ms, text.data(), std::min<std::size_t>(4, text.size()));
  CheckClassQuery(ms, sep, text.size() >= 4);
  return 0;
}
