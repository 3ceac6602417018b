#include "launcher/start_mark.h"

#include <vector>

#include "platform/os.h"
#include "platform/owners.h"

namespace velquin {
namespace {

std::optional<std::string> EnvironmentText(const std::string& name) {
  std::vector<char> buffer(48);
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

std::optional<std::uint64_t> CreationTimeOf(os::ProcessHandle process) {
  std::uint64_t time = 0;
  if (!os::GetProcessCreationTime(process, &time)) return std::nullopt;
  return time;
}

// Decimal digits only, at most 20, within max.
std::optional<std::uint64_t> Number(const std::string& text, std::uint64_t max) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (value > (max - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

bool IsMarkedParent(const StartMark& mark) {
  const std::optional<std::uint32_t> parent = ParentProcessId();
  if (!parent || *parent != mark.processId) return false;
  const ProcessOwner process(os::OpenProcessToQuery(*parent));
  if (!process.valid()) return false;
  const std::optional<std::uint64_t> created = CreationTimeOf(process.get());
  return created && *created == mark.creationTime;
}

}  // namespace

std::optional<StartMark> ParseStartMark(const std::string& text) {
  const std::size_t first = text.find(':');
  const std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
  if (second == std::string::npos) return std::nullopt;
  const auto id = Number(text.substr(0, first), 0xFFFFFFFFu);
  const auto time = Number(text.substr(first + 1, second - first - 1), ~std::uint64_t{0});
  const auto place = Number(text.substr(second + 1), 0xFFFFFFFFu);
  if (!id || !time || !place || *id == 0 || *place == 0) return std::nullopt;
  return StartMark{static_cast<std::uint32_t>(*id), *time, static_cast<std::uint32_t>(*place)};
}

std::string StartMarkText(const StartMark& mark) {
  return std::to_string(mark.processId) + ":" + std::to_string(mark.creationTime) + ":" + std::to_string(mark.place);
}

ChainPlace ReadChainPlace() {
  ChainPlace chain;
  const std::optional<std::string> text = EnvironmentText(kStartMarkVariable);
  const std::optional<StartMark> mark = text ? ParseStartMark(*text) : std::nullopt;
  // Its own id: a mark this process set itself, never a parent's.
  if (!mark || mark->processId == os::GetCurrentProcessId()) return chain;
  chain.place = mark->place < kLongestChain ? mark->place + 1 : kLongestChain;
  chain.endsChain = chain.place >= kLongestChain || IsMarkedParent(*mark);
  return chain;
}

void MarkStartsAsOurs(std::uint32_t place) {
  const std::optional<std::uint64_t> created = CreationTimeOf(os::CurrentProcess());
  os::SetEnvironmentVariableA(kStartMarkVariable,
                              StartMarkText(StartMark{os::GetCurrentProcessId(), created.value_or(0), place}));
}

}  // namespace velquin
