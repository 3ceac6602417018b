// The all-users Start-menu shortcut to this program, made and removed by
// the install scripts through the program's own switches.
#pragma once

namespace velquin {

// True when the shortcut now exists (made anew each time).
bool CreateStartMenuShortcut();
// True when the shortcut is now gone (also when it never was there).
bool RemoveStartMenuShortcut();

}  // namespace velquin
