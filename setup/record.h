// The record an install keeps of what it did, under ...\Velquin\Install:
// every value REG_SZ. Earlier releases wrote Copy_*, Owner_*, Replaced_*,
// IfeoKey_<view>, Debugger_<view>, Mode, Program, ProgramDir and
// CreatedKey; today's adds Was_<view>_<subkey>_<name> (the IFEO value as it
// was: "TYPE data", or "-" when absent), Debugger, Uninstaller, Settings,
// Shortcut, Registered, RegAppsKey, MadeKey_<path> (a key under SOFTWARE
// that the install made), Package (the Windows Installer package's
// install, which records no files of the program folder), Hash_<role>
// (the SHA-256 of the build put in that notepad.exe's place),
// Access_<role> (where icacls saved a protected notepad.exe's rights; its
// Owner_<role> then names the owner's SID, where earlier releases wrote "1"
// for the owner and rights Windows gives its own files) and Version (the
// release that installed or last upgraded it; a record without one is older
// than any with one). A record with neither Uninstaller nor Package is an
// earlier release's.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/system_change.h"

namespace velquin {

inline constexpr char16_t kMadeKeyPrefix[] = u"MadeKey_";
inline constexpr char16_t kRecordVersion[] = u"Version";

// Releases in order: below 0 when a is older than b. Dotted decimal numbers,
// a missing part counting as 0; no version at all is older than any.
int CompareReleases(const std::u16string& a, const std::u16string& b);

struct Record {
  bool exists = false;
  bool readable = true;  // false: a value that is no text
  std::vector<std::pair<std::u16string, std::u16string>> values;  // as listed

  const std::u16string* Find(const std::u16string& name) const;
  bool Has(const std::u16string& name) const { return Find(name) != nullptr; }
  std::u16string Get(const std::u16string& name) const;
  bool Earlier() const { return exists && Has(u"Mode") && !Has(u"Uninstaller") && !Package(); }
  bool Package() const { return Has(u"Package"); }
};

Record ReadRecord(const RegistryKey& key);

// One Was_ name taken apart. Value names hold no "_", so the subkey is
// what lies between the view and the last "_", whatever it holds.
struct WasName {
  std::u16string view, subkey, name;  // subkey "-": the key itself
};
std::optional<WasName> ParseWasName(const std::u16string& recordName);
std::u16string MakeWasName(const std::u16string& view, const std::u16string& subkey, const std::u16string& name);

// A value as reg.exe shows it, "TYPE data", and back: REG_SZ and
// REG_EXPAND_SZ as text, REG_DWORD and REG_QWORD as 0x hex, REG_BINARY as
// hex digits, REG_MULTI_SZ with "\0" between its strings.
std::u16string DataText(const RegistryData& data);
std::optional<RegistryData> ParseDataText(const std::u16string& text);

// UTF-16 of REG_SZ data, up to its NUL.
std::u16string TextOf(const RegistryData& data);

}  // namespace velquin
