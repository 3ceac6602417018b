// Every value of the settings key, in the order the launcher reads them,
// with the kind it is read as and the default it takes when absent. The
// launcher's reader and the settings window both go through this table.
#pragma once

#include <string>

namespace velquin {

enum class SettingKind { Text, Flag };

struct SettingDefinition {
  const char* name;
  SettingKind kind;
  const char* fixedDefault;            // a flag's is "0" or "1"
  std::string (*computedDefault)();    // set for a default the machine decides
};

// The table, ending at a definition whose name is null.
const SettingDefinition* SettingDefinitions();
// Nullptr for a name that is not in the table (names compare exactly).
const SettingDefinition* FindSettingDefinition(const std::string& name);
// Asks the system only for a default that depends on the machine.
std::string DefaultText(const SettingDefinition& definition);
std::string DefaultText(const char* name);

// The subkey that holds the values, from HKEY_CURRENT_USER.
std::string SettingsSectionPath();

}  // namespace velquin
