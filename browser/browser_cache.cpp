#include "browser/browser.h"
#include "platform/files.h"
#include "platform/os.h"
#include "platform/run_text.h"
#include "platform/text.h"
#include "settings/registry_values.h"

namespace velquin {

std::string BrowserCacheDirectory() {
  const RegistryView machine{os::kLocalMachine, 0};
  // Read only: a standard user may do no more under HKEY_LOCAL_MACHINE.
  RegKey key = OpenExistingKey(machine, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths", os::kKeyRead);
  if (!key.valid()) return std::string();
  // A wide run compares it with the real name, so it is read as it is.
  return WideRun ? FromWideText(ReadStringValueW(key.get(), "Directory")) : ReadStringValue(key.get(), "Directory");
}

bool IsBrowserTempFile(const std::string& path) {
  // Both tests run, the directory comparison first: the cache key is read
  // on every call.
  // A temporary directory the system could not name matches nothing: a
  // relative path's empty directory part must not make it a temporary file.
  const std::string temp = TempDirectory();
  const bool inTemp = !temp.empty() && LowerCaseText(DirectoryPart(path)) == LowerCaseText(temp);
  const bool inCache = ContainsText(BrowserCacheDirectory(), path);
  return inTemp || inCache;
}

bool CommandLineStartsQuoted(const std::string& commandLine) {
  return !commandLine.empty() && commandLine[0] == '"';
}

}  // namespace velquin
