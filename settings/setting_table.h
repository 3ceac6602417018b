// Every value of the settings key (settings/setting_list.def), in the
// order the launcher reads them, with the kind it is read as, the default
// it takes when absent and its member of the record. The launcher's reader
// and the settings window both go through this table.
#pragma once

#include <string>

namespace velquin {

struct LauncherSettings;

enum class SettingKind { Text, Flag };

// A value's type in the record: a flag is a bool.
template <SettingKind>
struct SettingType;
template <>
struct SettingType<SettingKind::Text> {
  using Value = std::string;
  static std::string Initial(const char* text) { return text; }
};
template <>
struct SettingType<SettingKind::Flag> {
  using Value = bool;
  static constexpr bool Initial(const char* text) { return text[0] == '1'; }
};

// Each value's name, for code that means one value in particular.
namespace setting_names {
#define VELQUIN_SETTING(name, ...) inline constexpr const char name[] = #name;
#include "settings/setting_list.def"
#undef VELQUIN_SETTING
}  // namespace setting_names

struct SettingDefault {
  constexpr SettingDefault(const char* text) : fixed(text) {}  // a flag's is "0" or "1"
  constexpr SettingDefault(std::string (*function)()) : computed(function) {}
  const char* fixed = "";
  std::string (*computed)() = nullptr;  // set for a default the machine decides
};

// The record's member that holds the value.
struct SettingMember {
  constexpr SettingMember() = default;
  constexpr SettingMember(std::string LauncherSettings::*member) : text(member) {}
  constexpr SettingMember(bool LauncherSettings::*member) : flag(member) {}
  std::string LauncherSettings::*text = nullptr;
  bool LauncherSettings::*flag = nullptr;
};

struct SettingDefinition {
  const char* name;
  SettingKind kind;
  SettingDefault fallback;
  SettingMember member;
  // Shown by the settings window: a value an administrator may also set
  // by policy or as the machine's default (settings/setting_places.h).
  bool shown = false;
};

// The table, ending at a definition whose name is null.
const SettingDefinition* SettingDefinitions();
// Nullptr for a name that is not in the table (names compare exactly).
const SettingDefinition* FindSettingDefinition(const std::string& name);
// Asks the system only for a default that depends on the machine.
std::string DefaultText(const SettingDefinition& definition);

// The subkey that holds the values, from HKEY_CURRENT_USER.
std::string SettingsSectionPath();

}  // namespace velquin
