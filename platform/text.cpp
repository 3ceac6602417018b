#include "platform/text.h"

#include "platform/os.h"

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
    if (os::IsDBCSLeadByte(byte)) {
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

}  // namespace

std::string DirectoryPart(const std::string& path) {
  const PathMarks marks = ScanPath(path);
  return marks.lastSeparator == std::string::npos ? std::string() : path.substr(0, marks.lastSeparator + 1);
}

std::string ExtensionPart(const std::string& path) {
  const PathMarks marks = ScanPath(path);
  return marks.extensionDot == std::string::npos ? std::string() : path.substr(marks.extensionDot, 255);
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

std::string LowerCaseText(const std::string& text) {
  std::string lower = text;
  // Seven-bit text lower-cases the same in every ANSI code page; only other
  // text needs the system's tables (and the library that holds them).
  bool sevenBit = true;
  for (char& c : lower) {
    if (static_cast<unsigned char>(c) >= 0x80) sevenBit = false;
    else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  if (!sevenBit) {
    lower = text;
    os::CharLowerBuff(&lower[0], static_cast<std::uint32_t>(lower.size()));
  }
  return lower;
}

int TextPos(const std::string& needle, const std::string& haystack) {
  if (needle.empty() || haystack.empty()) return 0;
  const std::string::size_type at = LowerCaseText(haystack).find(LowerCaseText(needle));
  return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

bool ContainsText(const std::string& needle, const std::string& haystack) {
  return TextPos(needle, haystack) != 0;
}

}  // namespace velquin
