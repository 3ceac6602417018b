#include "scenario.h"

#include <cstdio>
#include <set>
#include <sstream>

namespace scn {
namespace {

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// "keyword rest": the rest is everything after the keyword and one space.
bool TakeKeyword(const std::string& line, const std::string& keyword, std::string* rest) {
  if (line == keyword) {
    rest->clear();
    return true;
  }
  if (!StartsWith(line, keyword + " ")) return false;
  *rest = line.substr(keyword.size() + 1);
  return true;
}

bool IsUpperAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = char(x - 32);
    if (y >= 'a' && y <= 'z') y = char(y - 32);
    if (x != y) return false;
  }
  return true;
}

bool ParseInt(const std::string& s, long long lo, long long hi, long long* out) {
  if (s.empty() || s.size() > 10) return false;
  long long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < lo || v > hi) return false;
  *out = v;
  return true;
}

// ROOT\PATH\NAME = TYPE DATA, or just ROOT\PATH\NAME when wantData is false.
bool ParseRegSpec(const std::string& text, bool wantData, RegValueSpec* out, std::string* why) {
  std::string where = text;
  if (wantData) {
    size_t eq = text.find(" = ");
    if (eq == std::string::npos) {
      *why = "expected ' = TYPE DATA'";
      return false;
    }
    where = text.substr(0, eq);
    std::string typed = text.substr(eq + 3);
    size_t space = typed.find(' ');
    out->type = typed.substr(0, space);
    out->data = space == std::string::npos ? "" : typed.substr(space + 1);
    if (out->type != "sz" && out->type != "expand" && out->type != "dword" &&
        out->type != "binary" && out->type != "raw") {
      *why = "unknown registry type '" + out->type + "'";
      return false;
    }
    if (out->type == "raw") {
      // raw N HEX: registry type N (decimal) and the data's exact bytes.
      size_t cut = out->data.find(' ');
      long long number;
      if (!ParseInt(out->data.substr(0, cut), 0, 0xFFFFFFFFLL, &number) ||
          !ParseHexBytes(cut == std::string::npos ? "" : out->data.substr(cut + 1), &out->rawBytes)) {
        *why = "raw takes a registry type number and hexadecimal bytes";
        return false;
      }
      out->rawType = static_cast<std::uint32_t>(number);
    }
  }
  size_t root = where.find('\\');
  size_t last = where.rfind('\\');
  if (root == std::string::npos || root == last) {
    *why = "expected ROOT\\PATH\\NAME";
    return false;
  }
  out->root = where.substr(0, root);
  if (out->root != "HKCU" && out->root != "HKLM") {
    *why = "root must be HKCU or HKLM";
    return false;
  }
  out->path = where.substr(root + 1, last - root - 1);
  out->name = where.substr(last + 1);
  return true;
}

bool ParseKeyPath(const std::string& text, RegValueSpec* out, std::string* why) {
  size_t root = text.find('\\');
  if (root == std::string::npos) {
    *why = "expected ROOT\\PATH";
    return false;
  }
  out->root = text.substr(0, root);
  out->path = text.substr(root + 1);
  while (!out->path.empty() && out->path.back() == '\\') out->path.pop_back();
  if (out->root != "HKCU" && out->root != "HKLM") {
    *why = "root must be HKCU or HKLM";
    return false;
  }
  return true;
}

bool ParseSetupLine(const std::string& line, Scenario* s, std::string* why) {
  std::string rest;
  if (TakeKeyword(line, "system", &rest)) {
    if (rest != "nt" && rest != "95") return *why = "system is nt or 95", false;
    s->system95 = rest == "95";
    return true;
  }
  if (TakeKeyword(line, "codepage", &rest)) {
    if (rest != "932" && rest != "1252") return *why = "codepage is 932 or 1252", false;
    s->codepage = std::stoi(rest);
    return true;
  }
  if (TakeKeyword(line, "decimal", &rest)) {
    if (rest.size() != 1) return *why = "decimal takes one character", false;
    s->decimal = rest[0];
    return true;
  }
  if (TakeKeyword(line, "temp", &rest)) {
    if (rest.empty() || rest.back() != '\\') return *why = "temp must end in \\", false;
    s->temp = rest;
    return true;
  }
  if (TakeKeyword(line, "cwd", &rest)) {
    if (rest.size() < 3 || rest.compare(1, 2, ":\\") != 0) return *why = "cwd takes a full path like C:\\Docs", false;
    s->cwd = rest;
    return true;
  }
  SetupItem item;
  if (TakeKeyword(line, "key", &rest)) {
    item.kind = SetupItem::Key;
    if (!ParseKeyPath(rest, &item.value, why)) return false;
  } else if (TakeKeyword(line, "access", &rest)) {
    item.kind = SetupItem::Access;
    const size_t space = rest.rfind(' ');
    const std::string grant = space == std::string::npos ? "" : rest.substr(space + 1);
    if (grant != "read" && grant != "none") return *why = "access takes a key and read or none", false;
    item.readOnly = grant == "read";
    if (!ParseKeyPath(rest.substr(0, space), &item.value, why)) return false;
  } else if (TakeKeyword(line, "launcher", &rest)) {
    item.kind = SetupItem::Launcher;
    item.path = rest;
  } else if (TakeKeyword(line, "redirect", &rest)) {
    item.kind = SetupItem::Redirect;
    const size_t eq = rest.find(" = ");
    if (eq == std::string::npos || eq == 0 || rest.find('\\') < eq) return *why = "redirect takes NAME = PATH", false;
    item.imageName = rest.substr(0, eq);
    item.path = rest.substr(eq + 3);
  } else if (TakeKeyword(line, "reg", &rest)) {
    item.kind = SetupItem::Reg;
    if (!ParseRegSpec(rest, true, &item.value, why)) return false;
  } else if (TakeKeyword(line, "file", &rest)) {
    item.kind = SetupItem::File;
    size_t t = rest.rfind(" time ");
    if (t != std::string::npos && t + 6 + 10 == rest.size()) {
      item.time = rest.substr(t + 6);
      rest.resize(t);
      const std::string& d = item.time;
      long long y, m, dd;
      if (d[4] != '-' || d[7] != '-' || !ParseInt(d.substr(0, 4), 1601, 9999, &y) ||
          !ParseInt(d.substr(5, 2), 1, 12, &m) || !ParseInt(d.substr(8, 2), 1, 31, &dd))
        return *why = "time is YYYY-MM-DD", false;
    } else if (rest.size() > 7 && rest.compare(rest.size() - 7, 7, " locked") == 0) {
      item.locked = true;
      rest.resize(rest.size() - 7);
    }
    item.path = rest;
  } else if (TakeKeyword(line, "dir", &rest)) {
    item.kind = SetupItem::Dir;
    item.path = rest;
  } else if (TakeKeyword(line, "program", &rest)) {
    item.kind = SetupItem::Program;
    size_t at;
    bool exits = false;
    if ((at = rest.rfind(" exits ")) != std::string::npos) {
      long long code;
      if (!ParseInt(rest.substr(at + 7), 0, 255, &code)) return *why = "exits takes an exit code from 0 to 255", false;
      item.exitCode = int(code);
      exits = true;
      rest.resize(at);
    }
    if ((at = rest.rfind(" stays ")) != std::string::npos) {
      long long ms;
      if (!ParseInt(rest.substr(at + 7), 0, 600000, &ms)) return *why = "stays takes milliseconds", false;
      item.staysMs = int(ms);
      rest.resize(at);
    } else if ((at = rest.rfind(" version ")) != std::string::npos) {
      if (exits) return *why = "exits follows the path or stays, not version", false;
      std::string v = rest.substr(at + 9);
      size_t dot = v.find('.');
      long long a, b;
      if (dot == std::string::npos || !ParseInt(v.substr(0, dot), 0, 65535, &a) ||
          !ParseInt(v.substr(dot + 1), 0, 65535, &b))
        return *why = "version is A.B", false;
      item.hasVersion = true;
      item.versionMajor = unsigned(a);
      item.versionMinor = unsigned(b);
      rest.resize(at);
    }
    item.path = rest;
  } else {
    return *why = "unknown setup line", false;
  }
  if (item.kind != SetupItem::Key && item.kind != SetupItem::Reg && item.kind != SetupItem::Access &&
      item.path.empty())
    return *why = "missing path", false;
  s->setup.push_back(item);
  return true;
}

bool ParseExpectLine(const std::string& line, Scenario* s, std::string* why) {
  std::string rest;
  Expected e;
  if (line == "box error" || line == "box info") {
    e.kind = line == "box error" ? Expected::BoxError : Expected::BoxInfo;
    s->events.push_back(e);
    return true;
  }
  if (StartsWith(line, ">")) {
    if (s->events.empty() ||
        (s->events.back().kind != Expected::BoxError && s->events.back().kind != Expected::BoxInfo))
      return *why = "'>' line outside a box", false;
    std::string text = line == ">" ? "" : line.substr(StartsWith(line, "> ") ? 2 : 1);
    Expected& box = s->events.back();
    if (box.lines++ > 0) box.text += "\r\n";
    box.text += text;
    return true;
  }
  if (TakeKeyword(line, "fatal", &rest)) {
    e.kind = Expected::Fatal;
    size_t space = rest.find(' ');
    e.kindName = rest.substr(0, space);
    e.text = space == std::string::npos ? "" : rest.substr(space + 1);
    if (e.kindName.empty()) return *why = "fatal needs a KIND", false;
  } else if (TakeKeyword(line, "shell", &rest)) {
    e.kind = Expected::Shell;
    size_t bar = rest.find(" | ");
    if (bar == std::string::npos && rest.size() >= 2 && rest.compare(rest.size() - 2, 2, " |") == 0)
      bar = rest.size() - 2;
    e.text = rest.substr(0, bar);
    if (bar != std::string::npos) e.params = rest.substr(std::min(rest.size(), bar + 3));
  } else if (TakeKeyword(line, "start", &rest)) {
    e.kind = Expected::Start;
    e.text = rest;
  } else if (line == "waited") {
    e.kind = Expected::Waited;
  } else if (TakeKeyword(line, "exit", &rest)) {
    long long code;
    if (!ParseInt(rest, 0, 255, &code)) return *why = "exit takes a number", false;
    s->exitCode = int(code);
    return true;
  } else if (TakeKeyword(line, "after", &rest)) {
    AfterCheck a;
    std::string what;
    if (TakeKeyword(rest, "file", &what)) {
      a.kind = AfterCheck::File, a.path = what;
    } else if (TakeKeyword(rest, "nofile", &what)) {
      a.kind = AfterCheck::NoFile, a.path = what;
    } else if (TakeKeyword(rest, "reg", &what)) {
      a.kind = AfterCheck::Reg;
      if (!ParseRegSpec(what, true, &a.value, why)) return false;
    } else if (TakeKeyword(rest, "noreg", &what)) {
      a.kind = AfterCheck::NoReg;
      if (!ParseRegSpec(what, false, &a.value, why)) return false;
    } else {
      return *why = "after takes file, nofile, reg or noreg", false;
    }
    s->after.push_back(a);
    return true;
  } else {
    return *why = "unknown expectation line", false;
  }
  s->events.push_back(e);
  return true;
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out + "\"";
}

std::string Describe(const Expected& e) {
  switch (e.kind) {
    case Expected::BoxError: return "box error " + Quote(e.text);
    case Expected::BoxInfo: return "box info " + Quote(e.text);
    case Expected::Fatal: return "fatal " + e.kindName + " " + Quote(e.text);
    case Expected::Shell: return "shell " + e.text + " | " + e.params;
    case Expected::Start: return "start " + e.text;
    case Expected::Waited: return "waited";
  }
  return "?";
}

std::string Describe(const SeenEvent& e) {
  switch (e.kind) {
    case SeenEvent::Box: return "box " + e.icon + " [" + e.caption + "] " + Quote(e.text);
    case SeenEvent::Shell: return "shell " + e.file + " | " + e.params;
    case SeenEvent::Start: return "start " + e.commandLine;
    case SeenEvent::Waited: return "waited";
  }
  return "?";
}

bool IsHexDigits(const std::string& s) {
  if (s.size() != 8) return false;
  for (char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  return true;
}

// The top-level report's text with any eight-digit address.
bool FatalTextMatches(const Expected& e, const std::string& launcherName, const std::string& text) {
  std::string dot = (!e.text.empty() && e.text.back() != '.') ? "." : "";
  std::string head = e.kindName + "がﾓｼﾞｭｰﾙ ";
  std::string middle = " で発生しました。\n" + e.text + dot + "\n";
  if (!StartsWith(text, head)) return false;
  std::string rest = text.substr(head.size());
  std::string nameEnd = " の\n";
  size_t cut = rest.find(nameEnd);
  if (cut == std::string::npos || !IsUpperAscii(rest.substr(0, cut), launcherName)) return false;
  rest = rest.substr(cut + nameEnd.size());
  return rest.size() == 8 + middle.size() && IsHexDigits(rest.substr(0, 8)) && rest.substr(8) == middle;
}

bool ShellFileMatches(const std::string& expected, const std::string& seen) {
  if (IsUpperAscii(expected, seen)) return true;
  // A bare name is found by the shell's own search; what it found is a path.
  return expected.find('\\') == std::string::npos && IsUpperAscii(expected, FileNameOf(seen));
}

bool Matches(const Expected& e, const SeenEvent& seen, const std::string& launcherName) {
  switch (e.kind) {
    case Expected::BoxError:
    case Expected::BoxInfo:
      return seen.kind == SeenEvent::Box && seen.caption == kProductCaption &&
             seen.icon == (e.kind == Expected::BoxError ? "error" : "info") && seen.text == e.text;
    case Expected::Fatal:
      return seen.kind == SeenEvent::Box && seen.caption == kFatalCaption && seen.icon == "error" &&
             FatalTextMatches(e, launcherName, seen.text);
    case Expected::Shell:
      return seen.kind == SeenEvent::Shell && ShellFileMatches(e.text, seen.file) &&
             seen.params == e.params;
    case Expected::Start:
      return seen.kind == SeenEvent::Start && seen.commandLine == e.text;
    case Expected::Waited:
      return seen.kind == SeenEvent::Waited;
  }
  return false;
}

std::string CanonicalData(const std::string& type, const std::string& data) {
  if (type != "binary") return data;
  std::string out;
  for (char c : data)
    if (c != ' ') out += char(c >= 'A' && c <= 'F' ? c + 32 : c);
  return out;
}


std::string InFolder(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

// The paths a run line names: each stretch from a drive letter before
// ":\" to the next quote or blank (an unquoted path with spaces names its
// first folder, which is watched as well).
std::vector<std::string> RunLinePaths(const std::string& commandLine) {
  std::vector<std::string> paths;
  for (size_t at = commandLine.find(":\\"); at != std::string::npos; at = commandLine.find(":\\", at + 2)) {
    if (at == 0) continue;
    const size_t end = commandLine.find_first_of("\" \t", at);
    paths.push_back(commandLine.substr(at - 1, end == std::string::npos ? std::string::npos : end - at + 1));
  }
  return paths;
}

bool NamedByAfter(const Scenario& s, const std::string& path, bool existingOnly) {
  for (const AfterCheck& a : s.after)
    if ((a.kind == AfterCheck::File || (!existingOnly && a.kind == AfterCheck::NoFile)) &&
        FoldedPath(a.path) == FoldedPath(path))
      return true;
  return false;
}

void AddOnce(std::vector<std::string>* list, const std::string& path) {
  if (path.empty()) return;
  for (const std::string& p : *list)
    if (FoldedPath(p) == FoldedPath(path)) return;
  list->push_back(path);
}

bool MakesFile(const SetupItem& item) {
  return item.kind == SetupItem::File || item.kind == SetupItem::Dir || item.kind == SetupItem::Program ||
         item.kind == SetupItem::Launcher;
}

// A launcher placed by bytes of the code page is found by the runners in
// their own way; only a UTF-8 command line names paths the probe takes.
std::vector<std::string> GuardedPaths(const Scenario& s) {
  std::vector<std::string> paths;
  for (const SetupItem& item : s.setup)
    if (MakesFile(item)) AddOnce(&paths, item.path);
  if (!s.commandLineBytes) AddOnce(&paths, LauncherPathOf(s.commandLine));
  std::vector<std::string> out;
  for (const std::string& p : paths)
    if (!NamedByAfter(s, p, false)) out.push_back(p);
  return out;
}

std::vector<std::string> WatchedFolders(const Scenario& s) {
  std::vector<std::string> folders;
  AddOnce(&folders, FolderOf(s.temp));
  AddOnce(&folders, s.temp);
  AddOnce(&folders, s.cwd);
  for (const SetupItem& item : s.setup) {
    if (MakesFile(item)) AddOnce(&folders, FolderOf(item.path));
    if (item.kind == SetupItem::Dir) AddOnce(&folders, item.path);
  }
  for (const AfterCheck& a : s.after)
    if (a.kind == AfterCheck::File || a.kind == AfterCheck::NoFile) AddOnce(&folders, FolderOf(a.path));
  if (!s.commandLineBytes)
    for (const std::string& p : RunLinePaths(s.commandLine)) AddOnce(&folders, FolderOf(p));
  return folders;
}

std::string Changes(const SeenFile& before, const SeenFile& after) {
  std::vector<std::string> what;
  if (after.name != before.name) what.push_back("renamed to " + after.name);
  if (after.directory != before.directory) what.push_back(after.directory ? "now a directory" : "now a file");
  if (!before.directory && !after.directory) {
    if (after.size != before.size)
      what.push_back("size " + std::to_string(before.size) + " now " + std::to_string(after.size));
    else if (after.content != before.content)
      what.push_back("content rewritten");
    if (after.lastWrite != before.lastWrite) what.push_back("last-write time changed");
  }
  std::string out;
  for (const std::string& w : what) out += (out.empty() ? "" : ", ") + w;
  return out;
}

// Empty when nothing the scenario guards changed, else the first path that did.
std::string CompareFiles(const Scenario& s, const FilesBefore& before, const AfterProbe& probe) {
  for (const auto& [path, was] : before.guarded) {
    const std::optional<SeenFile> now = probe.fileAt(path);
    if (was && !now) return "files: " + path + " was removed or moved away";
    if (!was && now) return "files: " + path + " appeared during the run";
    if (was && now) {
      const std::string changes = Changes(*was, *now);
      if (!changes.empty()) return "files: " + path + " changed (" + changes + ")";
    }
  }
  for (const auto& [folder, names] : before.folders) {
    std::set<std::string> was;
    for (const std::string& name : names) was.insert(FoldedPath(name));
    std::set<std::string> now;
    for (const std::string& name : probe.namesIn(folder)) {
      now.insert(FoldedPath(name));
      const std::string path = InFolder(folder, name);
      if (!was.count(FoldedPath(name)) && !NamedByAfter(s, path, true))
        return "files: " + path + " was made by the run";
    }
    for (const std::string& name : names) {
      const std::string path = InFolder(folder, name);
      if (!now.count(FoldedPath(name)) && !NamedByAfter(s, path, false))
        return "files: " + path + " was removed or moved away";
    }
  }
  return "";
}

}  // namespace

std::string FoldedPath(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  for (char& c : path)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return path;
}

std::string FolderOf(const std::string& path) {
  std::string p = path;
  while (p.size() > 3 && p.back() == '\\') p.pop_back();
  const size_t cut = p.rfind('\\');
  if (cut == std::string::npos) return std::string();
  return cut == 2 ? p.substr(0, 3) : p.substr(0, cut);  // C:\ keeps its backslash
}

bool ParseHexBytes(const std::string& text, std::string* out) {
  out->clear();
  int high = -1;
  for (char c : text) {
    if (c == ' ') {
      if (high >= 0) return false;
      continue;
    }
    int digit = (c >= '0' && c <= '9') ? c - '0'
                : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                         : -1;
    if (digit < 0) return false;
    if (high < 0) {
      high = digit;
    } else {
      out->push_back(static_cast<char>(high * 16 + digit));
      high = -1;
    }
  }
  return high < 0;
}

std::string HexBytes(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

std::vector<Scenario> ParseScenarios(const std::string& fileName, const std::string& content,
                                     std::vector<std::string>* errors) {
  std::vector<Scenario> out;
  std::set<std::string> names;
  std::istringstream in(content);
  std::string line;
  int number = 0;
  bool afterRun = false;
  auto fail = [&](const std::string& why) {
    errors->push_back(fileName + ":" + std::to_string(number) + ": " + why);
  };
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::string rest;
    if (TakeKeyword(line, "==", &rest)) {
      if (!names.insert(rest).second) fail("scenario name '" + rest + "' is used twice");
      Scenario s;
      s.file = fileName;
      s.line = number;
      s.name = rest;
      out.push_back(s);
      afterRun = false;
      continue;
    }
    if (out.empty()) {
      fail("line before the first '=='");
      continue;
    }
    Scenario& s = out.back();
    std::string why;
    if (TakeKeyword(line, "run", &rest)) {
      if (afterRun) fail("second 'run' line");
      s.commandLine = rest;
      afterRun = true;
    } else if (TakeKeyword(line, "runbytes", &rest)) {
      // The command line's bytes in the scenario's code page, for bytes
      // that no UTF-8 text converts to (a lone lead byte, say).
      if (afterRun) fail("second 'run' line");
      if (!ParseHexBytes(rest, &s.commandLine) || s.commandLine.empty()) fail("runbytes takes hexadecimal bytes");
      s.commandLineBytes = true;
      afterRun = true;
    } else if (!(afterRun ? ParseExpectLine(line, &s, &why) : ParseSetupLine(line, &s, &why))) {
      fail(why + ": " + line);
    }
  }
  for (const Scenario& s : out)
    if (s.commandLine.empty())
      errors->push_back(fileName + ":" + std::to_string(s.line) + ": scenario '" + s.name +
                        "' has no run line");
  return out;
}

std::string FileNameOf(const std::string& path) {
  size_t cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string LauncherPathOf(const std::string& commandLine) {
  size_t i = 0;
  while (i < commandLine.size() && commandLine[i] == ' ') ++i;
  if (i < commandLine.size() && commandLine[i] == '"') {
    size_t end = commandLine.find('"', i + 1);
    return commandLine.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
  }
  size_t end = commandLine.find_first_of(" \t", i);
  return commandLine.substr(i, end == std::string::npos ? std::string::npos : end - i);
}

FilesBefore TakeFilesBefore(const Scenario& scenario, const AfterProbe& probe) {
  FilesBefore before;
  for (const std::string& path : GuardedPaths(scenario)) before.guarded.emplace_back(path, probe.fileAt(path));
  for (const std::string& folder : WatchedFolders(scenario))
    before.folders.emplace_back(folder, probe.namesIn(folder));
  return before;
}

std::string CompareRun(const Scenario& scenario, const SeenRun& seen, const AfterProbe& probe) {
  if (!seen.failure.empty()) return seen.failure;
  const std::string launcherName = FileNameOf(LauncherPathOf(scenario.commandLine));
  const auto& want = scenario.events;
  const auto& got = seen.events;
  for (size_t i = 0; i < want.size() || i < got.size(); ++i) {
    std::string where = "event " + std::to_string(i + 1) + ": ";
    if (i >= got.size()) return where + "expected " + Describe(want[i]) + " vs seen nothing more";
    if (i >= want.size()) return where + "expected nothing more vs seen " + Describe(got[i]);
    if (!Matches(want[i], got[i], launcherName))
      return where + "expected " + Describe(want[i]) + " vs seen " + Describe(got[i]);
  }
  if (seen.exitCode != scenario.exitCode)
    return "exit code: expected " + std::to_string(scenario.exitCode) + " vs seen " +
           std::to_string(seen.exitCode);
  for (const AfterCheck& a : scenario.after) {
    switch (a.kind) {
      case AfterCheck::File:
      case AfterCheck::NoFile: {
        bool exists = probe.fileExists(a.path);
        if (exists != (a.kind == AfterCheck::File))
          return "after: expected " + std::string(exists ? "no file " : "file ") + a.path +
                 " vs seen " + (exists ? "a file" : "none");
        break;
      }
      case AfterCheck::Reg:
      case AfterCheck::NoReg: {
        auto value = probe.regValue(a.value);
        std::string where = a.value.root + "\\" + a.value.path + "\\" + a.value.name;
        if (a.kind == AfterCheck::NoReg) {
          if (value) return "after: expected no value " + where + " vs seen " + value->type + " " + value->data;
        } else if (!value) {
          return "after: expected " + where + " = " + a.value.type + " " + a.value.data + " vs seen none";
        } else if (value->type != a.value.type ||
                   CanonicalData(value->type, value->data) != CanonicalData(a.value.type, a.value.data)) {
          return "after: expected " + where + " = " + a.value.type + " " + Quote(a.value.data) +
                 " vs seen " + value->type + " " + Quote(value->data);
        }
        break;
      }
    }
  }
  return CompareFiles(scenario, seen.filesBefore, probe);
}

Totals RunScenarioFiles(const std::vector<std::string>& files,
                        const std::function<bool(const std::string&, std::string*)>& readFile,
                        const RunOne& run, const std::string& label) {
  Totals totals;
  std::string prefix = label.empty() ? "" : "[" + label + "] ";
  for (const std::string& file : files) {
    std::string content;
    if (!readFile(file, &content)) {
      std::printf("FAIL %s%s: cannot read the file\n", prefix.c_str(), file.c_str());
      ++totals.failed;
      continue;
    }
    std::vector<std::string> errors;
    std::vector<Scenario> scenarios = ParseScenarios(file, content, &errors);
    for (const std::string& e : errors) {
      std::printf("FAIL %s%s\n", prefix.c_str(), e.c_str());
      ++totals.failed;
    }
    for (const Scenario& s : scenarios) {
      std::string skip;
      std::string result = run(s, &skip);
      if (!skip.empty()) {
        std::printf("SKIP %s%s: %s\n", prefix.c_str(), s.name.c_str(), skip.c_str());
        ++totals.skipped;
      } else if (result.empty()) {
        std::printf("PASS %s%s\n", prefix.c_str(), s.name.c_str());
        ++totals.passed;
      } else {
        std::printf("FAIL %s%s: %s\n", prefix.c_str(), s.name.c_str(), result.c_str());
        ++totals.failed;
      }
      std::fflush(stdout);
    }
  }
  return totals;
}

}  // namespace scn
