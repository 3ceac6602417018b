// The mark a launcher leaves in its environment before it starts a program,
// so that a launcher which that start leads back to (an editor setting that
// names notepad.exe, which Velquin stands in for, or a script that starts
// Notepad) can tell, and not start the same program again and again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velquin {

inline constexpr const char* kStartMarkVariable = "VELQUIN_STARTED_BY";
// The most launchers one chain holds: the last opens the kept Notepad.
inline constexpr std::uint32_t kLongestChain = 4;

// The launcher that set it, by its process id and creation time (so that a
// reused id is no chain), and its place in its chain (1 for the first).
struct StartMark {
  std::uint32_t processId = 0;
  std::uint64_t creationTime = 0;
  std::uint32_t place = 0;
};

// The text "ID:TIME:PLACE" in decimal digits, ID and PLACE 32-bit numbers
// other than 0; nothing for any other text.
std::optional<StartMark> ParseStartMark(const std::string& text);
std::string StartMarkText(const StartMark& mark);

// Read at start-up: this launcher's place in a chain, from the mark it
// inherited (1 without one), and whether it ends the chain: its parent is
// the launcher that set the mark, or its place reaches kLongestChain. A
// mark handed further down (the editor's own children start Notepad
// again) names another process and only counts. The list of processes is
// read only when a mark is there.
struct ChainPlace {
  std::uint32_t place = 1;
  bool endsChain = false;
};
ChainPlace ReadChainPlace();

// Sets the mark to this process and its place; what it starts inherits it.
void MarkStartsAsOurs(std::uint32_t place);

}  // namespace velquin
