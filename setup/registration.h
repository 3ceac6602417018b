// Velquin's registration, described once: Default apps (a ProgID,
// Capabilities and RegisteredApplications), "Open with"
// (Applications\velquin.exe) and Apps & features. An install writes each
// value that differs; the uninstall removes each key of Velquin's own whole
// and its one value in the shared RegisteredApplications.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system_change.h"

namespace velquin {

struct InstallPlace;

struct RegisteredValue {
  RegistryKey key;
  std::u16string name;
  RegistryData data;
};

// What the values name: the installed programs and the release.
struct RegistrationFacts {
  std::u16string program;  // the installed velquin.exe
  std::u16string verb;     // the program the verbs start, without a leading quote
  std::u16string version;
  std::uint64_t programBytes = 0;  // the three programs' size, for Apps & features
};

// The keys Velquin's own hang under, parents first: an install makes any a
// machine lacks (a user's hive may) and the uninstall removes them if empty.
extern const char16_t* const kRegistrationParents[6];

// Apps & features' entry of install.cmd's install.
RegistryKey AppsEntry(const InstallPlace& place);
// The keys that are Velquin's own, removed whole.
std::vector<RegistryKey> OwnedKeys(const InstallPlace& place);
// The value Velquin adds to a key that others share.
RegisteredValue SharedValue(const InstallPlace& place);
// Every value, in the order written. Apps & features' entry is left to the
// Windows Installer package where it installs.
std::vector<RegisteredValue> RegistrationValues(const InstallPlace& place, const RegistrationFacts& facts);

}  // namespace velquin
