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
  auto text = [&](const char* name) {
    const std::string fallback = DefaultText(name);  // asked first, as always
    const std::optional<std::string> value = ReadPresentSetting(view, section, name);
    return value ? FromAnsiText(*value) : fallback;
  };
  auto flag = [&](const char* name) {
    return ReadSettingBool(view, section, name, DefaultText(name) == "1");
  };

  LauncherSettings s;
  s.Editor = text("Editor");
  s.HtmlEditor = text("HtmlEditor");
  s.ParamEditor = text("ParamEditor");
  s.FrontEditor = flag("FrontEditor");
  s.ParamHtml = text("ParamHtml");
  s.FrontHtml = flag("FrontHtml");
  s.NoTrapExt = text("NoTrapExt");
  s.NoTrap = flag("NoTrap");
  s.NoFile = flag("NoFile");
  s.Ie4Temp = flag("Ie4Temp");
  s.DoNotepad = flag("DoNotepad");
  s.ChangeIeExt = flag("ChangeIeExt");
  s.IeExt = text("IeExt");
  s.PrintEditor = text("PrintEditor");
  s.DoNotepadPrint = flag("DoNotepadPrint");
  WriteSettingBool(view, section, "DoNotepadPrint", false);
  s.ParamPrint = text("ParamPrint");
  s.FrontPrint = flag("FrontPrint");
  s.UseLan = flag("UseLan");
  s.Rewrite = flag("Rewrite");
  if (s.UseLan) {
    s.LanTempDir = text("LanTempDir");
    s.CopyLocal = flag("CopyLocal");
  }
  return s;
}

}  // namespace velquin
