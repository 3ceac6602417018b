#include "tests/fake/fake_os.h"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cstring>
#include <ctime>

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
        const FileNode* node = FileAt(name);
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

long OpenKey(KeyHandle parent, const std::string& subkey, std::uint32_t access, KeyHandle* result) {
  Count("RegOpenKeyEx");
  *result = 0;
  std::string path;
  if (!fake::JoinKeyPath(parent, subkey, &path)) return fake::kFileNotFound;
  fake::RegKeyNode* node = fake::KeyAt(path);
  if (!node) return fake::kFileNotFound;
  if (node->failOpen || !fake::Grants(node->grants, access)) return fake::kAccessDenied;
  *result = fake::NewKeyHandle(node->path, access);
  return kSuccess;
}

long CreateKey(KeyHandle parent, const std::string& subkey, std::uint32_t access, KeyHandle* result) {
  Count("RegCreateKeyEx");
  *result = 0;
  std::string path;
  if (!fake::JoinKeyPath(parent, subkey, &path) || subkey.empty()) return fake::kBadPath;
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
  }
  fake::RegKeyNode& node = fake::AddKey(path);
  *result = fake::NewKeyHandle(node.path, access);
  return kSuccess;
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
  const fake::RegValue* value = fake::FindValue(open->second, fake::AnsiOfWide(name));
  if (!value) return fake::kFileNotFound;
  // Text comes as the system keeps it, in UTF-16; other data as it is.
  std::string bytes(value->data.begin(), value->data.end());
  if (value->type == kRegSz || value->type == kRegExpandSz || value->type == kRegMultiSz) {
    std::u16string wide = value->wideText ? *value->wideText + u'\0' : fake::ToUtf16(fake::AnsiName(), bytes);
    bytes.assign(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
  }
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
FindHandle FindReal(const std::string& pattern, FindData* data) {
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
  const std::string& from = fromText.real;
  const std::string& to = toText.real;
  fake::FileNode* source = fake::FileAt(from);
  if (!source || source->locked || fake::FileAt(to)) return false;
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
  const std::string& path = pathText.real;
  fake::FileNode* node = fake::FileAt(path);
  if (!node || node->directory || node->locked) return false;
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

// The Debugger text the system puts before a program's start, if any.
const std::string* RedirectOf(const fake::FileNode& program) {
  const std::string name = program.path.substr(program.path.find_last_of('\\') + 1);
  auto found = M().redirects.find(UpperAscii(name));
  return found == M().redirects.end() ? nullptr : &found->second;
}

// A start that reached the launcher again, through a copy of it or a
// redirect, runs it with the command line the system hands it.
void RunAgainIfLauncher(const fake::FileNode& program, const Texts& commandLine, bool wide) {
  if (!M().runLauncher) return;
  if (const std::string* debugger = RedirectOf(program)) {
    M().runLauncher(*debugger + " " + commandLine.real, fake::ToAnsi(*debugger) + " " + commandLine.ansi, wide,
                    fake::ToAnsi(*debugger));
  } else if (program.program && program.program->launcher) {
    M().runLauncher(commandLine.real, commandLine.ansi, wide, fake::AnsiOfWide(fake::Utf16(program.path)));
  }
}

// A redirect whose Debugger names no file fails the start as a missing
// program does.
bool RedirectFails(const fake::FileNode& program) {
  const std::string* debugger = RedirectOf(program);
  if (!debugger) return false;
  const fake::FileNode* target = fake::FileAt(*debugger);
  return !target || target->directory;
}

std::intptr_t ShellReal(WindowHandle owner, const std::string& verb, const Texts& file, const Texts& parameters,
                        const std::string& directory, int show, bool wide) {
  Record(fake::Event::Shell, file, parameters, wide);
  fake::Event& event = M().events.back();
  event.owner = owner;
  event.verb = verb;
  event.directory = directory;
  event.show = show;
  // The shell starts the program it found as "PATH" PARAMETERS.
  const auto started = [&](const std::string& text) {
    return "\"" + text + "\"" + (parameters.real.empty() ? "" : " ");
  };
  if (const fake::FileNode* program = fake::ImageOf("\"" + file.real + "\"");
      program && program->program && !RedirectFails(*program)) {
    const Texts commandLine{started(program->path) + parameters.real,
                            started(fake::AnsiOfWide(fake::Utf16(program->path))) + parameters.ansi};
    RunAgainIfLauncher(*program, commandLine, wide);
  }
  return 42;
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
  M().openProcesses[handles->process] = program->program->staysMs > 0 ? "stays" : "ends";
  M().openProcesses[handles->thread] = "thread";
  RunAgainIfLauncher(*program, commandLine, wide);
  return true;
}

}  // namespace

std::intptr_t ShellRun(WindowHandle owner, const std::string& verb, const std::string& file,
                       const std::string& parameters, const std::string& directory, int show) {
  Count("ShellExecute");
  return ShellReal(owner, verb, Texts::OfAnsi(file), Texts::OfAnsi(parameters), directory, show, false);
}

std::intptr_t ShellRunW(WindowHandle owner, const std::u16string& verb, const std::u16string& file,
                        const std::u16string& parameters, const std::u16string& directory, int show) {
  Count("ShellExecuteW");
  return ShellReal(owner, fake::FromUtf16(verb), Texts::OfWide(file), Texts::OfWide(parameters),
                   fake::FromUtf16(directory), show, true);
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

std::uint32_t WaitForSingleObject(ProcessHandle handle, std::uint32_t) {
  Count("WaitForSingleObject");
  auto process = M().openProcesses.find(handle);
  if (process == M().openProcesses.end()) return 0xFFFFFFFFu;  // WAIT_FAILED
  if (process->second == "stays") {
    fake::Event event;
    event.kind = fake::Event::Waited;
    M().events.push_back(event);
    process->second = "ended";
  }
  return kWaitObject0;
}

bool CloseHandle(ProcessHandle handle) {
  Count("CloseHandle");
  return M().openProcesses.erase(handle) != 0 || M().openSnapshots.erase(handle) != 0;
}

std::uint32_t GetCurrentProcessId() {
  Count("GetCurrentProcessId");
  return M().processId;
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
  *entry = M().otherProcesses[index - 1];
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
  const fake::FileNode* node = fake::FileAt(path);
  return node && !node->directory && node->program && node->program->hasVersion ? node : nullptr;
}
}  // namespace

std::uint32_t QueryFileVersionInfoSize(const std::string& path) {
  Count("GetFileVersionInfoSize");
  return VersionedProgram(path) ? 64 : 0;
}

bool QueryFileVersionInfo(const std::string& path, std::uint32_t size, std::vector<unsigned char>* block) {
  Count("GetFileVersionInfo");
  const fake::FileNode* node = VersionedProgram(path);
  if (!node || size < 8) return false;
  block->assign(size, 0);
  std::memcpy(block->data(), kVersionMagic, 4);
  std::memcpy(block->data() + 4, &node->program->versionMS, 4);
  return true;
}

bool VerQueryFileVersionMS(const std::vector<unsigned char>& block, std::uint32_t* versionMS) {
  Count("VerQueryValue");
  if (block.size() < 8 || std::memcmp(block.data(), kVersionMagic, 4) != 0) return false;
  std::memcpy(versionMS, block.data() + 4, 4);
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


}  // namespace os
