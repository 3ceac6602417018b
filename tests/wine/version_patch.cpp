#include "version_patch.h"

namespace stub {
namespace {

void PutLittleEndian(std::string* image, size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) (*image)[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

bool PatchFileVersion(std::string* image, std::uint32_t versionMS, std::uint32_t versionLS) {
  // VS_FIXEDFILEINFO: dwSignature 0xFEEF04BD, dwStrucVersion, then the file
  // version's high and low halves. The structure is DWORD-aligned.
  static const char kSignature[] = {'\xBD', '\x04', '\xEF', '\xFE'};
  const std::string signature(kSignature, 4);
  for (size_t at = image->find(signature); at != std::string::npos; at = image->find(signature, at + 1)) {
    if (at % 4 != 0 || at + 16 > image->size()) continue;
    PutLittleEndian(image, at + 8, versionMS);
    PutLittleEndian(image, at + 12, versionLS);
    return true;
  }
  return false;
}

}  // namespace stub
