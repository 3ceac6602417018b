#include "setup/ifeo.h"

#include "platform/os.h"
#include "setup/record.h"

namespace velquin {
namespace {

const char16_t* const kWritten[] = {kDebugger, kUseFilter, kStoreRedirect};

IfeoPlace ReadPlace(const RegistryKey& key, const std::u16string& subkey) {
  IfeoPlace place;
  place.subkey = subkey;
  for (const char16_t* name : kWritten)
    if (std::optional<RegistryData> data = ReadRegistryValue(key, name)) place.values[name] = *data;
  return place;
}

IfeoView ReadView(const SetupMachine& machine, const std::u16string& name, std::uint32_t view) {
  IfeoView result;
  result.name = name;
  result.view = view;
  const RegistryKey key{os::kLocalMachine, kIfeoPath, view};
  result.keyExists = RegistryKeyExists(key);
  result.key = ReadPlace(key, u"-");
  // Without UseFilter Windows ignores the subkeys, and so does the install.
  if (!result.keyExists || !result.key.values.count(kUseFilter)) return result;
  const std::u16string images[] = {machine.windowsDirectory + u"\\System32\\notepad.exe",
                                   machine.windowsDirectory + u"\\SysWOW64\\notepad.exe",
                                   machine.windowsDirectory + u"\\notepad.exe"};
  for (const std::u16string& subkey : RegistrySubkeyNames(key)) {
    const RegistryKey sub = result.KeyOf(subkey);
    const std::optional<RegistryData> filter = ReadRegistryValue(sub, u"FilterFullPath");
    if (!filter || filter->type != os::kRegSz) continue;
    const std::u16string path = TextOf(*filter);
    for (const std::u16string& image : images)
      if (SameText(path, image)) {
        result.matching.push_back(ReadPlace(sub, subkey));
        break;
      }
  }
  return result;
}

}  // namespace

RegistryKey IfeoView::KeyOf(const std::u16string& subkey) const {
  return {os::kLocalMachine, subkey == u"-" ? std::u16string(kIfeoPath) : kIfeoPath + (u"\\" + subkey), view};
}

const std::optional<RegistryData> IfeoView::Value(const std::u16string& subkey, const std::u16string& name) const {
  const IfeoPlace* place = subkey == u"-" ? &key : nullptr;
  for (const IfeoPlace& sub : matching)
    if (sub.subkey == subkey) place = &sub;
  if (!place) return std::nullopt;
  auto found = place->values.find(name);
  if (found == place->values.end()) return std::nullopt;
  return found->second;
}

std::vector<IfeoView> ReadIfeoViews(const SetupMachine& machine) {
  if (!machine.windows64) return {ReadView(machine, u"N", 0)};
  return {ReadView(machine, u"64", os::kView64), ReadView(machine, u"32", os::kView32)};
}

}  // namespace velquin
