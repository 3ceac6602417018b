// How the delay-loaded system DLLs are bound; called first thing in WinMain.
#pragma once

namespace velquin {

void InstallDelayLoadBinding();

}  // namespace velquin
