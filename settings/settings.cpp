#include "settings/settings.h"

#include "platform/files.h"
#include "platform/os.h"
#include "platform/owners.h"
#include "platform/run_text.h"
#include "settings/registry_values.h"
#include "settings/setting_places.h"
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
  // are the code page's text; the defaults are already the run's. A value
  // the window shows may also come from a policy, which wins over the
  // user's, or from the machine's default, under it; the user's own is
  // read as ever, its errors raised.
  const SettingPlaces places = OpenSettingPlaces();
  auto text = [&](const SettingDefinition& d) {
    const std::string fallback = DefaultText(d);  // asked first, as always
    if (d.shown)
      if (const std::optional<PlacedValue> policy = ReadPolicyValue(places, d)) return FromAnsiText(policy->text);
    if (const std::optional<std::string> value = ReadPresentSetting(view, section, d.name)) return FromAnsiText(*value);
    if (d.shown)
      if (const std::optional<PlacedValue> machine = ReadMachineDefault(places, d)) return FromAnsiText(machine->text);
    return fallback;
  };
  auto flag = [&](const SettingDefinition& d) {
    const bool fallback = DefaultText(d) == "1";
    if (!d.shown) return ReadSettingBool(view, section, d.name, fallback);
    if (const std::optional<PlacedValue> policy = ReadPolicyValue(places, d)) return policy->text == "1";
    // A text that is no integer leaves the default to decide, and the
    // machine's default is the first one.
    if (const std::optional<std::string> value = ReadPresentSetting(view, section, d.name))
      if (const std::optional<std::int32_t> number = ParseIntegerText(*value)) return *number != 0;
    if (const std::optional<PlacedValue> machine = ReadMachineDefault(places, d)) return machine->text == "1";
    return fallback;
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
