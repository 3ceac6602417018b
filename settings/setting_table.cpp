#include "settings/setting_table.h"

#include "platform/files.h"
#include "platform/kept_notepad.h"
#include "settings/settings.h"

namespace velquin {
namespace {

std::string TempFolderOfOurOwn() { return TempDirectory() + "Velquin"; }

const SettingDefinition kTable[] = {
#define VELQUIN_COMPUTED(function, example) function
#define VELQUIN_FIELD(controls, label, english) true
#define VELQUIN_PATH_FIELD(controls, label, english) true
#define VELQUIN_NO_FIELD false
#define VELQUIN_SETTING(name, kind, fallback, field, note) \
  {setting_names::name, SettingKind::kind, fallback, &LauncherSettings::name, field},
#include "settings/setting_list.def"
#undef VELQUIN_SETTING
#undef VELQUIN_NO_FIELD
#undef VELQUIN_PATH_FIELD
#undef VELQUIN_FIELD
#undef VELQUIN_COMPUTED
    {nullptr, SettingKind::Text, "", {}},
};

}  // namespace

const SettingDefinition* SettingDefinitions() { return kTable; }

const SettingDefinition* FindSettingDefinition(const std::string& name) {
  for (const SettingDefinition* d = kTable; d->name; ++d)
    if (name == d->name) return d;
  return nullptr;
}

std::string DefaultText(const SettingDefinition& definition) {
  return definition.fallback.computed ? definition.fallback.computed() : definition.fallback.fixed;
}

std::string SettingsSectionPath() { return std::string(kSettingsKeyPath) + "\\" + kSettingsSection; }

}  // namespace velquin
