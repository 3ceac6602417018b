#include "tests/fake/fake_os.h"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <optional>

namespace fake {
namespace {

bool IsLead(unsigned char byte);

// In ANSI text (registry paths), the last backslash that is one: the second
// byte of a double-byte character may be 0x5C too (ソ is 83 5C), and the
// system never splits there.
std::size_t LastBackslash(const std::string& path) {
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (IsLead(static_cast<unsigned char>(path[i]))) ++i;
    else if (path[i] == '\\') last = i;
  }
  return last;
}

// File names are real names in UTF-8, where a backslash is always one.
std::string DirectoryOf(const std::string& path) {
  const std::size_t cut = path.rfind('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string FileParentOf(const std::string& path) {
  const std::size_t cut = path.rfind('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

constexpr long kFileNotFound = 2, kAccessDenied = 5, kMoreData = 234, kBadPath = 161;
constexpr long kRegistryCorrupt = 1015;  // ERROR_REGISTRY_CORRUPT

Machine& M() { return machine(); }
void Count(const char* call) { ++M().calls[call]; }

bool IsLead(unsigned char byte) {
  return M().codePage == 932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

// Windows compares names without regard to case; the fake folds the
// seven-bit letters only.
std::string FoldName(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

// Registry paths are ANSI: second bytes of double-byte characters are left
// as they are.
std::string Fold(const std::string& text) {
  std::string out = text;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(out[i]);
    if (IsLead(byte)) {
      ++i;
      continue;
    }
    if (byte >= 'a' && byte <= 'z') out[i] = static_cast<char>(byte - 32);
  }
  return out;
}

// A bare name stands for that name in the current directory.
std::string FullPathOf(const std::string& path) {
  if (path.empty() || path.find_first_of("\\:") != std::string::npos) return path;
  return RealOfAnsi(M().currentDirectory) + path;
}

bool Refused(const RegKeyNode& key, const std::string& name) {
  for (const std::string& refused : key.refusedValues)
    if (Fold(refused) == Fold(name)) return true;
  return false;
}

// Windows drops trailing dots and spaces from a file name: "abc." is
// stored, and listed, as "abc".
std::string StoredPath(const std::string& path) {
  std::string trimmed = FullPathOf(path);
  while (trimmed.size() > 3 && (trimmed.back() == '.' || trimmed.back() == ' ') &&
         trimmed.rfind('\\') != trimmed.size() - 2)
    trimmed.pop_back();
  return trimmed;
}

std::string FileKey(const std::string& path) { return FoldName(StoredPath(path)); }

std::string Convert(const char* to, const char* from, const std::string& text) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string();
  std::string out;
  std::vector<char> in(text.begin(), text.end());
  char* inPtr = in.data();
  std::size_t inLeft = in.size();
  char buffer[256];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
      // An unmappable byte: skip it, as a replacement would stand there. The
      // system's replacement for a broken Shift-JIS byte is U+30FB.
      const bool toWide = std::string(to).find("UTF-16") == 0;
      if (!toWide) out += "?";
      else if (std::string(from) == "CP932") out += std::string("\xfb\x30", 2);
      else out += std::string("\x3f\x00", 2);
      ++inPtr;
      --inLeft;
    }
  }
  iconv_close(cd);
  return out;
}

const char* AnsiName() { return M().codePage == 932 ? "CP932" : "CP1252"; }

// The system's best-fit look-alikes for characters the code page lacks:
// accented Latin letters, "ß" and "¥" (a backslash!) under 932; full-width
// forms and the ideographic space under 1252, as Wine converts them. 0: none, the default character stands in.
char BestFitOf(char32_t code) {
  if (M().codePage == 932) {
    static const std::u32string kLatin = U"ÀÁÂÃÄÅàáâãäåÇçÈÉÊËèéêëÌÍÎÏìíîïÑñÒÓÔÕÖòóôõöÙÚÛÜùúûüÝýÿß¥";
    static const std::string kBase = "AAAAAAaaaaaaCcEEEEeeeeIIIIiiiiNnOOOOOoooooUUUUuuuuYyys\\";
    const std::size_t at = kLatin.find(code);
    return at == std::u32string::npos ? 0 : kBase[at];
  }
  if (code >= 0xFF01 && code <= 0xFF5E) return static_cast<char>(code - 0xFF01 + 0x21);
  return code == 0x3000 ? ' ' : 0;
}

std::u16string ToUtf16(const char* from, const std::string& text) {
  const std::string bytes = Convert("UTF-16LE", from, text);
  std::u16string wide(bytes.size() / 2, u'\0');
  std::memcpy(&wide[0], bytes.data(), wide.size() * 2);
  return wide;
}

// Lower-cases one character through Unicode, as the system does; a
// character whose lower case would change its length stays as it is.
std::string LowerCharacter(const std::string& character) {
  if (character.size() == 1) {
    const unsigned char byte = static_cast<unsigned char>(character[0]);
    if (byte < 0x80) return std::string(1, byte >= 'A' && byte <= 'Z' ? char(byte + 32) : char(byte));
  }
  static locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  const std::string wide = Convert("UTF-32LE", AnsiName(), character);
  if (wide.size() != 4 || utf8 == nullptr) return character;
  std::uint32_t code;
  std::memcpy(&code, wide.data(), 4);
  const std::uint32_t lower = static_cast<std::uint32_t>(towlower_l(static_cast<wint_t>(code), utf8));
  if (lower == code) return character;
  std::string back(4, '\0');
  std::memcpy(&back[0], &lower, 4);
  const std::string result = Convert(AnsiName(), "UTF-32LE", back);
  return result.size() == character.size() && result != "?" ? result : character;
}

std::string RootName(os::KeyHandle key) {
  if (key == os::kCurrentUser) return "HKCU";
  if (key == os::kLocalMachine) return "HKLM";
  auto open = M().openKeys.find(key);
  return open == M().openKeys.end() ? std::string() : open->second;
}

bool JoinKeyPath(os::KeyHandle parent, const std::string& subkey, std::string* path) {
  *path = RootName(parent);
  if (path->empty()) return false;
  std::size_t start = 0;
  while (start <= subkey.size() && !subkey.empty()) {
    std::size_t end = start;
    while (end < subkey.size() && subkey[end] != '\\') end += IsLead(static_cast<unsigned char>(subkey[end])) ? 2 : 1;
    end = std::min(end, subkey.size());
    const std::string part = subkey.substr(start, end - start);
    if (part.empty()) return false;
    *path += "\\" + part;
    start = end + 1;
  }
  return true;
}

os::KeyHandle NewKeyHandle(const std::string& path, std::uint32_t access) {
  const os::KeyHandle handle = M().nextHandle++;
  M().openKeys[handle] = path;
  M().openKeyAccess[handle] = access;
  return handle;
}

constexpr std::uint32_t kViewFlags = 0x300;  // KEY_WOW64_64KEY | KEY_WOW64_32KEY: no rights
constexpr std::uint32_t kQueryValue = 0x1, kSetValue = 0x2, kCreateSubKey = 0x4;

bool Grants(std::uint32_t granted, std::uint32_t asked) { return (asked & ~kViewFlags & ~granted) == 0; }

// The root keys grant a process everything it asks of them.
bool HandleGrants(os::KeyHandle key, std::uint32_t asked) {
  auto access = M().openKeyAccess.find(key);
  return access == M().openKeyAccess.end() || Grants(access->second, asked);
}

RegKeyNode* KeyAt(const std::string& path) {
  auto found = M().keys.find(Fold(path));
  return found == M().keys.end() ? nullptr : &found->second;
}

std::string ParentOf(const std::string& path) {
  const std::size_t cut = LastBackslash(path);
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

FileNode& AddRealDirectory(const std::string& path);
FileNode* FileAt(const std::string& path);
std::string SystemPathOf(const std::string& path);

void MakeParents(const std::string& path) {
  const std::string parent = FileParentOf(path);
  if (parent.size() <= 2) return;  // a drive
  if (!FileAt(parent)) AddRealDirectory(parent);
}

FileNode& AddRealFile(const std::string& path, std::uint64_t lastWriteTime) {
  MakeParents(path);
  FileNode& node = M().files[FileKey(path)];
  node.path = path;
  node.directory = false;
  node.lastWriteTime = lastWriteTime ? lastWriteTime : Now();
  return node;
}

FileNode& AddRealDirectory(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 3 && trimmed.back() == '\\') trimmed.pop_back();
  MakeParents(trimmed);
  FileNode& node = M().files[FileKey(trimmed)];
  node.path = trimmed;
  node.directory = true;
  node.lastWriteTime = Now();
  return node;
}

// Greedy, with the last star as the only backtrack point: time stays in
// proportion to the two lengths however many stars a pattern holds.
bool WildcardMatch(const char* pattern, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  std::size_t steps = 0;
  const auto done = [&steps](bool matched) {
    M().wildcardSteps = std::max(M().wildcardSteps, steps);
    return matched;
  };
  while (*name != '\0') {
    ++steps;
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern != '\0' && (*pattern == '?' || *pattern == *name)) {
      ++pattern;
      ++name;
    } else if (star) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return done(false);
    }
  }
  for (; *pattern == '*'; ++pattern) ++steps;
  return done(*pattern == '\0');
}

// path: the real name.
FileNode* FileAt(const std::string& path) {
  auto found = M().files.find(FileKey(path));
  return found == M().files.end() ? nullptr : &found->second;
}

// The program a command line starts, found the way the system looks for
// it: a quoted path, or the shortest space-delimited prefix that names one.
// The file the system would try to run for a command line: the first
// existing file along the search, a program or not.
const FileNode* ImageOf(const std::string& commandLine) {
  auto lookUp = [](std::string path) -> const FileNode* {
    std::vector<std::string> tries;
    if (path.find('\\') == std::string::npos) {
      tries = {DirectoryOf(RealOfAnsi(M().modulePath)) + path, RealOfAnsi(M().currentDirectory) + path,
               RealOfAnsi(M().systemDirectory) + "\\" + path, RealOfAnsi(M().windowsDirectory) + "\\" + path};
    } else {
      tries = {path};
    }
    for (const std::string& candidate : tries) {
      for (const std::string& name : {candidate, candidate + ".exe"}) {
        const FileNode* node = FileAt(SystemPathOf(name));
        if (node && !node->directory) return node;
      }
    }
    return nullptr;
  };
  std::size_t i = 0;
  while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
  if (i < commandLine.size() && commandLine[i] == '"') {
    const std::size_t close = commandLine.find('"', i + 1);
    return lookUp(commandLine.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1));
  }
  for (std::size_t end = i; end <= commandLine.size(); ++end) {
    if (end == commandLine.size() || commandLine[end] == ' ' || commandLine[end] == '\t') {
      if (const FileNode* node = lookUp(commandLine.substr(i, end - i))) return node;
    }
  }
  return nullptr;
}

std::uint32_t CopyOut(const std::string& text, char* buffer, std::uint32_t size) {
  if (M().directoryQueriesFail) return 0;
  if (text.size() + 1 > size) return static_cast<std::uint32_t>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<std::uint32_t>(text.size());
}

constexpr std::uint64_t kTicksPerDay = 864000000000ull;

std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;  // days since 1970-01-01
}

void CivilFromDays(std::int64_t z, int* y, int* m, int* d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (*m <= 2));
}

const std::int64_t kDaysFrom1601To1970 = -DaysFromCivil(1601, 1, 1);

}  // namespace

Machine& machine() {
  static Machine instance;
  return instance;
}

void Reset() { machine() = Machine(); }

std::string ToAnsi(const std::string& utf8) { return Convert(AnsiName(), "UTF-8", utf8); }
std::string FromAnsi(const std::string& ansi) { return Convert("UTF-8", AnsiName(), ansi); }
std::string CommandLineAsReported(const std::string& bytes) {
  if (M().platformId != 2) return bytes;
  return Convert(AnsiName(), "UTF-16LE", Convert("UTF-16LE", AnsiName(), bytes));
}

std::string FromUtf16(const std::u16string& wide) {
  return Convert("UTF-8", "UTF-16LE", std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2));
}

std::u16string Utf16(const std::string& utf8) { return ToUtf16("UTF-8", utf8); }

std::string RealOfAnsi(const std::string& ansi) { return FromUtf16(ToUtf16(AnsiName(), ansi)); }

std::string AnsiOfWide(const std::u16string& wide, bool noBestFit, bool* usedDefault) {
  if (usedDefault) *usedDefault = false;
  std::string out;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char32_t code = wide[i];
    if (code < 0x80) {
      out += static_cast<char>(code);
      continue;
    }
    std::u16string one(1, wide[i]);
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      one += wide[++i];
      code = 0x10000 + ((code - 0xD800) << 10) + (wide[i] - 0xDC00);
    }
    // Exact when the character comes back from its bytes.
    const std::string bytes = Convert(AnsiName(), "UTF-16LE", std::string(reinterpret_cast<const char*>(one.data()), one.size() * 2));
    if (bytes != "?" && ToUtf16(AnsiName(), bytes) == one) {
      out += bytes;
      continue;
    }
    const char fit = noBestFit ? 0 : BestFitOf(code);
    if (fit != 0) {
      out += fit;
      continue;
    }
    out += '?';
    if (usedDefault) *usedDefault = true;
  }
  return out;
}

RegKeyNode& AddKey(const std::string& path) {
  const std::string parent = ParentOf(path);
  if (parent.find('\\') != std::string::npos && !KeyAt(parent)) AddKey(parent);
  RegKeyNode& node = M().keys[Fold(path)];
  if (node.path.empty()) node.path = path;
  return node;
}

void SetValue(const std::string& keyPath, const std::string& name, std::uint32_t type,
              const std::vector<unsigned char>& data) {
  RegValue& value = AddKey(keyPath).values[Fold(name)];
  if (value.name.empty()) value.name = name;
  value.type = type;
  value.data = data;
  value.wideText.reset();
  value.wideWhole = false;
}

void SetString(const std::string& keyPath, const std::string& name, const std::string& ansi) {
  std::vector<unsigned char> data(ansi.begin(), ansi.end());
  data.push_back(0);
  SetValue(keyPath, name, os::kRegSz, data);
}

RegValue* FindValue(const std::string& keyPath, const std::string& name) {
  RegKeyNode* key = KeyAt(keyPath);
  if (!key) return nullptr;
  auto found = key->values.find(Fold(name));
  return found == key->values.end() ? nullptr : &found->second;
}

namespace {

// The machine runs this process under WOW64: a 32-bit program on 64-bit
// Windows.
bool Wow64Process() {
  return M().nativeMachine != os::kMachineI386 && M().processMachine != os::kMachineUnknown &&
         M().processMachine != M().nativeMachine;
}

std::vector<std::string> KeyParts(const std::string& path) {
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (IsLead(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      parts.back() += path.substr(i++, 2);
    } else if (path[i] == '\\') {
      parts.emplace_back();
    } else {
      parts.back() += path[i];
    }
  }
  return parts;
}

// HKLM\SOFTWARE\Classes (but for the COM and media subkeys) and Image File
// Execution Options are one key in both views.
bool SharedInViews(const std::vector<std::string>& parts) {
  const auto is = [&parts](std::size_t at, const char* name) { return parts.size() > at && Fold(parts[at]) == name; };
  if (is(2, "CLASSES")) {
    for (const char* redirected : {"CLSID", "DIRECTSHOW", "INTERFACE", "MEDIA TYPE", "MEDIAFOUNDATION"})
      if (is(3, redirected)) return false;
    return true;
  }
  return is(2, "MICROSOFT") && is(3, "WINDOWS NT") && is(4, "CURRENTVERSION") &&
         is(5, "IMAGE FILE EXECUTION OPTIONS");
}

// The physical key a path through a root names in the view the access
// asks for (or the process's own): the 32-bit view of HKLM\SOFTWARE\X is
// HKLM\SOFTWARE\WOW6432Node\X. A path through an open key stays below it.
std::string ViewedPath(os::KeyHandle parent, const std::string& path, std::uint32_t access) {
  if (parent != os::kLocalMachine || M().nativeMachine == os::kMachineI386) return path;
  const bool view32 = (access & os::kView32) != 0 || (Wow64Process() && (access & os::kView64) == 0);
  if (!view32) return path;
  const std::vector<std::string> parts = KeyParts(path);
  if (parts.size() < 2 || Fold(parts[1]) != "SOFTWARE") return path;
  if ((parts.size() > 2 && Fold(parts[2]) == "WOW6432NODE") || SharedInViews(parts)) return path;
  std::string out = parts[0] + "\\" + parts[1] + "\\WOW6432Node";
  for (std::size_t i = 2; i < parts.size(); ++i) out += "\\" + parts[i];
  return out;
}

// A real path as a 32-bit process's file calls reach it.
std::string SystemPathOf(const std::string& path) {
  if (!Wow64Process()) return path;
  std::string windows = RealOfAnsi(M().windowsDirectory);
  while (!windows.empty() && windows.back() == '\\') windows.pop_back();
  const std::pair<const char*, const char*> kRedirects[] = {{"\\System32", "\\SysWOW64"},
                                                            {"\\Sysnative", "\\System32"}};
  for (const auto& [from, to] : kRedirects) {
    const std::string prefix = windows + from;
    if (path.size() >= prefix.size() && FoldName(path.substr(0, prefix.size())) == FoldName(prefix) &&
        (path.size() == prefix.size() || path[prefix.size()] == '\\'))
      return windows + to + path.substr(prefix.size());
  }
  return path;
}

std::u16string WideOfKeyText(const std::string& text) {
  std::u16string out;
  std::string run;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t close = text[i] == '\x01' ? text.find('\x02', i) : std::string::npos;
    const std::string hex = close == std::string::npos ? std::string() : text.substr(i + 1, close - i - 1);
    if (hex.empty() || hex.size() > 6 || hex.find_first_not_of("0123456789ABCDEF") != std::string::npos) {
      run += text[i];
      continue;
    }
    out += ToUtf16(AnsiName(), run);
    run.clear();
    const unsigned long code = std::stoul(hex, nullptr, 16);
    if (code >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
    i = close;
  }
  return out + ToUtf16(AnsiName(), run);
}

bool IsText(std::uint32_t type) { return type == os::kRegSz || type == os::kRegExpandSz || type == os::kRegMultiSz; }

// What RegSetValueExW leaves: text as the system keeps it, in UTF-16, and
// its ANSI form for the A reads. An odd last byte of text is dropped.
void StoreWide(const std::string& keyPath, const std::string& name, std::uint32_t type,
               const std::vector<unsigned char>& bytes) {
  if (!IsText(type)) {
    SetValue(keyPath, name, type, bytes);
    return;
  }
  std::u16string wide(bytes.size() / 2, u'\0');
  if (!wide.empty()) std::memcpy(&wide[0], bytes.data(), wide.size() * 2);
  const std::string ansi = AnsiOfWide(wide);
  SetValue(keyPath, name, type, std::vector<unsigned char>(ansi.begin(), ansi.end()));
  RegValue* value = FindValue(keyPath, name);
  value->wideText = wide;
  value->wideWhole = true;
}

std::string HexOf(const std::vector<unsigned char>& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char byte : bytes) {
    if (!out.empty()) out += ' ';
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
  }
  return out;
}

// Contents as printable text: anything else, and the backslash, escaped.
std::string Escaped(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\' && byte != '"') {
      out += c;
    } else {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

}  // namespace

// Each character the code page holds exactly as its bytes; any other as an
// escape, so that no A name (whose "?" or look-alike is another name) can
// reach it, and the W listing gives it back as written.
std::string KeyTextOfWide(const std::u16string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char32_t code = name[i];
    std::size_t width = 1;
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (name[i + 1] - 0xDC00);
      width = 2;
    }
    const std::u16string one = name.substr(i, width);
    i += width - 1;
    if (code < 0x80 && code != 0x01 && code != 0x02) {
      out += static_cast<char>(code);
      continue;
    }
    if (code >= 0x80) {
      bool inexact = false;
      const std::string bytes = AnsiOfWide(one, true, &inexact);
      if (!inexact) {
        out += bytes;
        continue;
      }
    }
    std::string hex;
    for (char32_t rest = code; rest != 0 || hex.empty(); rest >>= 4) hex.insert(hex.begin(), kHex[rest & 0xF]);
    out += '\x01' + hex + '\x02';
  }
  return out;
}

std::string KeyTextOfUtf8(const std::string& name) { return KeyTextOfWide(Utf16(name)); }
std::string Utf8OfKeyText(const std::string& text) { return FromUtf16(WideOfKeyText(text)); }
RegKeyNode& AddKeyUtf8(const std::string& path) { return AddKey(KeyTextOfUtf8(path)); }
RegKeyNode* FindKeyUtf8(const std::string& path) { return KeyAt(KeyTextOfUtf8(path)); }

void SetValueUtf8(const std::string& keyPath, const std::string& name, std::uint32_t type,
                  const std::vector<unsigned char>& wDataBytes) {
  const std::string path = AddKeyUtf8(keyPath).path;
  StoreWide(path, KeyTextOfUtf8(name), type, wDataBytes);
}

void SetStringUtf8(const std::string& keyPath, const std::string& name, const std::string& utf8Text) {
  const std::u16string wide = Utf16(utf8Text) + u'\0';
  const auto* bytes = reinterpret_cast<const unsigned char*>(wide.data());
  SetValueUtf8(keyPath, name, os::kRegSz, std::vector<unsigned char>(bytes, bytes + wide.size() * 2));
}

void SetDword(const std::string& keyPath, const std::string& name, std::uint32_t value) {
  std::vector<unsigned char> bytes(4);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
  SetValueUtf8(keyPath, name, os::kRegDword, bytes);
}

RegValue* FindValueUtf8(const std::string& keyPath, const std::string& name) {
  return FindValue(KeyTextOfUtf8(keyPath), KeyTextOfUtf8(name));
}

std::vector<unsigned char> WideDataOf(const RegValue& value) {
  if (!IsText(value.type)) return value.data;
  const std::u16string wide = value.wideText ? (value.wideWhole ? *value.wideText : *value.wideText + u'\0')
                                             : ToUtf16(AnsiName(), std::string(value.data.begin(), value.data.end()));
  const auto* bytes = reinterpret_cast<const unsigned char*>(wide.data());
  return std::vector<unsigned char>(bytes, bytes + wide.size() * 2);
}

// Values as the registry keeps them (text in UTF-16), however written.
std::string DumpRegistry() {
  std::string out;
  for (const auto& [folded, key] : M().keys) {
    out += Utf8OfKeyText(key.path) + "\n";
    for (const auto& [name, value] : key.values)
      out += "  \"" + Utf8OfKeyText(value.name) + "\" " + std::to_string(value.type) + " [" +
             HexOf(WideDataOf(value)) + "]\n";
  }
  return out;
}

std::string DumpFiles() {
  std::string out;
  for (const auto& [folded, node] : M().files) {
    out += (node.directory ? "dir " : "file ") + node.path + " time " + std::to_string(node.lastWriteTime);
    if (!node.directory) out += " size " + std::to_string(node.contents.size()) + " \"" + Escaped(node.contents) + "\"";
    if (node.locked) out += " locked";
    if (node.systemProtected) out += " protected";
    if (!node.owner.empty()) out += " owner " + node.owner;
    if (!node.access.empty()) out += " access " + node.access;
    if (node.failWrite) out += " failWrite";
    if (node.failCreate) out += " failCreate";
    if (node.trustedSignature) out += " trusted";
    if (const std::optional<Program>& program = node.program) {
      out += " program";
      if (program->hasVersion) out += " version " + std::to_string(program->versionMS);
      if (program->staysMs) out += " stays " + std::to_string(program->staysMs);
      if (program->launcher) out += " launcher";
      if (program->run) out += " run";
      for (const auto& [subBlock, text] : program->versionTexts) out += " [" + subBlock + "]=\"" + text + "\"";
    }
    out += "\n";
  }
  return out;
}

FileNode& AddFile(const std::string& path, std::uint64_t lastWriteTime) {
  return AddRealFile(RealOfAnsi(path), lastWriteTime);
}
FileNode& AddFile(const std::u16string& path, std::uint64_t lastWriteTime) {
  return AddRealFile(FromUtf16(path), lastWriteTime);
}
FileNode& AddDirectory(const std::string& path) { return AddRealDirectory(RealOfAnsi(path)); }
FileNode& AddDirectory(const std::u16string& path) { return AddRealDirectory(FromUtf16(path)); }

FileNode& AddProgram(const std::string& path, Program program) {
  FileNode& node = AddFile(path);
  node.program = program;
  return node;
}
FileNode& AddProgram(const std::u16string& path, Program program) {
  FileNode& node = AddFile(path);
  node.program = program;
  return node;
}

const FileNode* FindFile(const std::string& path) { return FileAt(RealOfAnsi(path)); }
const FileNode* FindFile(const std::u16string& path) { return FileAt(FromUtf16(path)); }
std::string FileKeyOfAnsi(const std::string& path) { return FileKey(RealOfAnsi(path)); }

std::uint64_t FileTimeOfDate(int year, int month, int day) {
  return static_cast<std::uint64_t>(DaysFromCivil(year, month, day) + kDaysFrom1601To1970) * kTicksPerDay;
}

std::uint64_t Now() {
  return static_cast<std::uint64_t>(std::time(nullptr)) * 10000000ull +
         static_cast<std::uint64_t>(kDaysFrom1601To1970) * kTicksPerDay;
}

}  // namespace fake

namespace os {
using fake::Count;
using fake::M;

namespace {

long OpenAt(KeyHandle parent, const std::string& subkey, std::uint32_t access, KeyHandle* result) {
  *result = 0;
  std::string path;
  if (!fake::JoinKeyPath(parent, subkey, &path)) return fake::kFileNotFound;
  path = fake::ViewedPath(parent, path, access);
  fake::RegKeyNode* node = fake::KeyAt(path);
  if (!node) return fake::kFileNotFound;
  if (node->failOpen || !fake::Grants(node->grants, access)) return fake::kAccessDenied;
  *result = fake::NewKeyHandle(node->path, access);
  return kSuccess;
}

long CreateAt(KeyHandle parent, const std::string& subkey, std::uint32_t access, KeyHandle* result, bool* created) {
  *result = 0;
  if (created) *created = false;
  std::string path;
  if (!fake::JoinKeyPath(parent, subkey, &path) || subkey.empty()) return fake::kBadPath;
  path = fake::ViewedPath(parent, path, access);
  for (std::string at = path; at.find('\\') != std::string::npos; at = fake::ParentOf(at))
    if (fake::RegKeyNode* node = fake::KeyAt(at); node && node->failCreate) return fake::kRegistryCorrupt;
  if (const fake::RegKeyNode* existing = fake::KeyAt(path)) {
    // An existing key is opened, with the rights asked for.
    if (!fake::Grants(existing->grants, access)) return fake::kAccessDenied;
  } else {
    // A missing one is made below its nearest existing parent, which must
    // let subkeys be made; so must the handle it is made through.
    std::string parentPath = fake::ParentOf(path);
    while (parentPath.find('\\') != std::string::npos && !fake::KeyAt(parentPath)) parentPath = fake::ParentOf(parentPath);
    const fake::RegKeyNode* parentNode = fake::KeyAt(parentPath);
    if (parentNode && !fake::Grants(parentNode->grants, fake::kCreateSubKey)) return fake::kAccessDenied;
    if (!fake::HandleGrants(parent, fake::kCreateSubKey)) return fake::kAccessDenied;
    if (created) *created = true;
  }
  fake::RegKeyNode& node = fake::AddKey(path);
  *result = fake::NewKeyHandle(node.path, access);
  return kSuccess;
}

}  // namespace

long OpenKey(KeyHandle parent, const std::string& subkey, std::uint32_t access, KeyHandle* result) {
  Count("RegOpenKeyEx");
  return OpenAt(parent, subkey, access, result);
}

long CreateKey(KeyHandle parent, const std::string& subkey, std::uint32_t access, KeyHandle* result) {
  Count("RegCreateKeyEx");
  return CreateAt(parent, subkey, access, result, nullptr);
}

long QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type, unsigned char* data,
                std::uint32_t* size) {
  Count("RegQueryValueEx");
  auto open = M().openKeys.find(key);
  if (open == M().openKeys.end()) return 6;  // ERROR_INVALID_HANDLE
  if (!fake::HandleGrants(key, fake::kQueryValue)) return fake::kAccessDenied;
  const fake::RegValue* value = fake::FindValue(open->second, name);
  if (!value) return fake::kFileNotFound;
  const std::uint32_t needed = static_cast<std::uint32_t>(value->data.size());
  *type = value->type;
  if (data == nullptr) {
    *size = needed;
    return kSuccess;
  }
  if (value->failRead) return fake::kAccessDenied;
  if (*size < needed) {
    *size = needed;
    return fake::kMoreData;
  }
  std::copy(value->data.begin(), value->data.end(), data);
  *size = needed;
  return kSuccess;
}

long QueryValueW(KeyHandle key, const std::u16string& name, std::uint32_t* type, unsigned char* data,
                 std::uint32_t* size) {
  Count("RegQueryValueExW");
  auto open = M().openKeys.find(key);
  if (open == M().openKeys.end()) return 6;
  if (!fake::HandleGrants(key, fake::kQueryValue)) return fake::kAccessDenied;
  const fake::RegValue* value = fake::FindValue(open->second, fake::KeyTextOfWide(name));
  if (!value) return fake::kFileNotFound;
  // Text comes as the system keeps it, in UTF-16; other data as it is.
  const std::vector<unsigned char> bytes = fake::WideDataOf(*value);
  const std::uint32_t needed = static_cast<std::uint32_t>(bytes.size());
  *type = value->type;
  if (data == nullptr) {
    *size = needed;
    return kSuccess;
  }
  if (value->failRead) return fake::kAccessDenied;
  if (*size < needed) {
    *size = needed;
    return fake::kMoreData;
  }
  std::copy(bytes.begin(), bytes.end(), data);
  *size = needed;
  return kSuccess;
}

long SetValue(KeyHandle key, const std::string& name, std::uint32_t type, const unsigned char* data,
              std::uint32_t size) {
  Count("RegSetValueEx");
  auto open = M().openKeys.find(key);
  if (open == M().openKeys.end()) return 6;
  if (!fake::HandleGrants(key, fake::kSetValue)) return fake::kAccessDenied;
  fake::RegKeyNode* node = fake::KeyAt(open->second);
  if (!node || node->failSet || fake::Refused(*node, name)) return fake::kAccessDenied;
  fake::SetValue(open->second, name, type, std::vector<unsigned char>(data, data + size));
  return kSuccess;
}

long CloseKey(KeyHandle key) {
  Count("RegCloseKey");
  M().openKeyAccess.erase(key);
  return M().openKeys.erase(key) ? kSuccess : 6;
}

namespace {

// The searches, moves and deletions of both forms, on real names.
FindHandle FindReal(const std::string& asked, FindData* data) {
  const std::string pattern = fake::SystemPathOf(asked);
  const std::string directory = fake::DirectoryOf(pattern);
  const std::string name = pattern.substr(directory.size());
  if (name.empty()) return kInvalidFindHandle;
  const fake::FileNode* found = nullptr;
  if (name.find_first_of("*?") == std::string::npos) {
    found = fake::FileAt(pattern);
  } else {
    const std::string folded = fake::FoldName(pattern);
    for (const auto& [key, node] : M().files) {
      if (fake::FoldName(fake::DirectoryOf(node.path)) != fake::FoldName(directory)) continue;
      if (fake::WildcardMatch(folded.c_str() + directory.size(), key.c_str() + directory.size())) {
        found = &node;
        break;
      }
    }
  }
  if (!found) return kInvalidFindHandle;
  data->attributes = found->directory ? kAttributeDirectory : 0x20;
  data->lastWriteTime = found->lastWriteTime;
  data->size = found->directory ? 0 : found->contents.size();
  const FindHandle handle = M().nextHandle++;
  M().openFinds[handle] = 1;
  return handle;
}

// The A calls' own bytes are recorded as they came; a W call's text as
// the code page shows it.
struct Texts {
  std::string real, ansi;
  static Texts OfAnsi(const std::string& ansi) { return {fake::RealOfAnsi(ansi), ansi}; }
  static Texts OfWide(const std::u16string& wide) { return {fake::FromUtf16(wide), fake::AnsiOfWide(wide)}; }
};

void Record(fake::Event::Kind kind, const Texts& file, const Texts& parameters, bool wide) {
  fake::Event event;
  event.kind = kind;
  event.wide = wide;
  event.realFile = file.real;
  event.realParameters = parameters.real;
  event.file = file.ansi;
  event.parameters = parameters.ansi;
  M().events.push_back(event);
}

bool MoveReal(const Texts& fromText, const Texts& toText, bool wide) {
  const std::string from = fake::SystemPathOf(fromText.real);
  const std::string to = fake::SystemPathOf(toText.real);
  fake::FileNode* source = fake::FileAt(from);
  if (!source || source->locked || source->systemProtected || fake::FileAt(to)) return false;
  const std::string parent = fake::FileParentOf(to);
  const fake::FileNode* parentNode = fake::FileAt(parent);
  if (parent.size() > 2 && (!parentNode || !parentNode->directory)) return false;
  fake::FileNode moved = *source;
  M().files.erase(fake::FileKey(from));
  moved.path = fake::StoredPath(to);
  M().files[fake::FileKey(to)] = moved;
  Record(fake::Event::Moved, fromText, toText, wide);
  return true;
}

bool DeleteReal(const Texts& pathText, bool wide) {
  const std::string path = fake::SystemPathOf(pathText.real);
  fake::FileNode* node = fake::FileAt(path);
  if (!node || node->directory || node->locked) return false;
  if (node->systemProtected || node->running) {
    M().lastError = fake::kAccessDenied;
    return false;
  }
  M().files.erase(fake::FileKey(path));
  Record(fake::Event::Deleted, pathText, Texts(), wide);
  return true;
}

}  // namespace

FindHandle FindFirst(const std::string& pattern, FindData* data) {
  Count("FindFirstFile");
  return FindReal(fake::RealOfAnsi(pattern), data);
}

FindHandle FindFirstW(const std::u16string& pattern, FindData* data) {
  Count("FindFirstFileW");
  return FindReal(fake::FromUtf16(pattern), data);
}

bool CloseFind(FindHandle handle) {
  Count("FindClose");
  return M().openFinds.erase(handle) != 0;
}

bool FileTimeToLocalFileTime(std::uint64_t fileTime, std::uint64_t* localTime) {
  Count("FileTimeToLocalFileTime");
  *localTime = fileTime;  // the fake machine keeps universal time
  return true;
}

bool FileTimeToDosDateTime(std::uint64_t fileTime, std::uint16_t* dosDate, std::uint16_t* dosTime) {
  Count("FileTimeToDosDateTime");
  const std::int64_t days = static_cast<std::int64_t>(fileTime / fake::kTicksPerDay) - fake::kDaysFrom1601To1970;
  int y, m, d;
  fake::CivilFromDays(days, &y, &m, &d);
  if (y < 1980 || y > 2107) return false;
  const std::uint64_t seconds = (fileTime % fake::kTicksPerDay) / 10000000ull;
  *dosDate = static_cast<std::uint16_t>(((y - 1980) << 9) | (m << 5) | d);
  *dosTime = static_cast<std::uint16_t>(((seconds / 3600) << 11) | (((seconds / 60) % 60) << 5) | ((seconds % 60) / 2));
  return true;
}

bool RenameFile(const std::string& from, const std::string& to) {
  Count("MoveFile");
  return MoveReal(Texts::OfAnsi(from), Texts::OfAnsi(to), false);
}

bool RenameFileW(const std::u16string& from, const std::u16string& to) {
  Count("MoveFileW");
  return MoveReal(Texts::OfWide(from), Texts::OfWide(to), true);
}

bool RemoveFile(const std::string& path) {
  Count("DeleteFile");
  return DeleteReal(Texts::OfAnsi(path), false);
}

bool RemoveFileW(const std::u16string& path) {
  Count("DeleteFileW");
  return DeleteReal(Texts::OfWide(path), true);
}

std::uint32_t QueryWindowsDirectory(char* buffer, std::uint32_t size) {
  Count("GetWindowsDirectory");
  return fake::CopyOut(M().windowsDirectory, buffer, size);
}

std::uint32_t QuerySystemDirectory(char* buffer, std::uint32_t size) {
  Count("GetSystemDirectory");
  return fake::CopyOut(M().systemDirectory, buffer, size);
}

std::uint32_t QueryTempPath(std::uint32_t size, char* buffer) {
  Count("GetTempPath");
  return fake::CopyOut(M().tempPath, buffer, size);
}

std::uint32_t QueryModuleFileName(char* buffer, std::uint32_t size) {
  Count("GetModuleFileName");
  const std::string& path = M().modulePath;
  const std::uint32_t length = static_cast<std::uint32_t>(std::min<std::size_t>(path.size(), size));
  std::memcpy(buffer, path.data(), length);
  if (length < size) buffer[length] = '\0';
  return length;
}

std::string AnsiCommandLine() {
  Count("GetCommandLine");
  return M().commandLine;
}

std::u16string WideCommandLine() {
  Count("GetCommandLineW");
  if (!M().wideCommandLine.empty()) return M().wideCommandLine;
  return fake::Utf16(fake::RealOfAnsi(M().commandLine));
}

std::string WideCharToMultiByte(std::uint32_t codePage, std::uint32_t flags, const std::u16string& text,
                                bool* usedDefault) {
  Count("WideCharToMultiByte");
  if (codePage == kCodePageUtf8) {
    *usedDefault = false;
    return fake::FromUtf16(text);
  }
  return fake::AnsiOfWide(text, (flags & kNoBestFitChars) != 0, usedDefault);
}

std::uint32_t QueryTempPathW(std::uint32_t size, char16_t* buffer) {
  Count("GetTempPathW");
  if (M().directoryQueriesFail) return 0;
  const std::u16string path = fake::Utf16(fake::RealOfAnsi(M().tempPath));
  if (path.size() + 1 > size) return static_cast<std::uint32_t>(path.size() + 1);
  std::copy(path.begin(), path.end(), buffer);
  buffer[path.size()] = u'\0';
  return static_cast<std::uint32_t>(path.size());
}

std::uint32_t LowerCaseBufferW(char16_t* text, std::uint32_t length) {
  Count("CharLowerBuffW");
  static locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  for (std::uint32_t i = 0; i < length; ++i) {
    if (text[i] >= 0xD800 && text[i] <= 0xDFFF) continue;
    const wint_t lower = towlower_l(static_cast<wint_t>(text[i]), utf8);
    if (lower <= 0xFFFF) text[i] = static_cast<char16_t>(lower);
  }
  return length;
}

bool GetVersionPlatformId(std::uint32_t* platformId) {
  Count("GetVersionEx");
  if (M().versionQueryFails) return false;
  *platformId = M().platformId;
  return true;
}

bool IsDBCSLeadByte(unsigned char byte) {
  ++M().calls["IsDBCSLeadByte"];
  return fake::IsLead(byte);
}

std::uint32_t GetLastError() {
  Count("GetLastError");
  return M().lastError;
}

std::uint32_t LowerCaseBuffer(char* text, std::uint32_t length) {
  Count("CharLowerBuff");
  std::uint32_t i = 0;
  while (i < length) {
    const std::uint32_t width = fake::IsLead(static_cast<unsigned char>(text[i])) && i + 1 < length ? 2 : 1;
    const std::string lower = fake::LowerCharacter(std::string(text + i, width));
    std::memcpy(text + i, lower.data(), width);
    i += width;
  }
  return length;
}

std::uint32_t GetSystemDefaultLCID() {
  Count("GetSystemDefaultLCID");
  return M().codePage == 932 ? 0x411 : (M().decimalSeparator == "," ? 0x407 : 0x409);
}

int GetLocaleDecimalSeparator(std::uint32_t, char* buffer, int size) {
  Count("GetLocaleInfo");
  const std::string& separator = M().decimalSeparator;
  if (static_cast<int>(separator.size()) + 1 > size) return 0;
  std::memcpy(buffer, separator.c_str(), separator.size() + 1);
  return static_cast<int>(separator.size()) + 1;
}

std::u16string MultiByteToWideChar(std::uint32_t codePage, const std::string& text) {
  Count("MultiByteToWideChar");
  return fake::ToUtf16(codePage == kCodePageUtf8 ? "UTF-8" : fake::AnsiName(), text);
}

WindowHandle GetForegroundWindow() {
  Count("GetForegroundWindow");
  return M().foregroundWindow;
}

int ShowBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption, std::uint32_t style) {
  Count("MessageBox");
  fake::Event event;
  event.kind = fake::Event::Box;
  event.owner = owner;
  event.text = fake::FromUtf16(text);
  event.caption = fake::FromUtf16(caption);
  event.style = style;
  event.styled = !M().activeContexts.empty();
  M().events.push_back(event);
  if (M().onBox) M().onBox(event);
  return 1;  // IDOK
}

namespace {

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return text;
}

constexpr char kIfeo[] = "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\";

std::string TextOf(const fake::RegValue& value) {
  const std::vector<unsigned char> data = fake::WideDataOf(value);
  std::u16string text;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  return fake::FromUtf16(text.substr(0, text.find(u'\0')));
}

// The Debugger text Windows puts before a program's start, if any: the
// Image File Execution Options key of its file name (one key in both
// views) or, with UseFilter set there, its first subkey whose
// FilterFullPath names the program, should one.
std::optional<std::string> RedirectOf(const fake::FileNode& program) {
  const std::string key = kIfeo + program.path.substr(program.path.find_last_of('\\') + 1);
  const fake::RegKeyNode* node = fake::FindKeyUtf8(key);
  if (!node) return std::nullopt;
  std::string options = key;
  const fake::RegValue* filter = fake::FindValueUtf8(key, "UseFilter");
  if (filter && filter->type == os::kRegDword && filter->data != std::vector<unsigned char>(4, 0)) {
    const std::string prefix = fake::Fold(fake::KeyTextOfUtf8(key)) + "\\";
    for (const auto& [folded, sub] : M().keys) {
      if (folded.compare(0, prefix.size(), prefix) != 0 || folded.find('\\', prefix.size()) != std::string::npos) continue;
      const fake::RegValue* full = fake::FindValue(sub.path, "FilterFullPath");
      if (full && full->type == os::kRegSz && fake::FoldName(TextOf(*full)) == fake::FoldName(program.path)) {
        options = fake::Utf8OfKeyText(sub.path);
        break;
      }
    }
  }
  const fake::RegValue* debugger = fake::FindValueUtf8(options, "Debugger");
  if (!debugger || (debugger->type != os::kRegSz && debugger->type != os::kRegExpandSz)) return std::nullopt;
  const std::string text = TextOf(*debugger);
  if (text.empty()) return std::nullopt;
  return text;
}

// The program a redirect starts, which runs as the launcher: the
// Debugger's text parsed as the start of a command line, quoted or not, as
// CreateProcess parses one.
const fake::FileNode* RedirectTarget(const std::string& debugger) { return fake::ImageOf(debugger); }

// A start that reached the launcher again, through a copy of it or a
// redirect, runs it with the command line the system hands it.
// The launcher's exit code when it ran.
std::optional<std::uint32_t> RunAgainIfLauncher(const fake::FileNode& program, const Texts& commandLine, bool wide) {
  if (!M().runLauncher) return std::nullopt;
  if (const std::optional<std::string> debugger = RedirectOf(program)) {
    const fake::FileNode* target = RedirectTarget(*debugger);
    if (!target) return std::nullopt;
    return M().runLauncher(*debugger + " " + commandLine.real, fake::ToAnsi(*debugger) + " " + commandLine.ansi,
                           wide, fake::AnsiOfWide(fake::Utf16(target->path)));
  } else if (program.program && program.program->launcher) {
    return M().runLauncher(commandLine.real, commandLine.ansi, wide, fake::AnsiOfWide(fake::Utf16(program.path)));
  }
  return std::nullopt;
}

// A redirect whose Debugger names no file fails the start as a missing
// program does.
bool RedirectFails(const fake::FileNode& program) {
  const std::optional<std::string> debugger = RedirectOf(program);
  return debugger && !RedirectTarget(*debugger);
}

// The shell starts the program it found as "PATH" PARAMETERS.
Texts ShellCommandLine(const fake::FileNode& program, const Texts& parameters) {
  const auto started = [&](const std::string& text) {
    return "\"" + text + "\"" + (parameters.real.empty() ? "" : " ");
  };
  return {started(program.path) + parameters.real,
          started(fake::AnsiOfWide(fake::Utf16(program.path))) + parameters.ansi};
}

// The program's own hook, taken before anything else runs: a run may
// change the files the program was found among.
using RunHook = std::function<std::uint32_t(const std::string&)>;
RunHook HookOf(const fake::FileNode& program) { return program.program ? program.program->run : RunHook(); }
std::uint32_t RunHookFor(const RunHook& run, const Texts& commandLine) { return run ? run(commandLine.real) : 0; }

// Runs the program the shell found; its process, 0 when there is none.
// A started program's process: one that stays runs for its time, which
// the launcher's waits use up.
void OpenProcessOf(ProcessHandle handle, const fake::Program& program) {
  M().openProcesses[handle] = program.staysMs > 0 ? "stays" : "ends";
  if (program.staysMs > 0) M().stayLeftMs[handle] = std::uint32_t(program.staysMs);
}

ProcessHandle ShellReal(WindowHandle owner, const std::string& verb, const Texts& file, const Texts& parameters,
                        const std::string& directory, int show, bool wide) {
  Record(fake::Event::Shell, file, parameters, wide);
  fake::Event& event = M().events.back();
  event.owner = owner;
  event.verb = verb;
  event.directory = directory;
  event.show = show;
  const fake::FileNode* program = fake::ImageOf("\"" + file.real + "\"");
  if (!program || !program->program || RedirectFails(*program)) return 0;
  const Texts commandLine = ShellCommandLine(*program, parameters);
  const RunHook run = HookOf(*program);
  const ProcessHandle handle = M().nextHandle++;
  OpenProcessOf(handle, *program->program);
  const std::optional<std::uint32_t> launcher = RunAgainIfLauncher(*program, commandLine, wide);
  const std::uint32_t code = RunHookFor(run, commandLine);
  M().exitCodes[handle] = launcher ? *launcher : code;
  return handle;
}

bool StartReal(const Texts& commandLine, const StartupInfo& startup, ProcessHandles* handles, bool wide) {
  const fake::FileNode* program = fake::ImageOf(commandLine.real);
  if (!program || !program->program) {
    M().lastError = program ? 193 : 2;  // ERROR_BAD_EXE_FORMAT, ERROR_FILE_NOT_FOUND
    return false;
  }
  if (RedirectFails(*program)) {
    M().lastError = 2;
    return false;
  }
  fake::Event event;
  event.kind = fake::Event::Start;
  event.wide = wide;
  event.realCommandLine = commandLine.real;
  event.commandLine = commandLine.ansi;
  event.startup = startup;
  M().events.push_back(event);
  handles->process = M().nextHandle++;
  handles->thread = M().nextHandle++;
  OpenProcessOf(handles->process, *program->program);
  M().openProcesses[handles->thread] = "thread";
  const RunHook run = HookOf(*program);
  const ProcessHandle process = handles->process;
  const std::optional<std::uint32_t> launcher = RunAgainIfLauncher(*program, commandLine, wide);
  const std::uint32_t code = RunHookFor(run, commandLine);
  M().exitCodes[process] = launcher ? *launcher : code;
  return true;
}

}  // namespace

ProcessHandle ShellOpenProcess(const std::string& verb, const std::string& file, const std::string& parameters,
                               const std::string& directory, int show) {
  Count("ShellExecuteEx");
  return ShellReal(0, verb, Texts::OfAnsi(file), Texts::OfAnsi(parameters), directory, show, false);
}

ProcessHandle ShellOpenProcessW(const std::u16string& verb, const std::u16string& file,
                                const std::u16string& parameters, const std::u16string& directory, int show) {
  Count("ShellExecuteExW");
  return ShellReal(0, fake::FromUtf16(verb), Texts::OfWide(file), Texts::OfWide(parameters),
                   fake::FromUtf16(directory), show, true);
}

std::intptr_t ShellRunW(WindowHandle owner, const std::u16string& verb, const std::u16string& file,
                        const std::u16string& parameters, const std::u16string& directory, int show) {
  Count("ShellExecuteW");
  const ProcessHandle process = ShellReal(owner, fake::FromUtf16(verb), Texts::OfWide(file),
                                          Texts::OfWide(parameters), fake::FromUtf16(directory), show, true);
  CloseHandle(process);
  return 42;
}

StartupInfo OwnStartupInfo() {
  Count("GetStartupInfo");
  return M().startup;
}

StartupInfoW OwnStartupInfoW() {
  Count("GetStartupInfoW");
  const StartupInfo& a = M().startup;
  StartupInfoW w;
  w.desktop = fake::Utf16(fake::RealOfAnsi(a.desktop));
  w.title = fake::Utf16(fake::RealOfAnsi(a.title));
  w.hasDesktop = a.hasDesktop, w.hasTitle = a.hasTitle;
  w.x = a.x, w.y = a.y, w.xSize = a.xSize, w.ySize = a.ySize, w.xCountChars = a.xCountChars;
  w.yCountChars = a.yCountChars, w.fillAttribute = a.fillAttribute, w.flags = a.flags, w.showWindow = a.showWindow;
  w.stdInput = a.stdInput, w.stdOutput = a.stdOutput, w.stdError = a.stdError;
  return w;
}

bool StartProcess(const std::string& commandLine, const StartupInfo& startup, ProcessHandles* handles) {
  Count("CreateProcess");
  return StartReal(Texts::OfAnsi(commandLine), startup, handles, false);
}

bool StartProcessW(const std::u16string& commandLine, const StartupInfoW& startup, ProcessHandles* handles) {
  Count("CreateProcessW");
  // Recorded with the A form of what it hands on, which is what the
  // machine's own startup information holds.
  StartupInfo a = M().startup;
  a.hasTitle = startup.hasTitle;
  a.title = fake::AnsiOfWide(startup.title);
  return StartReal(Texts::OfWide(commandLine), a, handles, true);
}

std::uint32_t WaitForSingleObject(ProcessHandle handle, std::uint32_t milliseconds) {
  Count("WaitForSingleObject");
  auto process = M().openProcesses.find(handle);
  if (process == M().openProcesses.end()) return 0xFFFFFFFFu;  // WAIT_FAILED
  if (process->second == "stays") {
    std::uint32_t& left = M().stayLeftMs[handle];
    if (milliseconds < left) {
      left -= milliseconds;
      return kWaitTimeout;
    }
    fake::Event event;
    event.kind = fake::Event::Waited;
    M().events.push_back(event);
    process->second = "ended";
  }
  return kWaitObject0;
}

bool CloseHandle(std::uintptr_t handle) {
  Count("CloseHandle");
  M().exitCodes.erase(handle);
  M().readOffsets.erase(handle);
  return M().openProcesses.erase(handle) != 0 || M().openSnapshots.erase(handle) != 0 ||
         M().openFiles.erase(handle) != 0 || M().queriedProcesses.erase(handle) != 0;
}

std::uint32_t GetCurrentProcessId() {
  Count("GetCurrentProcessId");
  return M().processId;
}

namespace {
constexpr ProcessHandle kCurrentProcess = ~std::uintptr_t{0};  // as Windows' pseudo handle
bool FailedWith(std::uint32_t error) {
  M().lastError = error;
  return false;
}
}  // namespace

ProcessHandle CurrentProcess() {
  Count("GetCurrentProcess");
  return kCurrentProcess;
}

ProcessHandle OpenProcessToQuery(std::uint32_t processId) {
  Count("OpenProcess");
  bool running = processId == M().processId;
  for (const fake::Machine::Process& process : M().otherProcesses) running = running || process.processId == processId;
  if (!running) return FailedWith(87), 0;  // ERROR_INVALID_PARAMETER
  const ProcessHandle handle = M().nextHandle++;
  M().queriedProcesses[handle] = processId;
  return handle;
}

bool GetProcessCreationTime(ProcessHandle process, std::uint64_t* creationTime) {
  Count("GetProcessTimes");
  if (process == kCurrentProcess) return *creationTime = M().creationTime, true;
  auto queried = M().queriedProcesses.find(process);
  if (queried == M().queriedProcesses.end()) return FailedWith(6);  // ERROR_INVALID_HANDLE
  if (queried->second == M().processId) return *creationTime = M().creationTime, true;
  for (const fake::Machine::Process& other : M().otherProcesses)
    if (other.processId == queried->second) return *creationTime = other.creationTime, true;
  return FailedWith(87);
}

std::uint32_t QueryProcessImageNameW(ProcessHandle process, char16_t* buffer, std::uint32_t size) {
  Count("QueryFullProcessImageNameW");
  auto queried = M().queriedProcesses.find(process);
  if (queried == M().queriedProcesses.end()) return FailedWith(6), 0;  // ERROR_INVALID_HANDLE
  std::u16string image = fake::Utf16(M().modulePath);
  for (const fake::Machine::Process& other : M().otherProcesses)
    if (other.processId == queried->second) image = fake::Utf16(other.image);
  if (image.empty()) return FailedWith(31), 0;  // ERROR_GEN_FAILURE
  if (image.size() >= size) return FailedWith(122), 0;  // ERROR_INSUFFICIENT_BUFFER
  std::copy(image.begin(), image.end(), buffer);
  buffer[image.size()] = u'\0';
  return static_cast<std::uint32_t>(image.size());
}

bool PeekMessageNoRemove() {
  Count("PeekMessage");
  return false;  // the queue is made, and holds nothing
}

std::uint32_t GetEnvironmentVariableA(const std::string& name, char* buffer, std::uint32_t size) {
  Count("GetEnvironmentVariable");
  auto found = M().environment.find(UpperAscii(name));
  if (found == M().environment.end()) return 0;
  const std::string& value = found->second.second;
  if (value.size() + 1 > size) return static_cast<std::uint32_t>(value.size() + 1);
  std::memcpy(buffer, value.c_str(), value.size() + 1);
  return static_cast<std::uint32_t>(value.size());
}

bool SetEnvironmentVariableA(const std::string& name, const std::string& value) {
  Count("SetEnvironmentVariable");
  M().environment[UpperAscii(name)] = {name, value};
  return true;
}

ActivationContext CreateOwnActivationContext(std::uint16_t resourceId) {
  Count("CreateActCtx");
  if (resourceId != 3 || !M().boxManifest) return kInvalidActivationContext;
  const ActivationContext context = M().nextHandle++;
  M().activationContexts.insert(context);
  return context;
}

bool ActivateActivationContext(ActivationContext context, std::uintptr_t* cookie) {
  if (!M().activationContexts.count(context)) return false;
  M().activeContexts.push_back(context);
  *cookie = M().activeContexts.size();
  return true;
}

bool DeactivateActivationContext(std::uintptr_t cookie) {
  // Only the innermost activation may be undone.
  if (cookie == 0 || cookie != M().activeContexts.size()) return false;
  M().activeContexts.pop_back();
  return true;
}

void ReleaseActivationContext(ActivationContext context) { M().activationContexts.erase(context); }

SnapshotHandle CreateProcessSnapshot() {
  Count("CreateToolhelp32Snapshot");
  if (M().snapshotFails) return kInvalidSnapshot;
  const SnapshotHandle handle = M().nextHandle++;
  M().openSnapshots[handle] = 0;
  return handle;
}

namespace {
bool SnapshotEntry(SnapshotHandle snapshot, ProcessEntry* entry, bool first) {
  auto open = M().openSnapshots.find(snapshot);
  if (open == M().openSnapshots.end()) return false;
  if (first) open->second = 0;
  const std::size_t index = open->second++;
  if (index == 0) {
    *entry = ProcessEntry{M().processId, M().parentProcessId};
    return true;
  }
  if (index - 1 >= M().otherProcesses.size()) return false;
  const fake::Machine::Process& other = M().otherProcesses[index - 1];
  *entry = ProcessEntry{other.processId, other.parentProcessId};
  return true;
}
}  // namespace

bool Process32FirstW(SnapshotHandle snapshot, ProcessEntry* entry) {
  Count("Process32First");
  return SnapshotEntry(snapshot, entry, true);
}

bool Process32NextW(SnapshotHandle snapshot, ProcessEntry* entry) {
  Count("Process32Next");
  return SnapshotEntry(snapshot, entry, false);
}

namespace {
constexpr unsigned char kVersionMagic[4] = {'V', 'Q', 'F', 'I'};

const fake::FileNode* VersionedProgram(const std::string& path) {
  const fake::FileNode* node = fake::FileAt(fake::SystemPathOf(path));
  return node && !node->directory && node->program && node->program->hasVersion ? node : nullptr;
}
}  // namespace

bool QueryFileVersionInfo(const std::string& path, std::uint32_t size, VersionBlock* block) {
  Count("GetFileVersionInfo");
  block->bytes.reset(new unsigned char[size]());
  block->size = size;
  const fake::FileNode* node = VersionedProgram(path);
  if (!node || size < 8) return false;
  std::memcpy(block->bytes.get(), kVersionMagic, 4);
  std::memcpy(block->bytes.get() + 4, &node->program->versionMS, 4);
  return true;
}

bool VerQueryFileVersionMS(const VersionBlock& block, std::uint32_t* versionMS) {
  Count("VerQueryValue");
  if (block.size < 8 || std::memcmp(block.bytes.get(), kVersionMagic, 4) != 0) return false;
  std::memcpy(versionMS, block.bytes.get() + 4, 4);
  return true;
}

// Settings window
long DeleteValue(KeyHandle key, const std::string& name) {
  Count("RegDeleteValue");
  auto open = M().openKeys.find(key);
  if (open == M().openKeys.end()) return 6;
  if (!fake::HandleGrants(key, fake::kSetValue)) return fake::kAccessDenied;
  fake::RegKeyNode* node = fake::KeyAt(open->second);
  if (!node || node->failSet || fake::Refused(*node, name)) return fake::kAccessDenied;
  return node->values.erase(fake::Fold(name)) ? kSuccess : fake::kFileNotFound;
}

// Changing the system: the setup program and the settings window's saving
namespace {

constexpr std::uint32_t kDelete = 0x10000, kEnumerateSubKeys = 0x8;
constexpr long kInvalidHandle = 6, kPathNotFound = 3, kSharingViolation = 32, kAlreadyExists = 183,
               kDirNotEmpty = 145, kDirectoryName = 267, kKeyDeleted = 1018, kInsufficientBuffer = 122;

bool Failed(long error) {
  M().lastError = static_cast<std::uint32_t>(error);
  return false;
}

std::uint32_t NoCount(long error) {
  M().lastError = static_cast<std::uint32_t>(error);
  return 0;
}

// A text the size a count-returning call asks for, the NUL included, or
// its length when copied.
std::uint32_t CopyOutW(const std::u16string& text, char16_t* buffer, std::uint32_t size) {
  if (text.size() + 1 > size) return static_cast<std::uint32_t>(text.size() + 1);
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = u'\0';
  return static_cast<std::uint32_t>(text.size());
}

bool IsFolderPresent(const std::string& parent) {
  if (parent.size() <= 2) return true;  // a drive
  const fake::FileNode* node = fake::FileAt(parent);
  return node && node->directory;
}

std::string TrimmedDirectory(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

}  // namespace

long OpenKeyW(KeyHandle parent, const std::u16string& subkey, std::uint32_t access, KeyHandle* result) {
  Count("RegOpenKeyExW");
  return OpenAt(parent, fake::KeyTextOfWide(subkey), access, result);
}

long CreateKeyW(KeyHandle parent, const std::u16string& subkey, std::uint32_t access, KeyHandle* result,
                bool* created) {
  Count("RegCreateKeyExW");
  return CreateAt(parent, fake::KeyTextOfWide(subkey), access, result, created);
}

namespace {

// The key behind a handle that may change the value named text; status
// says why not when it is null.
fake::RegKeyNode* WritableKey(KeyHandle key, const std::string& text, long* status) {
  auto open = M().openKeys.find(key);
  *status = kInvalidHandle;
  if (open == M().openKeys.end()) return nullptr;
  *status = fake::kAccessDenied;
  if (!fake::HandleGrants(key, fake::kSetValue)) return nullptr;
  fake::RegKeyNode* node = fake::KeyAt(open->second);
  if (!node || node->failSet || fake::Refused(*node, text)) return nullptr;
  *status = kSuccess;
  return node;
}

}  // namespace

long SetValueW(KeyHandle key, const std::u16string& name, std::uint32_t type, const unsigned char* data,
               std::uint32_t size) {
  Count("RegSetValueExW");
  const std::string text = fake::KeyTextOfWide(name);
  long status = kSuccess;
  if (!WritableKey(key, text, &status)) return status;
  fake::StoreWide(M().openKeys[key], text, type, std::vector<unsigned char>(data, data + size));
  return kSuccess;
}

long DeleteValueW(KeyHandle key, const std::u16string& name) {
  Count("RegDeleteValueW");
  const std::string text = fake::KeyTextOfWide(name);
  long status = kSuccess;
  fake::RegKeyNode* node = WritableKey(key, text, &status);
  if (!node) return status;
  return node->values.erase(fake::Fold(text)) ? kSuccess : fake::kFileNotFound;
}

long DeleteKeyW(KeyHandle parent, const std::u16string& subkey, std::uint32_t view) {
  Count("RegDeleteKeyExW");
  std::string path;
  if (fake::RootName(parent).empty()) return kInvalidHandle;
  if (!fake::JoinKeyPath(parent, fake::KeyTextOfWide(subkey), &path)) return fake::kFileNotFound;
  path = fake::ViewedPath(parent, path, view);
  const fake::RegKeyNode* node = fake::KeyAt(path);
  if (!node) return fake::kFileNotFound;
  if (node->failOpen || node->failSet || !fake::Grants(node->grants, kDelete)) return fake::kAccessDenied;
  const std::string below = fake::Fold(path) + "\\";
  for (const auto& [folded, other] : M().keys)
    if (folded.compare(0, below.size(), below) == 0) return fake::kAccessDenied;
  M().keys.erase(fake::Fold(path));
  return kSuccess;
}

long EnumKeyW(KeyHandle key, std::uint32_t index, std::u16string* name) {
  Count("RegEnumKeyExW");
  const std::string path = fake::RootName(key);
  if (path.empty()) return kInvalidHandle;
  if (!fake::HandleGrants(key, kEnumerateSubKeys)) return fake::kAccessDenied;
  if (path.find('\\') != std::string::npos && !fake::KeyAt(path)) return kKeyDeleted;
  std::uint32_t at = 0;
  for (const auto& [folded, node] : M().keys) {
    if (fake::Fold(fake::ParentOf(node.path)) != fake::Fold(path)) continue;
    if (at++ != index) continue;
    *name = fake::WideOfKeyText(node.path.substr(fake::LastBackslash(node.path) + 1));
    return kSuccess;
  }
  return kNoMoreItems;
}

long EnumValueNameW(KeyHandle key, std::uint32_t index, std::u16string* name) {
  Count("RegEnumValueW");
  const std::string path = fake::RootName(key);
  if (path.empty()) return kInvalidHandle;
  if (!fake::HandleGrants(key, fake::kQueryValue)) return fake::kAccessDenied;
  const fake::RegKeyNode* node = fake::KeyAt(path);
  if (!node) return path.find('\\') != std::string::npos ? kKeyDeleted : kNoMoreItems;
  if (index >= node->values.size()) return kNoMoreItems;
  *name = fake::WideOfKeyText(std::next(node->values.begin(), index)->second.name);
  return kSuccess;
}

bool CopyFileOverW(const std::u16string& from, const std::u16string& to) {
  Count("CopyFileW");
  const Texts fromText = Texts::OfWide(from), toText = Texts::OfWide(to);
  const std::string source = fake::SystemPathOf(fromText.real), target = fake::SystemPathOf(toText.real);
  const fake::FileNode* sourceNode = fake::FileAt(source);
  if (!sourceNode) return Failed(fake::kFileNotFound);
  if (sourceNode->directory) return Failed(fake::kAccessDenied);
  if (fake::FileKey(source) == fake::FileKey(target)) return Failed(kSharingViolation);
  const std::string parent = fake::FileParentOf(target);
  if (!IsFolderPresent(parent)) return Failed(kPathNotFound);
  fake::FileNode* targetNode = fake::FileAt(target);
  if (targetNode) {
    if (targetNode->directory || targetNode->systemProtected || targetNode->failWrite) return Failed(fake::kAccessDenied);
    if (targetNode->locked || targetNode->running) return Failed(kSharingViolation);
  } else {
    const fake::FileNode* parentNode = fake::FileAt(parent);
    if (parentNode && parentNode->failCreate) return Failed(fake::kAccessDenied);
    // A new file takes its folder's name as the folder has it.
    std::string stored = fake::StoredPath(target);
    if (parentNode) stored = parentNode->path + stored.substr(stored.rfind('\\'));
    targetNode = &M().files[fake::FileKey(target)];
    targetNode->path = stored;
  }
  // The target keeps its own name and flags; what it holds is the source's.
  targetNode->contents = sourceNode->contents;
  targetNode->program = sourceNode->program;
  targetNode->trustedSignature = sourceNode->trustedSignature;
  targetNode->lastWriteTime = sourceNode->lastWriteTime;
  Record(fake::Event::Copied, fromText, toText, true);
  return true;
}

bool MakeDirectoryW(const std::u16string& path) {
  Count("CreateDirectoryW");
  const Texts text = Texts::OfWide(path);
  const std::string real = TrimmedDirectory(fake::SystemPathOf(text.real));
  if (fake::FileAt(real)) return Failed(kAlreadyExists);
  const std::string parent = fake::FileParentOf(fake::StoredPath(real));
  if (!IsFolderPresent(parent)) return Failed(kPathNotFound);
  if (const fake::FileNode* parentNode = fake::FileAt(parent); parentNode && parentNode->failCreate)
    return Failed(fake::kAccessDenied);
  fake::AddRealDirectory(fake::StoredPath(real));
  Record(fake::Event::MadeDirectory, text, Texts(), true);
  return true;
}

bool RemoveDirectoryOnlyW(const std::u16string& path) {
  Count("RemoveDirectoryW");
  const Texts text = Texts::OfWide(path);
  const std::string real = TrimmedDirectory(fake::SystemPathOf(text.real));
  const fake::FileNode* node = fake::FileAt(real);
  if (!node) return Failed(fake::kFileNotFound);
  if (!node->directory) return Failed(kDirectoryName);
  if (node->locked) return Failed(kSharingViolation);
  if (node->systemProtected) return Failed(fake::kAccessDenied);
  const std::string key = fake::FileKey(real);
  for (const auto& [otherKey, other] : M().files)
    if (fake::FileKey(fake::FileParentOf(other.path)) == key) return Failed(kDirNotEmpty);
  M().files.erase(key);
  Record(fake::Event::RemovedDirectory, text, Texts(), true);
  return true;
}

std::uint32_t FileAttributesW(const std::u16string& path) {
  Count("GetFileAttributesW");
  const fake::FileNode* node = fake::FileAt(TrimmedDirectory(fake::SystemPathOf(fake::FromUtf16(path))));
  if (!node) {
    M().lastError = fake::kFileNotFound;
    return kNoAttributes;
  }
  return node->directory ? kAttributeDirectory : 0x20;  // FILE_ATTRIBUTE_ARCHIVE
}

namespace {
// A handle on a file no one holds locked.
FileHandle OpenedFile(const fake::FileNode& node) {
  if (node.locked) {
    M().lastError = kSharingViolation;
    return kInvalidFile;
  }
  const FileHandle handle = M().nextHandle++;
  M().openFiles[handle] = node.path;
  return handle;
}
}  // namespace

FileHandle OpenFileForWritingW(const std::u16string& path) {
  Count("CreateFileW");
  fake::FileNode* node = fake::FileAt(TrimmedDirectory(fake::SystemPathOf(fake::FromUtf16(path))));
  if (!node) {
    M().lastError = fake::kFileNotFound;
    return kInvalidFile;
  }
  // failWrite fails the copy itself, not the question beforehand.
  if (node->directory || node->systemProtected) {
    M().lastError = fake::kAccessDenied;
    return kInvalidFile;
  }
  return OpenedFile(*node);
}

bool GetFileSecurityW(const std::u16string& path, std::uint32_t information, unsigned char* buffer, std::uint32_t size,
                      std::uint32_t* needed) {
  Count("GetFileSecurityW");
  const fake::FileNode* node = fake::FileAt(TrimmedDirectory(fake::SystemPathOf(fake::FromUtf16(path))));
  if (!node) return FailedWith(fake::kFileNotFound);
  // A self-relative descriptor holding the owner alone.
  std::vector<unsigned char> descriptor = {1, 0, 0x00, 0x80, 20, 0, 0, 0};
  descriptor.resize(20, 0);
  std::string owner = node->owner.empty() ? (node->systemProtected ? fake::kTrustedInstaller : "S-1-5-32-544") : node->owner;
  std::vector<std::uint32_t> parts;
  for (std::size_t at = 2; at < owner.size();) {  // past "S-"
    const std::size_t end = std::min(owner.find('-', at), owner.size());
    parts.push_back(static_cast<std::uint32_t>(std::stoul(owner.substr(at, end - at))));
    at = end + 1;
  }
  descriptor.push_back(static_cast<unsigned char>(parts[0]));
  descriptor.push_back(static_cast<unsigned char>(parts.size() - 2));
  for (int shift = 40; shift >= 0; shift -= 8) descriptor.push_back(static_cast<unsigned char>(std::uint64_t{parts[1]} >> shift));
  for (std::size_t i = 2; i < parts.size(); ++i)
    for (int shift = 0; shift < 32; shift += 8) descriptor.push_back(static_cast<unsigned char>(parts[i] >> shift));
  if (information != kOwnerSecurity) descriptor.clear();
  *needed = static_cast<std::uint32_t>(descriptor.size());
  if (descriptor.size() > size) return FailedWith(122);  // ERROR_INSUFFICIENT_BUFFER
  std::copy(descriptor.begin(), descriptor.end(), buffer);
  return true;
}

FileHandle OpenFileForReadingW(const std::u16string& path) {
  Count("CreateFileW");
  fake::FileNode* node = fake::FileAt(TrimmedDirectory(fake::SystemPathOf(fake::FromUtf16(path))));
  if (!node || node->directory) {
    M().lastError = node ? fake::kAccessDenied : fake::kFileNotFound;
    return kInvalidFile;
  }
  const FileHandle handle = OpenedFile(*node);
  if (handle != kInvalidFile) M().readOffsets[handle] = 0;
  return handle;
}

bool ReadFileBytes(FileHandle file, unsigned char* buffer, std::uint32_t size, std::uint32_t* read) {
  Count("ReadFile");
  *read = 0;
  const auto offset = M().readOffsets.find(file);
  const fake::FileNode* node = offset == M().readOffsets.end() ? nullptr : fake::FileAt(M().openFiles[file]);
  if (!node) {
    M().lastError = kInvalidHandle;
    return false;
  }
  const std::string& contents = node->contents;
  const std::size_t count = std::min<std::size_t>(size, contents.size() - std::min(offset->second, contents.size()));
  std::memcpy(buffer, contents.data() + offset->second, count);
  offset->second += count;
  *read = static_cast<std::uint32_t>(count);
  return true;
}

bool RemoveAtRestartW(const std::u16string& path) {
  Count("MoveFileExW");
  // The deletion is kept in HKLM, which only an administrator may write.
  if (!M().isAdmin) return Failed(fake::kAccessDenied);
  const Texts text = Texts::OfWide(path);
  M().removeAtRestart.push_back(fake::SystemPathOf(text.real));
  Record(fake::Event::AtRestart, text, Texts(), true);
  return true;
}

std::uint32_t QueryWindowsDirectoryW(char16_t* buffer, std::uint32_t size) {
  Count("GetWindowsDirectoryW");
  if (M().directoryQueriesFail) return 0;
  return CopyOutW(fake::Utf16(fake::RealOfAnsi(M().windowsDirectory)), buffer, size);
}

// As the A form: cut to the buffer, with the NUL only when it fits.
std::uint32_t QueryModuleFileNameW(char16_t* buffer, std::uint32_t size) {
  Count("GetModuleFileNameW");
  const std::u16string path = fake::Utf16(fake::RealOfAnsi(M().modulePath));
  const std::uint32_t length = static_cast<std::uint32_t>(std::min<std::size_t>(path.size(), size));
  std::copy(path.begin(), path.begin() + length, buffer);
  if (length < size) buffer[length] = u'\0';
  else M().lastError = kInsufficientBuffer;
  return length;
}

std::uint32_t GetEnvironmentVariableW(const std::u16string& name, char16_t* buffer, std::uint32_t size) {
  Count("GetEnvironmentVariableW");
  auto found = M().environment.find(UpperAscii(fake::AnsiOfWide(name)));
  if (found == M().environment.end()) return 0;
  return CopyOutW(fake::Utf16(fake::RealOfAnsi(found->second.second)), buffer, size);
}

bool GetExitCodeProcess(ProcessHandle process, std::uint32_t* code) {
  Count("GetExitCodeProcess");
  auto open = M().openProcesses.find(process);
  if (open == M().openProcesses.end() || open->second == "thread") return Failed(kInvalidHandle);
  auto exit = M().exitCodes.find(process);
  *code = exit == M().exitCodes.end() ? 0 : exit->second;
  return true;
}

ProcessHandle ShellRunProcessW(const std::u16string& verb, const std::u16string& file,
                               const std::u16string& parameters) {
  Count("ShellExecuteExW");
  const Texts fileText = Texts::OfWide(file), parameterText = Texts::OfWide(parameters);
  Record(fake::Event::Shell, fileText, parameterText, true);
  M().events.back().verb = fake::FromUtf16(verb);
  M().events.back().show = 1;  // SW_SHOWNORMAL
  const fake::FileNode* program = fake::ImageOf("\"" + fileText.real + "\"");
  if (!program || !program->program || RedirectFails(*program)) {
    M().lastError = program && !program->program ? 193 : 2;
    return 0;
  }
  const Texts commandLine = ShellCommandLine(*program, parameterText);
  const RunHook run = HookOf(*program);
  const ProcessHandle handle = M().nextHandle++;
  OpenProcessOf(handle, *program->program);
  RunAgainIfLauncher(*program, commandLine, true);
  M().exitCodes[handle] = RunHookFor(run, commandLine);
  return handle;
}

bool IsUserAnAdmin() {
  Count("IsUserAnAdmin");
  return M().isAdmin;
}

bool IsWow64Process2(std::uint16_t* processMachine, std::uint16_t* nativeMachine) {
  Count("IsWow64Process2");
  if (!M().hasIsWow64Process2) return false;
  *processMachine = M().processMachine;
  *nativeMachine = M().nativeMachine;
  return true;
}

std::uint16_t NativeProcessorArchitecture() {
  Count("GetNativeSystemInfo");
  switch (M().nativeMachine) {
    case kMachineI386: return 0;
    case kMachineAmd64: return 9;
    case kMachineArm64: return 12;
    default: return 0xFFFF;  // PROCESSOR_ARCHITECTURE_UNKNOWN
  }
}

namespace {

// The W block: the A block's head (magic, file version), then each text
// as sub-block and value, both NUL-ended UTF-8.
const fake::FileNode* VersionedProgramW(const std::u16string& path) {
  const fake::FileNode* node = fake::FileAt(fake::SystemPathOf(fake::FromUtf16(path)));
  if (!node || node->directory || !node->program) return nullptr;
  return node->program->hasVersion || !node->program->versionTexts.empty() ? node : nullptr;
}

std::vector<unsigned char> VersionBlockOf(const fake::Program& program) {
  std::vector<unsigned char> block(kVersionMagic, kVersionMagic + 4);
  for (int i = 0; i < 4; ++i) block.push_back(static_cast<unsigned char>(program.versionMS >> (8 * i)));
  for (const auto& [subBlock, text] : program.versionTexts) {
    block.insert(block.end(), subBlock.begin(), subBlock.end());
    block.push_back(0);
    block.insert(block.end(), text.begin(), text.end());
    block.push_back(0);
  }
  return block;
}

}  // namespace

std::uint32_t QueryFileVersionInfoSizeW(const std::u16string& path) {
  Count("GetFileVersionInfoSizeW");
  const fake::FileNode* node = VersionedProgramW(path);
  if (!node) return NoCount(fake::kFileNotFound);
  return static_cast<std::uint32_t>(std::max<std::size_t>(64, VersionBlockOf(*node->program).size()));
}

bool QueryFileVersionInfoW(const std::u16string& path, std::uint32_t size, std::vector<unsigned char>* block) {
  Count("GetFileVersionInfoW");
  const fake::FileNode* node = VersionedProgramW(path);
  if (!node) return Failed(fake::kFileNotFound);
  const std::vector<unsigned char> whole = VersionBlockOf(*node->program);
  if (size < whole.size()) return Failed(kInsufficientBuffer);
  block->assign(size, 0);
  std::copy(whole.begin(), whole.end(), block->begin());
  return true;
}

bool VerQueryTextW(const std::vector<unsigned char>& block, const std::u16string& subBlock, std::u16string* text) {
  Count("VerQueryValueW");
  if (block.size() < 8 || std::memcmp(block.data(), kVersionMagic, 4) != 0) return false;
  const std::string wanted = fake::FoldName(fake::FromUtf16(subBlock));
  const std::string rest(block.begin() + 8, block.end());
  for (std::size_t at = 0; at < rest.size() && rest[at] != '\0';) {
    const std::size_t keyEnd = rest.find('\0', at);
    if (keyEnd == std::string::npos) return false;
    const std::size_t valueEnd = rest.find('\0', keyEnd + 1);
    if (valueEnd == std::string::npos) return false;
    if (fake::FoldName(rest.substr(at, keyEnd - at)) == wanted) {
      *text = fake::Utf16(rest.substr(keyEnd + 1, valueEnd - keyEnd - 1));
      return true;
    }
    at = valueEnd + 1;
  }
  return false;
}

std::int32_t VerifyFileTrustW(const std::u16string& path) {
  Count("WinVerifyTrust");
  const fake::FileNode* node = fake::FileAt(fake::SystemPathOf(fake::FromUtf16(path)));
  return node && !node->directory && node->trustedSignature ? 0 : kTrustNoSignature;
}

namespace {
constexpr std::uintptr_t kStandardOutput = 0xC0DE0001u, kStandardError = 0xC0DE0002u, kStandardInput = 0xC0DE0003u;

std::string* ConsoleTextOf(std::uintptr_t handle) {
  if (M().noConsole) return nullptr;
  if (handle == kStandardOutput) return &M().consoleOut;
  if (handle == kStandardError) return &M().consoleErr;
  return nullptr;
}
}  // namespace

std::uintptr_t StandardHandle(bool error) {
  Count("GetStdHandle");
  if (M().noConsole) return 0;
  return error ? kStandardError : kStandardOutput;
}

std::uintptr_t StandardInputHandle() {
  Count("GetStdHandle");
  return M().noConsole ? 0 : kStandardInput;
}

// The user presses Enter at once; the wait is counted.
bool ReadConsoleW(std::uintptr_t handle, char16_t* buffer, std::uint32_t size, std::uint32_t* read) {
  Count("ReadConsoleW");
  *read = 0;
  if (handle != kStandardInput || size < 2) return false;
  buffer[0] = u'\r';
  buffer[1] = u'\n';
  *read = 2;
  return true;
}

bool WriteConsoleW(std::uintptr_t handle, const std::u16string& text) {
  Count("WriteConsoleW");
  std::string* out = ConsoleTextOf(handle);
  if (!out || M().outputRedirected) return Failed(kInvalidHandle);
  *out += fake::FromUtf16(text);
  return true;
}

// Led to a file the bytes stay as they are; on the console they show in
// its code page.
bool WriteFileBytes(std::uintptr_t handle, const std::string& bytes) {
  Count("WriteFile");
  std::string* out = ConsoleTextOf(handle);
  if (!out) return Failed(kInvalidHandle);
  *out += M().outputRedirected ? bytes : fake::FromAnsi(bytes);
  return true;
}

std::uint32_t GetConsoleOutputCP() {
  Count("GetConsoleOutputCP");
  return static_cast<std::uint32_t>(M().codePage);
}

}  // namespace os
