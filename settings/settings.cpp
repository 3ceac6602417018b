#include "settings/settings.h"

#include "platform/files.h"
#include "platform/os.h"
#include "platform/owners.h"
#include "platform/run_text.h"
#include "settings/registry_values.h"

namespace velquin {

LauncherSettings ReadLauncherSettings() {
  // A key that can be neither opened nor created leaves no key open: the
  // section is then taken from HKEY_CURRENT_USER itself.
  os::KeyHandle opened = 0;
  RegKey settingsKey;
  if (os::RegCreateKeyEx(os::kCurrentUser, kSettingsKeyPath, &opened) == os::kSuccess)
    settingsKey = RegKey(opened);
  const RegistryView view{os::kCurrentUser, settingsKey.valid() ? settingsKey.get() : 0};
  const std::string section = kSettingsSection;

  // The values are the code page's text; the defaults are already the run's.
  auto text = [&](const char* name, const std::string& fallback) {
    const std::optional<std::string> value = ReadPresentSetting(view, section, name);
    return value ? FromAnsiText(*value) : fallback;
  };
  auto flag = [&](const char* name, bool fallback) { return ReadSettingBool(view, section, name, fallback); };

  LauncherSettings s;
  s.Editor = text("Editor", WindowsDirectory() + "Notepa~.exe");
  s.HtmlEditor = text("HtmlEditor", "");
  s.ParamEditor = text("ParamEditor", "");
  s.FrontEditor = flag("FrontEditor", false);
  s.ParamHtml = text("ParamHtml", "");
  s.FrontHtml = flag("FrontHtml", false);
  s.NoTrapExt = text("NoTrapExt", "");
  s.NoTrap = flag("NoTrap", false);
  s.NoFile = flag("NoFile", true);
  s.Ie4Temp = flag("Ie4Temp", false);
  s.DoNotepad = flag("DoNotepad", true);
  s.ChangeIeExt = flag("ChangeIeExt", false);
  s.IeExt = text("IeExt", "htm");
  s.PrintEditor = text("PrintEditor", "");
  s.DoNotepadPrint = flag("DoNotepadPrint", false);
  WriteSettingBool(view, section, "DoNotepadPrint", false);
  s.ParamPrint = text("ParamPrint", "/P");
  s.FrontPrint = flag("FrontPrint", false);
  s.UseLan = flag("UseLan", false);
  s.Rewrite = flag("Rewrite", true);
  if (s.UseLan) {
    s.LanTempDir = text("LanTempDir", TempDirectory() + "Velquin");
    s.CopyLocal = flag("CopyLocal", true);
  }
  return s;
}

}  // namespace velquin
