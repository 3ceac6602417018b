// How the process takes its system DLLs; both are called first thing in
// WinMain.
#pragma once

namespace velquin {

// Binds the delay-loaded DLLs (kernelbase where it can, else the system
// directory's own copies).
void InstallDelayLoadBinding();
// Limits every later DLL search to the system directory where the system
// can do that.
void TakeDllsFromSystemDirectoryOnly();

}  // namespace velquin
