// The path and text helpers on Shift-JIS-ish bytes (a lead byte at the very
// end included) and on single-byte text. Input: one byte choosing the code
// page, then a path and a second text separated by NUL.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/fake/fake_os.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using fuzzcheck::Shown;

bool Lead(unsigned char b, bool dbcs) { return dbcs && ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)); }

// Where each character starts, a lead byte and its follower being one
// character; a lead byte at the end stands alone.
std::vector<std::size_t> CharacterStarts(const std::string& s, bool dbcs) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < s.size(); ++i) {
    starts.push_back(i);
    if (Lead(static_cast<unsigned char>(s[i]), dbcs) && i + 1 < s.size()) ++i;
  }
  return starts;
}

struct Marks {
  std::size_t separatorEnd = 0;            // bytes of the directory part
  std::size_t dot = std::string::npos;     // the extension's dot
};

Marks Reference(const std::string& s, bool dbcs) {
  Marks marks;
  for (std::size_t at : CharacterStarts(s, dbcs)) {
    const bool single = !Lead(static_cast<unsigned char>(s[at]), dbcs);
    if (single && (s[at] == '\\' || s[at] == ':')) {
      marks.separatorEnd = at + 1;
      marks.dot = std::string::npos;
    } else if (single && s[at] == '.') {
      marks.dot = at;
    }
  }
  return marks;
}

void CheckPath(const std::string& path, const std::string& other, bool dbcs) {
  const std::string story = Shown(path) + (dbcs ? " (932)" : " (1252)");
  const Marks marks = Reference(path, dbcs);

  const std::string directory = velquin::DirectoryPart(path);
  FUZZ_CHECK(directory.size() <= path.size() && path.compare(0, directory.size(), directory) == 0, story);
  FUZZ_CHECK(directory + path.substr(directory.size()) == path, story);
  FUZZ_CHECK(directory.size() == marks.separatorEnd, story + ": directory " + Shown(directory));

  const std::string extension = velquin::ExtensionPart(path);
  const std::string stripped = velquin::StripLastDot(path);
  FUZZ_CHECK(path.compare(0, stripped.size(), stripped) == 0, story);
  if (marks.dot == std::string::npos) {
    FUZZ_CHECK(extension.empty() && stripped == path, story + ": extension " + Shown(extension));
  } else {
    FUZZ_CHECK(stripped.size() == marks.dot, story + ": stripped " + Shown(stripped));
    FUZZ_CHECK(extension == path.substr(marks.dot, 255), story + ": extension " + Shown(extension));
  }
  FUZZ_CHECK(extension.size() <= 255, story);
  FUZZ_CHECK(extension.empty() || extension[0] == '.', story);
  FUZZ_CHECK(stripped.size() >= directory.size(), story);
  FUZZ_CHECK(velquin::DirectoryPart(stripped) == directory, story);
  FUZZ_CHECK(velquin::ExtensionWithoutDot(path) == (extension.empty() ? "" : extension.substr(1)), story);
  FUZZ_CHECK(velquin::WithExtension(path, other) == stripped + other, story);
  FUZZ_CHECK(velquin::WithExtension(path, "") == stripped, story);

  // The character before the first ":\" (where a joined path's drive
  // letter is) and before the end: the last whole one before it.
  for (const std::size_t end : {path.find(":\\"), path.size()}) {
    if (end == std::string::npos) continue;
    const std::vector<std::size_t> before = CharacterStarts(path.substr(0, end), dbcs);
    FUZZ_CHECK(velquin::CharacterStartBefore(path, end) == (before.empty() ? 0 : before.back()),
               story + ": character before " + std::to_string(end));
  }

  // Lower case: same length; single-byte letters A to Z lowered, other
  // single bytes below 0x80 kept; a double-byte character stays two bytes
  // and never takes its trail byte for a letter of its own.
  const std::string lower = velquin::LowerCaseText(path);
  FUZZ_CHECK(lower.size() == path.size(), story);
  const std::vector<std::size_t> starts = CharacterStarts(path, dbcs);
  for (std::size_t k = 0; k < starts.size(); ++k) {
    const std::size_t at = starts[k];
    const std::size_t width = (k + 1 < starts.size() ? starts[k + 1] : path.size()) - at;
    const unsigned char b = static_cast<unsigned char>(path[at]);
    if (width == 1 && b < 0x80) {
      const char want = b >= 'A' && b <= 'Z' ? static_cast<char>(b + 32) : static_cast<char>(b);
      FUZZ_CHECK(lower[at] == want, story + " at " + std::to_string(at));
    }
    if (width == 2 && lower.compare(at, 2, path, at, 2) != 0)
      FUZZ_CHECK(Lead(static_cast<unsigned char>(lower[at]), dbcs), story + " at " + std::to_string(at));
  }

  // Search: the first occurrence in the lowered texts, 1-based; 0 for
  // empty texts; always inside the unchanged haystack.
  for (const auto& [needle, haystack] : {std::pair{other, path}, std::pair{path, other}, std::pair{std::string(":\\"), path},
                                         std::pair{std::string("\\\\"), path}, std::pair{std::string("HTM"), other}}) {
    const int at = velquin::TextPos(needle, haystack);
    const std::string searched = Shown(needle) + " in " + Shown(haystack);
    if (needle.empty() || haystack.empty()) {
      FUZZ_CHECK(at == 0, searched);
    } else {
      const std::size_t want = velquin::LowerCaseText(haystack).find(velquin::LowerCaseText(needle));
      FUZZ_CHECK(at == (want == std::string::npos ? 0 : static_cast<int>(want) + 1), searched);
      if (at != 0) FUZZ_CHECK(static_cast<std::size_t>(at) - 1 + needle.size() <= haystack.size(), searched);
    }
    FUZZ_CHECK(velquin::ContainsText(needle, haystack) == (at != 0), searched);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  fake::Reset();
  const bool dbcs = (data[0] & 1) == 0;
  fake::machine().codePage = dbcs ? 932 : 1252;
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t cut = rest.find('\0');
  const std::string path = rest.substr(0, cut);
  const std::string other = cut == std::string::npos ? std::string(".htm") : rest.substr(cut + 1);
  CheckPath(path, other, dbcs);
  // Every prefix ends somewhere: inside a double-byte character included.
  if (!path.empty()) CheckPath(path.substr(0, path.size() - 1), other, dbcs);
  return 0;
}
