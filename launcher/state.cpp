#include "launcher/state.h"

#include "platform/files.h"
#include "platform/kept_notepad.h"
#include "platform/os.h"
#include "platform/run_text.h"
#include "platform/text.h"

namespace velquin {

LauncherSettings Settings;
std::string TargetFile;
bool FellBackToNotepad = false;
std::string RawCommandLine;
std::uint32_t PlatformId = 0;
char DecimalSeparator = '.';
bool LauncherNamedNotepad = true;
std::uint32_t PlaceInChain = 1;

namespace {

char SystemDecimalSeparator() {
  // A two-byte buffer: a separator of more than one character fails the
  // query and leaves the ordinary one.
  char buffer[2] = {0, 0};
  if (os::GetLocaleDecimalSeparator(os::GetSystemDefaultLCID(), buffer, 2) == 0 || buffer[0] == 0) return '.';
  return buffer[0];
}

}  // namespace

void ResetProcessState() {
  Settings = LauncherSettings();
  TargetFile.clear();
  FellBackToNotepad = false;
  PlaceInChain = 1;
  // First: every text the run reads later is taken in the form this sets.
  RawCommandLine = TakeCommandLine();
  if (!os::GetVersionPlatformId(&PlatformId)) PlatformId = 0;
  DecimalSeparator = SystemDecimalSeparator();
  LauncherNamedNotepad = IsNotepadPath(ModulePath());
}

}  // namespace velquin
