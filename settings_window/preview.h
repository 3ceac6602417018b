// The command lines the launcher would build from the settings being
// edited, for an example file of each route, so that the order and the
// quoting can be seen before saving.
#pragma once

#include "platform/messages.h"
#include "settings/settings.h"

namespace velquin {

inline constexpr const char* kExampleTextFile = "C:\\Docs\\memo.txt";
inline constexpr const char* kExampleHtmlFile = "C:\\Docs\\page.html";

struct CommandPreviews {
  MessageText normal, html, print;
};

// The launcher's own decision for each example, on the machine as it is:
// the command line it would start, or what it would do instead.
CommandPreviews PreviewCommands(const LauncherSettings& settings);

// Puts a field's text (ANSI; a flag's "0" or "1") in its member; a name
// that is not in the settings table changes nothing.
void SetSettingByName(LauncherSettings* settings, const std::string& name, const std::string& text);

}  // namespace velquin
