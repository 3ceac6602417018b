#include "platform/text.h"

#include "platform/os.h"
#include "platform/run_text.h"
#include "platform/wtf8.h"

namespace velquin {
namespace {

struct PathMarks {
  std::string::size_type lastSeparator = std::string::npos;  // last "\" or ":"
  std::string::size_type extensionDot = std::string::npos;   // last "." after it
};

PathMarks ScanPath(const std::string& path) {
  PathMarks marks;
  for (std::string::size_type i = 0; i < path.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(path[i]);
    // UTF-8 never repeats a seven-bit byte inside a character.
    if (!WideRun && os::IsDBCSLeadByte(byte)) {
      // A lead byte at the very end stands alone: never read past the text.
      if (i + 1 < path.size()) ++i;
      continue;
    }
    if (byte == '\\' || byte == ':') {
      marks.lastSeparator = i;
      marks.extensionDot = std::string::npos;
    } else if (byte == '.') {
      marks.extensionDot = i;
    }
  }
  return marks;
}

// The first count characters of text: bytes, or UTF-16 units in a wide run.
std::string Leading(const std::string& text, std::size_t count) {
  if (!WideRun) return text.substr(0, count);
  const std::u16string wide = Utf16FromWtf8(text);
  return wide.size() <= count ? text : Wtf8FromUtf16(wide.substr(0, count));
}

std::u16string LowerCaseWide(std::u16string wide) {
  if (!wide.empty()) os::LowerCaseBufferW(&wide[0], static_cast<std::uint32_t>(wide.size()));
  return wide;
}

}  // namespace

std::string DirectoryPart(const std::string& path) {
  const PathMarks marks = ScanPath(path);
  return marks.lastSeparator == std::string::npos ? std::string() : path.substr(0, marks.lastSeparator + 1);
}

std::string ExtensionPart(const std::string& path) {
  const PathMarks marks = ScanPath(path);
  return marks.extensionDot == std::string::npos ? std::string() : Leading(path.substr(marks.extensionDot), 255);
}

std::string ExtensionWithoutDot(const std::string& path) {
  const std::string extension = ExtensionPart(path);
  return extension.empty() ? extension : extension.substr(1);
}

std::string WithExtension(const std::string& path, const std::string& extension) {
  return StripLastDot(path) + extension;
}

std::string StripLastDot(const std::string& path) {
  const PathMarks marks = ScanPath(path);
  return marks.extensionDot == std::string::npos ? path : path.substr(0, marks.extensionDot);
}

std::string::size_type CharacterStartBefore(const std::string& text, std::string::size_type end) {
  if (end == 0) return 0;
  std::string::size_type start = end - 1;
  if (WideRun) {
    // UTF-8 marks every byte after a sequence's first: the way back is sure.
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    return start;
  }
  // A second byte can look like a lead byte: only a scan from the start
  // tells which bytes pair. A lead byte just before end has none to pair with.
  for (std::string::size_type i = 0; i < end; ++i) {
    start = i;
    if (os::IsDBCSLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < end) ++i;
  }
  return start;
}

std::string LowerCaseText(const std::string& text) {
  std::string lower = text;
  // Seven-bit text lower-cases the same in every ANSI code page; only other
  // text needs the system's tables (and the library that holds them).
  bool sevenBit = true;
  for (char& c : lower) {
    if (static_cast<unsigned char>(c) >= 0x80) sevenBit = false;
    else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  if (!sevenBit && WideRun) return Wtf8FromUtf16(LowerCaseWide(Utf16FromWtf8(text)));
  if (!sevenBit) {
    lower = text;
    os::LowerCaseBuffer(&lower[0], static_cast<std::uint32_t>(lower.size()));
  }
  return lower;
}

int TextPos(const std::string& needle, const std::string& haystack) {
  if (needle.empty() || haystack.empty()) return 0;
  if (WideRun) {
    // Lower-casing keeps UTF-16 units one for one, not UTF-8 bytes: the
    // search runs on the units and the place is given in the text's bytes.
    const std::u16string wide = Utf16FromWtf8(haystack);
    const std::u16string::size_type at = LowerCaseWide(wide).find(LowerCaseWide(Utf16FromWtf8(needle)));
    return at == std::u16string::npos ? 0 : static_cast<int>(Wtf8FromUtf16(wide.substr(0, at)).size()) + 1;
  }
  const std::string::size_type at = LowerCaseText(haystack).find(LowerCaseText(needle));
  return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

bool ContainsText(const std::string& needle, const std::string& haystack) {
  return TextPos(needle, haystack) != 0;
}

}  // namespace velquin
