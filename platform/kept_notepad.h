// Notepad's names: the system's notepad.exe, which Velquin stands in for,
// and the copy of it that an install keeps as notepa~.exe in the Windows
// directory (on the NT family also in the system directory), with the
// rules that place that copy. The launcher, the settings window and the
// setup program all take them from here.
#pragma once

#include <cstdint>
#include <string>

#include "platform/files.h"
#include "platform/text.h"

namespace velquin {

inline constexpr const char* kKeptNotepadName = "notepa~.exe";
// Editor's default spells it with a capital, as settings.reg, the settings
// window and every earlier release show it.
inline constexpr const char* kKeptNotepadDefaultName = "Notepa~.exe";
inline constexpr std::uint32_t kPlatformNt = 2;  // dwPlatformId of the NT family

// The copy in one folder, for the setup program's UTF-16 paths.
inline std::u16string KeptNotepadIn(const std::u16string& folder) {
  const std::string name = kKeptNotepadName;
  return folder + u"\\" + std::u16string(name.begin(), name.end());
}

// Editor's default: the Windows directory's copy.
inline std::string KeptNotepadEditorDefault() { return WindowsDirectory() + kKeptNotepadDefaultName; }

// The start-up's fallback for a missing editor: on the NT family the system
// directory's copy, else the Windows directory's, whether or not it exists.
// platformId is dwPlatformId (0 when unknown).
inline std::string FallbackEditorPath(std::uint32_t platformId) {
  return (platformId == kPlatformNt ? SystemDirectory() : WindowsDirectory()) + kKeptNotepadName;
}

// The copy the hand-overs open: the system directory's on the NT family when
// it exists, else the Windows directory's, whether or not that one exists.
// Always a full path: a bare name would make the shell look in the current
// directory first, the folder of the document being opened, which may hold
// a planted program. exists(path) answers whether a file is there.
template <typename Exists>
std::string KeptNotepadPath(std::uint32_t platformId, Exists&& exists) {
  const std::string system = SystemDirectory();
  if (platformId == kPlatformNt && !system.empty() && exists(system + kKeptNotepadName))
    return system + kKeptNotepadName;
  return WindowsDirectory() + kKeptNotepadName;
}

// A path whose file name is notepad.exe, in any letter case.
inline bool IsNotepadPath(const std::string& path) {
  return LowerCaseText(path.substr(DirectoryPart(path).size())) == "notepad.exe";
}

// How a caller names Notepad at the head of its command line: a path or the
// bare name as typed in a console, with or without ".exe", in any case.
inline bool IsNotepadCommand(const std::string& argument) {
  const std::string name = LowerCaseText(argument.substr(DirectoryPart(argument).size()));
  return name == "notepad.exe" || name == "notepad";
}

}  // namespace velquin
