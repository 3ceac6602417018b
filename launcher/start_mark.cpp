#include "launcher/start_mark.h"

#include <vector>

#include "platform/os.h"
#include "platform/owners.h"

namespace velquin {
namespace {

std::optional<std::string> EnvironmentText(const std::string& name) {
  std::vector<char> buffer(32);
  for (;;) {
    const std::uint32_t size = static_cast<std::uint32_t>(buffer.size());
    const std::uint32_t length = os::GetEnvironmentVariableA(name, buffer.data(), size);
    if (length == 0) return std::nullopt;  // not set (an empty one reads the same)
    if (length < size) return std::string(buffer.data(), length);
    buffer.resize(length);
  }
}

std::optional<std::uint32_t> ParentProcessId() {
  const std::uint32_t self = os::GetCurrentProcessId();
  SnapshotOwner snapshot(os::CreateProcessSnapshot());
  if (!snapshot.valid()) return std::nullopt;
  os::ProcessEntry entry;
  for (bool found = os::Process32FirstW(snapshot.get(), &entry); found;
       found = os::Process32NextW(snapshot.get(), &entry))
    if (entry.processId == self) return entry.parentProcessId;
  return std::nullopt;
}

}  // namespace

std::optional<std::uint32_t> MarkedProcessId(const std::string& text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value == 0 || value > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

void MarkStartsAsOurs() {
  os::SetEnvironmentVariableA(kStartMarkVariable, std::to_string(os::GetCurrentProcessId()));
}

bool StartedByALauncher() {
  const std::optional<std::string> text = EnvironmentText(kStartMarkVariable);
  if (!text) return false;
  const std::optional<std::uint32_t> marked = MarkedProcessId(*text);
  // Its own id: a mark this process set itself, never a parent's.
  if (!marked || *marked == os::GetCurrentProcessId()) return false;
  const std::optional<std::uint32_t> parent = ParentProcessId();
  return parent && *parent == *marked;
}

}  // namespace velquin
