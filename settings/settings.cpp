#include "settings/settings.h"

#include "platform/files.h"
#include "platform/os.h"
#include "platform/owners.h"
#include "platform/run_text.h"
#include "settings/registry_values.h"
#include "settings/setting_table.h"

namespace velquin {

LauncherSettings ReadLauncherSettings() {
  // A key that can be neither opened nor created leaves no key open: the
  // section is then taken from HKEY_CURRENT_USER itself.
  // A key locked by policy refuses full access: it is read as it is.
  os::KeyHandle opened = 0;
  RegKey settingsKey;
  const long status = os::CreateKey(os::kCurrentUser, kSettingsKeyPath, os::kKeyAllAccess, &opened);
  if (status == os::kSuccess ||
      (status == os::kAccessDenied && os::OpenKey(os::kCurrentUser, kSettingsKeyPath, os::kKeyRead, &opened) ==
                                          os::kSuccess))
    settingsKey = RegKey(opened);
  const RegistryView view{os::kCurrentUser, settingsKey.valid() ? settingsKey.get() : 0};
  const std::string section = kSettingsSection;

  // The defaults come from the table the settings window shows. The values
  // are the code page's text; the defaults are already the run's.
  auto text = [&](const SettingDefinition& d) {
    const std::string fallback = DefaultText(d);  // asked first, as always
    const std::optional<std::string> value = ReadPresentSetting(view, section, d.name);
    return value ? FromAnsiText(*value) : fallback;
  };
  auto flag = [&](const SettingDefinition& d) {
    return ReadSettingBool(view, section, d.name, DefaultText(d) == "1");
  };

  LauncherSettings s;
  for (const SettingDefinition* d = SettingDefinitions(); d->name; ++d) {
    // The network values are read only when UseLan asks for them.
    const bool network =
        d->member.text == &LauncherSettings::LanTempDir || d->member.flag == &LauncherSettings::CopyLocal;
    if (network && !s.UseLan) continue;
    if (d->kind == SettingKind::Text) s.*d->member.text = text(*d);
    else s.*d->member.flag = flag(*d);
    // The launcher's own value goes back to "0" right after it is read.
    if (d->member.flag == &LauncherSettings::DoNotepadPrint) WriteSettingBool(view, section, d->name, false);
  }
  return s;
}

}  // namespace velquin
