#include "launcher/live_machine.h"

#include "browser/browser.h"
#include "launcher/arguments.h"
#include "launcher/state.h"
#include "platform/files.h"

namespace velquin {

bool LiveMachine::FileExists(const std::string& path) { return IsExistingFile(path); }
std::string LiveMachine::BrowserCacheDirectory() { return velquin::BrowserCacheDirectory(); }
bool LiveMachine::IsBrowserTempFile(const std::string& path) { return velquin::IsBrowserTempFile(path); }
BrowserVersionReading LiveMachine::BrowserVersionClass() { return ReadBrowserVersionClass(DecimalSeparator); }

RunInput ThisRunsInput() {
  const CommandLineArguments split = SplitCommandLine();
  return RunInput{split.arguments, RawCommandLine.substr(split.start), CommandLineStartsQuoted(CallerCommandLine()),
                  PlatformId};
}

}  // namespace velquin
