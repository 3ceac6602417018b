// Which icon a message box shows. Icon handles belong to the process that
// loaded them, so the harness compares pixels: the box's icon control as it
// appears on screen against the system icons drawn on the same background.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace icons {

using Pixels = std::vector<std::uint32_t>;  // 0x00RRGGBB, row by row

struct Reference {
  std::string name;  // error, info, warning, question, none
  Pixels pixels;
};

// Sum of channel differences; sizes must match.
long long Distance(const Pixels& a, const Pixels& b);
// The name of the nearest reference; empty when there are none.
std::string Nearest(const Pixels& seen, const std::vector<Reference>& references);

}  // namespace icons
