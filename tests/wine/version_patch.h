// Gives a copy of the versioned stub the file version a scenario asks for by
// rewriting the fixed part of its version resource in place: one build of
// the stub serves every version.
#pragma once

#include <cstdint>
#include <string>

namespace stub {

// Sets dwFileVersionMS and dwFileVersionLS of the first VS_FIXEDFILEINFO in
// the image; false when the image holds none.
bool PatchFileVersion(std::string* image, std::uint32_t versionMS, std::uint32_t versionLS);

}  // namespace stub
