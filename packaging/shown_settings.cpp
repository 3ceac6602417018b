#include "packaging/shown_settings.h"

#include "settings/settings.h"

namespace velquin {

const std::vector<ShownSetting>& ShownSettings() {
  static const std::vector<ShownSetting> rows = [] {
    std::vector<ShownSetting> all;
#define VELQUIN_FIELD(controls, label, english) label, english
#define VELQUIN_PATH_FIELD(controls, label, english) label, english
#define VELQUIN_NO_FIELD nullptr, nullptr
#define VELQUIN_SETTING(name, kind, fallback, field, note) \
  all.push_back({setting_names::name, SettingKind::kind == SettingKind::Flag, field, note});
#include "settings/setting_list.def"
#undef VELQUIN_SETTING
#undef VELQUIN_NO_FIELD
#undef VELQUIN_PATH_FIELD
#undef VELQUIN_FIELD
    std::vector<ShownSetting> shown;
    for (const ShownSetting& row : all)
      if (row.label) shown.push_back(row);
    return shown;
  }();
  return rows;
}

}  // namespace velquin
