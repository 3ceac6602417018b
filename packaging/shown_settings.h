// The settings table's rows that the settings window shows, which an
// administrator may also set: one policy of the templates and one property
// of the package each. Read from the table's header alone.
#pragma once

#include <vector>

namespace velquin {

struct ShownSetting {
  const char* name;
  bool flag;
  const char* label;    // Japanese, as the settings window shows it
  const char* english;
  const char* note;     // settings.reg's comment, "\n" between lines
};

const std::vector<ShownSetting>& ShownSettings();

}  // namespace velquin
