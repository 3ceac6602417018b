#include "observed.h"

#include <algorithm>

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

std::vector<scn::SeenEvent> Merge(const std::vector<Box>& boxes, const std::vector<stub::Record>& records,
                                  const std::string& marker, long long launcherEndTicks) {
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
    } else if (r.title == marker) {
      e.kind = scn::SeenEvent::Start;
      e.commandLine = r.commandLine;
    } else {
      e.kind = scn::SeenEvent::Shell;
      e.file = r.module;
      e.params = ShellParamsOf(r.commandLine);
    }
    all.push_back({r.ticks, static_cast<int>(all.size()), e});
  }
  std::sort(all.begin(), all.end(), [](const Timed& a, const Timed& b) {
    return a.ticks != b.ticks ? a.ticks < b.ticks : a.order < b.order;
  });
  std::vector<scn::SeenEvent> out;
  for (const Timed& t : all) out.push_back(t.event);
  return out;
}

}  // namespace observed
