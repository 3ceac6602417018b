#include "settings/setting_table.h"

#include "platform/files.h"
#include "settings/settings.h"

namespace velquin {
namespace {

std::string KeptNotepadInWindowsDirectory() { return WindowsDirectory() + "Notepa~.exe"; }
std::string TempFolderOfOurOwn() { return TempDirectory() + "Velquin"; }

constexpr SettingKind kText = SettingKind::Text;
constexpr SettingKind kFlag = SettingKind::Flag;

const SettingDefinition kTable[] = {
    {"Editor", kText, "", KeptNotepadInWindowsDirectory},
    {"HtmlEditor", kText, "", nullptr},
    {"ParamEditor", kText, "", nullptr},
    {"FrontEditor", kFlag, "0", nullptr},
    {"ParamHtml", kText, "", nullptr},
    {"FrontHtml", kFlag, "0", nullptr},
    {"NoTrapExt", kText, "", nullptr},
    {"NoTrap", kFlag, "0", nullptr},
    {"NoFile", kFlag, "1", nullptr},
    {"Ie4Temp", kFlag, "0", nullptr},
    {"DoNotepad", kFlag, "1", nullptr},
    {"ChangeIeExt", kFlag, "0", nullptr},
    {"IeExt", kText, "htm", nullptr},
    {"PrintEditor", kText, "", nullptr},
    {"DoNotepadPrint", kFlag, "0", nullptr},
    {"ParamPrint", kText, "/P", nullptr},
    {"FrontPrint", kFlag, "0", nullptr},
    {"UseLan", kFlag, "0", nullptr},
    {"Rewrite", kFlag, "1", nullptr},
    {"LanTempDir", kText, "", TempFolderOfOurOwn},
    {"CopyLocal", kFlag, "1", nullptr},
    {nullptr, kText, "", nullptr},
};

}  // namespace

const SettingDefinition* SettingDefinitions() { return kTable; }

const SettingDefinition* FindSettingDefinition(const std::string& name) {
  for (const SettingDefinition* d = kTable; d->name; ++d)
    if (name == d->name) return d;
  return nullptr;
}

std::string DefaultText(const SettingDefinition& definition) {
  return definition.computedDefault ? definition.computedDefault() : definition.fixedDefault;
}

std::string DefaultText(const char* name) { return DefaultText(*FindSettingDefinition(name)); }

std::string SettingsSectionPath() { return std::string(kSettingsKeyPath) + "\\" + kSettingsSection; }

}  // namespace velquin
