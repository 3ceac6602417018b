#include "observed.h"

#include <algorithm>
#include <cctype>

namespace observed {

std::string ShellParamsOf(const std::string& commandLine) {
  size_t i = 0;
  if (!commandLine.empty() && commandLine[0] == '"') {
    size_t close = commandLine.find('"', 1);
    i = close == std::string::npos ? commandLine.size() : close + 1;
  } else {
    i = std::min(commandLine.find(' '), commandLine.size());
  }
  if (i < commandLine.size() && commandLine[i] == ' ') ++i;
  return commandLine.substr(i);
}

namespace {

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return text;
}

void AppendUtf8(std::string* out, unsigned code) {
  if (code < 0x80) {
    *out += static_cast<char>(code);
  } else if (code < 0x800) {
    *out += static_cast<char>(0xC0 | (code >> 6));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | (code >> 12));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The text of a trace's L"..." (Wine's escapes undone), UTF-8; a surrogate
// pair is joined.
std::string Unescaped(const std::string& quoted) {
  std::string out;
  unsigned high = 0;
  for (size_t i = 0; i < quoted.size(); ++i) {
    unsigned code = static_cast<unsigned char>(quoted[i]);
    if (quoted[i] == '"') break;
    if (quoted[i] == '\\' && i + 1 < quoted.size()) {
      const char next = quoted[++i];
      if (next == 'n') code = '\n';
      else if (next == 'r') code = '\r';
      else if (next == 't') code = '\t';
      else if (std::isxdigit(static_cast<unsigned char>(next)) && i + 3 < quoted.size()) {
        code = static_cast<unsigned>(std::stoul(quoted.substr(i, 4), nullptr, 16));
        i += 3;
      } else {
        code = static_cast<unsigned char>(next);
      }
    } else if (code >= 0x80) {
      out += quoted[i];  // already UTF-8 bytes
      continue;
    }
    if (code >= 0xD800 && code < 0xDC00) {
      high = code;
      continue;
    }
    if (code >= 0xDC00 && code < 0xE000 && high) {
      const unsigned full = 0x10000 + ((high - 0xD800) << 10) + (code - 0xDC00);
      out += static_cast<char>(0xF0 | (full >> 18));
      out += static_cast<char>(0x80 | ((full >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((full >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (full & 0x3F));
      high = 0;
      continue;
    }
    high = 0;
    AppendUtf8(&out, code);
  }
  return out;
}

std::string ProgramOf(const std::string& commandLine) {
  if (!commandLine.empty() && commandLine[0] == '"') return commandLine.substr(1, commandLine.find('"', 1) - 1);
  return commandLine.substr(0, commandLine.find_first_of(" \t"));
}

}  // namespace

std::vector<TracedStart> TracedStartsIn(const std::string& trace, long long ticksPerMs) {
  std::vector<TracedStart> out;
  std::vector<std::string> shellThreads;  // threads whose next start is the shell's
  size_t begin = 0;
  while (begin < trace.size()) {
    size_t end = trace.find('\n', begin);
    if (end == std::string::npos) end = trace.size();
    const std::string line = trace.substr(begin, end - begin);
    begin = end + 1;
    // "SECONDS.MS:TID:trace:CHANNEL:FUNCTION text"
    const size_t dot = line.find('.'), tidEnd = line.find(':', line.find(':') + 1);
    if (dot == std::string::npos || tidEnd == std::string::npos) continue;
    const std::string thread = line.substr(line.find(':') + 1, tidEnd - line.find(':') - 1);
    if (line.find(":trace:exec:SHELL_ExecuteW Execute ") != std::string::npos) {
      shellThreads.push_back(thread);
      continue;
    }
    const std::string marker = ":trace:process:CreateProcessInternalW app ";
    const size_t at = line.find(marker);
    const size_t cmdline = line.find(" cmdline L\"", at);
    if (at == std::string::npos || cmdline == std::string::npos) continue;
    const auto shellAt = std::find(shellThreads.begin(), shellThreads.end(), thread);
    const bool shell = shellAt != shellThreads.end();
    if (shell) shellThreads.erase(shellAt);
    const std::string commandLine = Unescaped(line.substr(cmdline + 11));
    TracedStart start;
    start.ticks = (std::stoll(line.substr(0, dot)) * 1000 + std::stoll(line.substr(dot + 1, 3))) * ticksPerMs;
    start.shell = shell;
    start.commandLine = commandLine;
    start.program = ProgramOf(commandLine);
    out.push_back(start);
  }
  return out;
}

std::vector<scn::SeenEvent> Merge(const std::vector<Box>& boxes, const std::vector<stub::Record>& records,
                                  const std::string& marker, long long launcherEndTicks,
                                  const std::vector<TracedStart>& traced,
                                  const std::vector<std::string>& copies) {
  std::vector<bool> used(traced.size(), false);
  // The first traced start of this command line not yet taken.
  const auto tracedOf = [&](const std::string& commandLine) -> const TracedStart* {
    for (size_t i = 0; i < traced.size(); ++i)
      if (!used[i] && traced[i].commandLine == commandLine) return used[i] = true, &traced[i];
    return nullptr;
  };
  struct Timed {
    long long ticks;
    int order;  // keeps equal times in the order they were gathered
    scn::SeenEvent event;
  };
  std::vector<Timed> all;
  for (const Box& box : boxes) {
    scn::SeenEvent e;
    e.kind = scn::SeenEvent::Box;
    e.caption = box.caption;
    e.text = box.text;
    e.icon = box.icon;
    all.push_back({box.ticks, static_cast<int>(all.size()), e});
  }
  for (const stub::Record& r : records) {
    scn::SeenEvent e;
    if (r.kind == stub::Record::End) {
      if (launcherEndTicks <= r.ticks) continue;
      e.kind = scn::SeenEvent::Waited;
    } else if (const TracedStart* t = tracedOf(r.commandLine); t ? !t->shell : r.title == marker) {
      e.kind = scn::SeenEvent::Start;
      e.commandLine = r.commandLine;
    } else {
      e.kind = scn::SeenEvent::Shell;
      e.file = r.module;
      e.params = ShellParamsOf(r.commandLine);
    }
    all.push_back({r.ticks, static_cast<int>(all.size()), e});
  }
  for (const TracedStart& c : traced) {
    const bool copy = std::any_of(copies.begin(), copies.end(),
                                  [&](const std::string& path) { return UpperAscii(path) == UpperAscii(c.program); });
    if (!copy) continue;
    scn::SeenEvent e;
    if (c.shell) {
      e.kind = scn::SeenEvent::Shell;
      e.file = c.program;
      e.params = ShellParamsOf(c.commandLine);
    } else {
      e.kind = scn::SeenEvent::Start;
      e.commandLine = c.commandLine;
    }
    all.push_back({c.ticks, static_cast<int>(all.size()), e});
  }
  std::sort(all.begin(), all.end(), [](const Timed& a, const Timed& b) {
    return a.ticks != b.ticks ? a.ticks < b.ticks : a.order < b.order;
  });
  std::vector<scn::SeenEvent> out;
  for (const Timed& t : all) out.push_back(t.event);
  return out;
}

}  // namespace observed
