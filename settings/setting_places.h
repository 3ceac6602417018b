// Where a value the settings window shows may be set besides the user's own
// key, as administrators set software up for everyone: policies, which
// override the user, and a machine-wide default under the user's value.
// None of these keys need exist; without them the user's key alone decides.
#pragma once

#include <optional>
#include <string>

#include "platform/owners.h"
#include "settings/setting_table.h"

namespace velquin {

// In the order they are looked at: the first that holds a value wins.
enum class SettingSource { MachinePolicy, UserPolicy, User, MachineDefault, BuiltIn };

// Under HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER; the machine default is
// SettingsSectionPath() under HKEY_LOCAL_MACHINE.
inline constexpr const char* kPolicySectionPath = "Software\\Policies\\Tarrowind\\Velquin\\Setting";

// The three keys, each opened once, for reading only; the machine's in the
// native view, which both builds read alike.
struct SettingPlaces {
  RegKey machinePolicy, userPolicy, machineDefault;
};
SettingPlaces OpenSettingPlaces();

struct PlacedValue {
  SettingSource source;
  std::string text;  // ANSI; a flag's "0" or "1"
};

// A value held by one of the policies, the machine's first; the machine
// default. Read by the string-read, integer and flag rules, but a value of
// another type, or one that cannot be read, counts as absent: one bad policy
// must not stop every start. A flag whose text is no integer leaves the
// places below to decide, as the default would.
std::optional<PlacedValue> ReadPolicyValue(const SettingPlaces& places, const SettingDefinition& definition);
std::optional<PlacedValue> ReadMachineDefault(const SettingPlaces& places, const SettingDefinition& definition);

}  // namespace velquin
