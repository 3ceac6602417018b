// The Image File Execution Options of notepad.exe, one view read at once:
// the values Windows uses to run another program for it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/system_change.h"
#include "setup/setup_machine.h"

namespace velquin {

inline constexpr char16_t kIfeoPath[] =
    u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\notepad.exe";
// The values an install writes there.
inline constexpr char16_t kDebugger[] = u"Debugger";
inline constexpr char16_t kUseFilter[] = u"UseFilter";
inline constexpr char16_t kStoreRedirect[] = u"AppExecutionAliasRedirect";

struct IfeoPlace {
  std::u16string subkey;  // "-": the key itself
  std::map<std::u16string, RegistryData> values;  // the three above, where present
};

struct IfeoView {
  std::u16string name;  // "N", "64" or "32", as records name it
  std::uint32_t view = 0;
  bool keyExists = false;
  IfeoPlace key;
  // With UseFilter on the key Windows matches the subkeys' FilterFullPath
  // (REG_SZ) against the image, without regard to case: the subkeys that
  // name one of the system's notepad.exe, in the order listed.
  std::vector<IfeoPlace> matching;

  RegistryKey KeyOf(const std::u16string& subkey) const;
  const std::optional<RegistryData> Value(const std::u16string& subkey, const std::u16string& name) const;
};

// The views an install writes: one on 32-bit Windows; on 64-bit Windows
// both, which since Windows 7 are one key.
std::vector<IfeoView> ReadIfeoViews(const SetupMachine& machine);

}  // namespace velquin
