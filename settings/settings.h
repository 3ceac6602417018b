// The user's settings, read once at start-up from
// HKEY_CURRENT_USER\Software\Tarrowind\Velquin\Setting.
#pragma once

#include <string>

#include "settings/setting_table.h"

namespace velquin {

inline constexpr const char* kSettingsKeyPath = "Software\\Tarrowind\\Velquin";
inline constexpr const char* kSettingsSection = "Setting";

// One member a value, named like it, starting at its default (empty for a
// default the machine decides, which the reader asks for).
struct LauncherSettings {
#define VELQUIN_COMPUTED(function, example) ""
#define VELQUIN_SETTING(name, kind, fallback, ...) \
  SettingType<SettingKind::kind>::Value name = SettingType<SettingKind::kind>::Initial(fallback);
#include "settings/setting_list.def"
#undef VELQUIN_SETTING
#undef VELQUIN_COMPUTED
};

// Reads every value in order with its default, writing DoNotepadPrint back
// as "0" on the way. Raises the registry errors.
LauncherSettings ReadLauncherSettings();

}  // namespace velquin
