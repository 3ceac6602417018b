#include "setup/record.h"

#include "platform/os.h"
#include "setup/setup_machine.h"

namespace velquin {
namespace {

struct TypeName {
  std::uint32_t type;
  const char16_t* name;
};
constexpr TypeName kTypeNames[] = {
    {os::kRegSz, u"REG_SZ"},       {os::kRegExpandSz, u"REG_EXPAND_SZ"}, {os::kRegBinary, u"REG_BINARY"},
    {os::kRegDword, u"REG_DWORD"}, {os::kRegMultiSz, u"REG_MULTI_SZ"},   {os::kRegQword, u"REG_QWORD"},
};

std::u16string WideOf(const std::vector<unsigned char>& bytes) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) text += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  return text;
}

std::vector<unsigned char> BytesOf(const std::u16string& text) {
  std::vector<unsigned char> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<unsigned char>(c & 0xFF));
    bytes.push_back(static_cast<unsigned char>(c >> 8));
  }
  return bytes;
}

std::u16string Hex(std::uint64_t value) {
  static const char16_t kDigits[] = u"0123456789abcdef";
  std::u16string digits;
  do {
    digits.insert(digits.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return u"0x" + digits;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

std::optional<std::uint64_t> ParseHex(const std::u16string& text, int maxDigits) {
  if (text.size() < 3 || text[0] != u'0' || (text[1] != u'x' && text[1] != u'X')) return std::nullopt;
  if (text.size() - 2 > static_cast<std::size_t>(maxDigits)) return std::nullopt;
  std::uint64_t value = 0;
  for (std::size_t i = 2; i < text.size(); ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint64_t>(digit);
  }
  return value;
}

// Bytes as two upper-case hex digits each, and back.
std::u16string HexBytes(const std::vector<unsigned char>& bytes) {
  static const char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string text;
  for (unsigned char byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
  }
  return text;
}

std::optional<std::vector<unsigned char>> ParseHexBytes(const std::u16string& text) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::vector<unsigned char> bytes;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<unsigned char>(high * 16 + low));
  }
  return bytes;
}

std::vector<unsigned char> LittleEndian(std::uint64_t value, int size) {
  std::vector<unsigned char> bytes;
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
  return bytes;
}

std::uint64_t FromLittleEndian(const std::vector<unsigned char>& bytes) {
  std::uint64_t value = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) value = value * 256 + bytes[i];
  return value;
}

}  // namespace

const std::u16string* Record::Find(const std::u16string& name) const {
  for (const auto& [key, text] : values)
    if (SameText(key, name)) return &text;
  return nullptr;
}

std::u16string Record::Get(const std::u16string& name) const {
  const std::u16string* text = Find(name);
  return text ? *text : std::u16string();
}

Record ReadRecord(const RegistryKey& key) {
  Record record;
  record.exists = RegistryKeyExists(key);
  for (const std::u16string& name : RegistryValueNames(key)) {
    const std::optional<RegistryData> data = ReadRegistryValue(key, name);
    if (!data || data->type != os::kRegSz) {
      record.readable = false;
      continue;
    }
    record.values.emplace_back(name, TextOf(*data));
  }
  return record;
}

std::optional<WasName> ParseWasName(const std::u16string& recordName) {
  if (recordName.size() < 4 || !SameText(recordName.substr(0, 4), record::kWas)) return std::nullopt;
  const std::size_t viewEnd = recordName.find(u'_', 4);
  const std::size_t nameStart = recordName.rfind(u'_');
  if (viewEnd == std::u16string::npos || nameStart <= viewEnd + 1 || nameStart + 1 >= recordName.size())
    return std::nullopt;
  WasName was{recordName.substr(4, viewEnd - 4), recordName.substr(viewEnd + 1, nameStart - viewEnd - 1),
              recordName.substr(nameStart + 1)};
  if (was.view != u"N" && was.view != u"64" && was.view != u"32") return std::nullopt;
  return was;
}

std::u16string MakeWasName(const std::u16string& view, const std::u16string& subkey, const std::u16string& name) {
  return record::kWas + view + u"_" + subkey + u"_" + name;
}

std::u16string TextOf(const RegistryData& data) {
  std::u16string text = WideOf(data.bytes);
  const std::size_t end = text.find(u'\0');
  return end == std::u16string::npos ? text : text.substr(0, end);
}

namespace {

// reg.exe's form, which the scripts recorded and reads back well for most
// data; HexText's "hex(TYPE) BYTES" is exact for any data.
std::u16string ReadableText(const RegistryData& data) {
  std::u16string name = u"REG_UNKNOWN";
  for (const TypeName& known : kTypeNames)
    if (known.type == data.type) name = known.name;
  std::u16string text;
  switch (data.type) {
    case os::kRegSz:
    case os::kRegExpandSz: text = TextOf(data); break;
    case os::kRegDword:
    case os::kRegQword: text = Hex(FromLittleEndian(data.bytes)); break;
    case os::kRegMultiSz: {
      std::u16string all = WideOf(data.bytes);
      while (!all.empty() && all.back() == u'\0') all.pop_back();
      for (char16_t c : all) text += c == u'\0' ? std::u16string(u"\\0") : std::u16string(1, c);
      break;
    }
    default: text = HexBytes(data.bytes);
  }
  return name + u" " + text;
}

std::u16string HexText(const RegistryData& data) { return u"hex(" + Decimal(data.type) + u") " + HexBytes(data.bytes); }

std::optional<RegistryData> ParseHexText(const std::u16string& text) {
  const std::size_t close = text.find(u") ");
  if (text.size() < 7 || text.compare(0, 4, u"hex(") != 0 || close == std::u16string::npos || close == 4 ||
      close > 14)
    return std::nullopt;
  std::uint64_t type = 0;
  for (std::size_t i = 4; i < close; ++i) {
    if (text[i] < u'0' || text[i] > u'9') return std::nullopt;
    type = type * 10 + static_cast<std::uint64_t>(text[i] - u'0');
  }
  if (type > 0xFFFFFFFFu) return std::nullopt;
  std::optional<std::vector<unsigned char>> bytes = ParseHexBytes(text.substr(close + 2));
  if (!bytes) return std::nullopt;
  return RegistryData{static_cast<std::uint32_t>(type), std::move(*bytes)};
}

}  // namespace

// Readable where that form gives the very bytes back; otherwise (a text
// without its NUL or with one inside, a list holding "\0", a type reg.exe
// has no name for) the exact form.
std::u16string DataText(const RegistryData& data) {
  std::u16string readable = ReadableText(data);
  const std::optional<RegistryData> back = ParseDataText(readable);
  if (back && *back == data) return readable;
  return HexText(data);
}

std::optional<RegistryData> ParseDataText(const std::u16string& text) {
  if (std::optional<RegistryData> exact = ParseHexText(text)) return exact;
  const std::size_t space = text.find(u' ');
  if (space == std::u16string::npos) return std::nullopt;
  const std::u16string name = text.substr(0, space), rest = text.substr(space + 1);
  for (const TypeName& known : kTypeNames) {
    if (name != known.name) continue;
    switch (known.type) {
      case os::kRegSz:
      case os::kRegExpandSz: return TextData(rest, known.type);
      case os::kRegDword:
      case os::kRegQword: {
        const int size = known.type == os::kRegDword ? 4 : 8;
        const std::optional<std::uint64_t> value = ParseHex(rest, size * 2);
        if (!value) return std::nullopt;
        return RegistryData{known.type, LittleEndian(*value, size)};
      }
      case os::kRegMultiSz: {
        std::u16string all;
        for (std::size_t i = 0; i < rest.size(); ++i) {
          if (rest[i] == u'\\' && i + 1 < rest.size() && rest[i + 1] == u'0') {
            all += u'\0';
            ++i;
          } else {
            all += rest[i];
          }
        }
        all += u'\0';
        if (!rest.empty()) all += u'\0';
        return RegistryData{known.type, BytesOf(all)};
      }
      case os::kRegBinary: {
        std::optional<std::vector<unsigned char>> bytes = ParseHexBytes(rest);
        if (!bytes) return std::nullopt;
        return RegistryData{known.type, std::move(*bytes)};
      }
    }
  }
  return std::nullopt;
}

int CompareReleases(const std::u16string& a, const std::u16string& b) {
  if (a.empty() || b.empty()) return int(!a.empty()) - int(!b.empty());
  std::size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    std::uint64_t x = 0, y = 0;
    for (; i < a.size() && a[i] != u'.'; ++i) x = x * 10 + std::uint64_t(a[i] >= u'0' && a[i] <= u'9' ? a[i] - u'0' : 0);
    for (; j < b.size() && b[j] != u'.'; ++j) y = y * 10 + std::uint64_t(b[j] >= u'0' && b[j] <= u'9' ? b[j] - u'0' : 0);
    if (x != y) return x < y ? -1 : 1;
    i += i < a.size();
    j += j < b.size();
  }
  return 0;
}

}  // namespace velquin
