#include "icon_match.h"

#include <cstdlib>
#include <limits>

namespace icons {

long long Distance(const Pixels& a, const Pixels& b) {
  if (a.size() != b.size()) return std::numeric_limits<long long>::max();
  long long sum = 0;
  for (size_t i = 0; i < a.size(); ++i)
    for (int shift = 0; shift < 24; shift += 8)
      sum += std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF));
  return sum;
}

std::string Nearest(const Pixels& seen, const std::vector<Reference>& references) {
  std::string best;
  long long bestDistance = std::numeric_limits<long long>::max();
  for (const Reference& r : references) {
    long long d = Distance(seen, r.pixels);
    if (best.empty() || d < bestDistance) best = r.name, bestDistance = d;
  }
  return best;
}

}  // namespace icons
