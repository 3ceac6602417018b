#include "stub_log.h"

#include <cstdlib>

#include "text.h"

namespace stub {
namespace {

std::string Escape(const std::string& field) {
  std::string out;
  for (char c : field) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Unescape(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      out += field[i];
      continue;
    }
    char c = field[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> out(1);
  for (char c : line) {
    if (c == '\t') out.emplace_back();
    else out.back() += c;
  }
  return out;
}

// The number of the first "NUMBER*PATH" entry naming modulePath, 0 when none does.
int NumberFor(const std::string& list, const std::string& modulePath) {
  size_t begin = 0;
  while (begin <= list.size()) {
    size_t end = list.find('|', begin);
    if (end == std::string::npos) end = list.size();
    std::string entry = list.substr(begin, end - begin);
    size_t star = entry.find('*');
    if (star != std::string::npos && text::EqualNoCase(entry.substr(star + 1), modulePath))
      return std::atoi(entry.substr(0, star).c_str());
    begin = end + 1;
  }
  return 0;
}

}  // namespace

std::string Format(const Record& r) {
  return std::string(r.kind == Record::Start ? "start" : "end") + "\t" + std::to_string(r.ticks) + "\t" +
         std::to_string(r.pid) + "\t" + Escape(r.module) + "\t" + Escape(r.title) + "\t" +
         Escape(r.commandLine) + "\n";
}

std::vector<Record> Parse(const std::string& log) {
  std::vector<Record> out;
  size_t begin = 0, end;
  while ((end = log.find('\n', begin)) != std::string::npos) {
    std::vector<std::string> f = SplitTabs(log.substr(begin, end - begin));
    begin = end + 1;
    if (f.size() != 6 || (f[0] != "start" && f[0] != "end")) continue;
    Record r;
    r.kind = f[0] == "start" ? Record::Start : Record::End;
    r.ticks = std::strtoll(f[1].c_str(), nullptr, 10);
    r.pid = std::strtoul(f[2].c_str(), nullptr, 10);
    r.module = Unescape(f[3]);
    r.title = Unescape(f[4]);
    r.commandLine = Unescape(f[5]);
    out.push_back(r);
  }
  return out;
}

std::string StaysEntry(int ms, const std::string& path) { return std::to_string(ms) + "*" + path; }

int StaysFor(const std::string& stays, const std::string& modulePath) { return NumberFor(stays, modulePath); }

std::string ExitsEntry(int code, const std::string& path) { return StaysEntry(code, path); }

int ExitCodeFor(const std::string& exits, const std::string& modulePath) { return NumberFor(exits, modulePath); }

}  // namespace stub
