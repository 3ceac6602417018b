#include "browser/browser.h"
#include "launcher/state.h"
#include "platform/files.h"
#include "platform/os.h"
#include "platform/text.h"
#include "settings/registry_values.h"

namespace velquin {

std::string BrowserCacheDirectory() {
  const RegistryView machine{os::kLocalMachine, 0};
  RegKey key = OpenExistingKey(machine, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths");
  return key.valid() ? ReadStringValue(key.get(), "Directory") : std::string();
}

bool IsBrowserTempFile() {
  // Both tests run, the directory comparison first: the cache key is read
  // on every call.
  const bool inTemp = LowerCaseText(DirectoryPart(TargetFile)) == LowerCaseText(TempDirectory());
  const bool inCache = ContainsText(BrowserCacheDirectory(), TargetFile);
  return inTemp || inCache;
}

bool CommandLineStartsQuoted() { return !RawCommandLine.empty() && RawCommandLine[0] == '"'; }

}  // namespace velquin
