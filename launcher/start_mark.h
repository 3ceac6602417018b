// The mark a launcher leaves in its environment before it starts a program,
// so that a launcher which that start leads back to (an editor setting that
// names notepad.exe, which Velquin stands in for) can tell, and not start
// the same program again and again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velquin {

inline constexpr const char* kStartMarkVariable = "VELQUIN_STARTED_BY";

// The process id a mark names: decimal digits only, a 32-bit value other
// than 0; nothing for any other text.
std::optional<std::uint32_t> MarkedProcessId(const std::string& text);

// Sets the mark to this process's id; what it starts inherits it.
void MarkStartsAsOurs();
// This process was started by a launcher: the mark it inherited names its
// own parent. A mark handed further down (the editor's own children) names
// another process and counts for nothing. The list of processes is read
// only when a mark is there.
bool StartedByALauncher();

}  // namespace velquin
