// The install record over arbitrary data: every registry value an install
// notes down reads back as the very same type and bytes, and any text a
// record may hold is read without harm.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "setup/record.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using fuzzcheck::Shown;

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 1) return 0;
  // The first byte picks the type: the named ones mostly, any other now and then.
  static const std::uint32_t kTypes[] = {os::kRegSz, os::kRegExpandSz, os::kRegBinary, os::kRegDword,
                                         os::kRegMultiSz, os::kRegQword, 0, 0x12345678};
  const velquin::RegistryData data{kTypes[bytes[0] % 8], std::vector<unsigned char>(bytes + 1, bytes + size)};
  const std::u16string text = velquin::DataText(data);
  const std::optional<velquin::RegistryData> back = velquin::ParseDataText(text);
  const std::string story = "type " + std::to_string(data.type) + " bytes " +
                            Shown(std::string(bytes + 1, bytes + size)) + " as " + Narrow(text);
  FUZZ_CHECK(back.has_value(), story);
  FUZZ_CHECK(back->type == data.type && back->bytes == data.bytes, story);

  // The same bytes as a record's text: read or refused, never misread as
  // something that prints differently.
  std::u16string recordText;
  for (std::size_t i = 1; i + 1 < size; i += 2) recordText += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  if (const std::optional<velquin::RegistryData> read = velquin::ParseDataText(recordText))
    FUZZ_CHECK(velquin::ParseDataText(velquin::DataText(*read)) == read, "record " + Narrow(recordText));
  if (const std::optional<velquin::WasName> was = velquin::ParseWasName(recordText))
    FUZZ_CHECK(velquin::ParseWasName(velquin::MakeWasName(was->view, was->subkey, was->name)).has_value(),
               "was " + Narrow(recordText));
  return 0;
}
