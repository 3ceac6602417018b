// The Start-menu shortcut to this program, made and removed by the setup
// program through this program's own switches: the all-users one, or the
// user's own for an install for one user.
#pragma once

namespace velquin {

// True when the shortcut now exists (made anew each time).
bool CreateStartMenuShortcut(bool forUser);
// True when the shortcut is now gone (also when it never was there).
bool RemoveStartMenuShortcut(bool forUser);

}  // namespace velquin
