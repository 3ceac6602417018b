// Included after <windows.h> wherever platform/os.h is used too: the
// seam's functions carry the calls' own names, so the headers' A/W macros
// must not rename them (under UNICODE, os::GetCommandLine would become a
// second os::GetCommandLineW).
#pragma once

#undef RegOpenKeyEx
#undef RegCreateKeyEx
#undef RegQueryValueEx
#undef RegSetValueEx
#undef RegDeleteValue
#undef FindFirstFile
#undef MoveFile
#undef DeleteFile
#undef GetWindowsDirectory
#undef GetSystemDirectory
#undef GetTempPath
#undef GetModuleFileName
#undef GetCommandLine
#undef MessageBox
#undef ShellExecute
#undef GetStartupInfo
#undef CreateProcess
#undef GetFileVersionInfoSize
#undef GetFileVersionInfo
#undef CharLowerBuff
#undef GetCommandLineW

