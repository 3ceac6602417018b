// The record an install keeps of what it did, under ...\Velquin\Install:
// every value REG_SZ, each name one of the table in namespace record. A
// name ending in "_" is followed by a role (W the Windows directory, S
// System32, X SysWOW64), a view (N, 64, 32) or a key.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/system_change.h"

namespace velquin {

namespace record {
// The first release wrote these:
inline constexpr char16_t kMode[] = u"Mode";              // the form: redirect, replace or user
inline constexpr char16_t kProgram[] = u"Program";        // the installed velquin.exe
inline constexpr char16_t kProgramDir[] = u"ProgramDir";  // the program folder, which the install made
inline constexpr char16_t kCreatedKey[] = u"CreatedKey";  // the vendor key it made, as HKLM\...
inline constexpr char16_t kCopy[] = u"Copy_";             // <role>: the kept Notepad it copied
inline constexpr char16_t kReplaced[] = u"Replaced_";     // <role>: the notepad.exe it put velquin.exe in
// <role>: a protected notepad.exe's owner, taken over: its SID, or "1" (the
// first release's) for the owner and rights Windows gives its own files.
inline constexpr char16_t kOwner[] = u"Owner_";
inline constexpr char16_t kIfeoKey[] = u"IfeoKey_";            // <view>: "1", the IFEO key it made
inline constexpr char16_t kEarlierDebugger[] = u"Debugger_";  // <view>: the Debugger it wrote
// Later releases write these too:
inline constexpr char16_t kWas[] = u"Was_";  // <view>_<subkey>_<name>: an IFEO value as it was, "TYPE data" or "-"
inline constexpr char16_t kDebugger[] = u"Debugger";        // the Debugger it writes in every view
inline constexpr char16_t kUninstaller[] = u"Uninstaller";  // the installed velquin-setup.exe
inline constexpr char16_t kSettings[] = u"Settings";        // the installed velquin-settings.exe
inline constexpr char16_t kProgramsDir[] = u"ProgramsDir";  // the user's Programs folder, which /user made
inline constexpr char16_t kShortcut[] = u"Shortcut";        // "1": the Start menu's shortcut made
inline constexpr char16_t kRegistered[] = u"Registered";    // "1": the registration written
inline constexpr char16_t kRegAppsKey[] = u"RegAppsKey";    // "1": RegisteredApplications made
inline constexpr char16_t kMadeKey[] = u"MadeKey_";         // <path under SOFTWARE>: "1", a key it made
inline constexpr char16_t kPackage[] = u"Package";          // "1": the Windows Installer package's, which owns the files
inline constexpr char16_t kHash[] = u"Hash_";               // <role>: SHA-256 of the build put in notepad.exe's place
inline constexpr char16_t kAccess[] = u"Access_";           // <role>: where icacls saved that file's rights
// <setting>: the machine's default a package property set, as it was
// before: "TYPE data", or "-" for none.
inline constexpr char16_t kDefault[] = u"Default_";
// The release that installed or last upgraded it: a record without one is
// older than any with one.
inline constexpr char16_t kVersion[] = u"Version";
}  // namespace record

// The system folders whose notepad.exe an install takes part in, by role:
// W the Windows directory, S System32, X SysWOW64 (which holds 32-bit
// programs and gets the i686 build).
inline constexpr const char16_t* kRoles[] = {u"W", u"S", u"X"};

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
  // A record with neither Uninstaller nor Package is an earlier release's.
  bool Earlier() const { return exists && Has(record::kMode) && !Has(record::kUninstaller) && !Package(); }
  bool Package() const { return Has(record::kPackage); }
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
