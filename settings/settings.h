// The user's settings, read once at start-up from
// HKEY_CURRENT_USER\Software\Tarrowind\Velquin\Setting.
#pragma once

#include <string>

namespace velquin {

inline constexpr const char* kSettingsKeyPath = "Software\\Tarrowind\\Velquin";
inline constexpr const char* kSettingsSection = "Setting";

struct LauncherSettings {
  std::string Editor;
  std::string HtmlEditor;
  std::string ParamEditor;
  bool FrontEditor = false;
  std::string ParamHtml;
  bool FrontHtml = false;
  std::string NoTrapExt;
  bool NoTrap = false;
  bool NoFile = true;
  bool Ie4Temp = false;
  bool DoNotepad = true;
  bool ChangeIeExt = false;
  std::string IeExt = "htm";
  std::string PrintEditor;
  bool DoNotepadPrint = false;
  std::string ParamPrint = "/P";
  bool FrontPrint = false;
  bool UseLan = false;
  bool Rewrite = true;
  std::string LanTempDir;
  bool CopyLocal = true;
};

// Reads every value in order with its default, writing DoNotepadPrint back
// as "0" on the way. Raises the registry errors.
LauncherSettings ReadLauncherSettings();

}  // namespace velquin
