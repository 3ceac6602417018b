// The two rules that name the kept Notepad, apart from the rest of the run
// so that the settings window's preview takes the fallback's rule without
// linking the launcher.
#include "launcher/launcher.h"
#include "launcher/state.h"
#include "platform/files.h"

namespace velquin {
namespace {

constexpr const char* kKeptNotepadName = "notepa~.exe";  // where the installation keeps Notepad

}  // namespace

std::string KeptNotepadPath() {
  // The installation keeps Notepad in these folders; a bare name would make
  // the shell look in the current directory first, which is the folder of
  // the document being opened and may hold a planted program.
  const std::string system = SystemDirectory();
  if (PlatformId == kPlatformNt && !system.empty() && IsExistingFile(system + kKeptNotepadName))
    return system + kKeptNotepadName;
  return WindowsDirectory() + kKeptNotepadName;
}

std::string FallbackEditorPath(std::uint32_t platformId) {
  return (platformId == kPlatformNt ? SystemDirectory() : WindowsDirectory()) + kKeptNotepadName;
}

}  // namespace velquin
