#include "tests/scenario/nested_launcher.h"

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "launcher/launcher.h"
#include "launcher/state.h"
#include "platform/run_text.h"
#include "tests/fake/fake_os.h"

namespace scn {
namespace {

// What one launcher process holds to itself: the launcher's process-wide
// values and the machine's view of the running process.
struct OwnProcess {
  velquin::LauncherSettings settings = velquin::Settings;
  std::string targetFile = velquin::TargetFile;
  bool fellBack = velquin::FellBackToNotepad;
  std::string rawCommandLine = velquin::RawCommandLine;
  std::uint32_t platformId = velquin::PlatformId;
  char decimalSeparator = velquin::DecimalSeparator;
  bool namedNotepad = velquin::LauncherNamedNotepad;
  std::uint32_t placeInChain = velquin::PlaceInChain;
  bool wideRun = velquin::WideRun;
  std::string commandLine = fake::machine().commandLine;
  std::u16string wideCommandLine = fake::machine().wideCommandLine;
  std::string modulePath = fake::machine().modulePath;
  std::uint32_t processId = fake::machine().processId, parentProcessId = fake::machine().parentProcessId;
  std::uint64_t creationTime = fake::machine().creationTime;
  std::map<std::string, std::pair<std::string, std::string>> environment = fake::machine().environment;

  void Restore() const {
    velquin::Settings = settings;
    velquin::TargetFile = targetFile;
    velquin::FellBackToNotepad = fellBack;
    velquin::RawCommandLine = rawCommandLine;
    velquin::PlatformId = platformId;
    velquin::DecimalSeparator = decimalSeparator;
    velquin::LauncherNamedNotepad = namedNotepad;
    velquin::PlaceInChain = placeInChain;
    velquin::WideRun = wideRun;
    fake::Machine& m = fake::machine();
    m.commandLine = commandLine;
    m.wideCommandLine = wideCommandLine;
    m.modulePath = modulePath;
    m.processId = processId;
    m.parentProcessId = parentProcessId;
    m.creationTime = creationTime;
    m.environment = environment;
  }
};

}  // namespace

void RunLaunchersAgainOnTheFake() {
  auto launchers = std::make_shared<int>(1);
  fake::machine().runLauncher = [launchers](const std::string& real, const std::string& ansi, bool wide,
                                             const std::string& modulePath) {
    if (*launchers >= kMaxLaunchers) return 0u;
    ++*launchers;
    const OwnProcess first;
    fake::Machine& m = fake::machine();
    // The W start hands its text over exactly; the A start's text reaches
    // the new process through UTF-16, as on the NT family.
    m.wideCommandLine = wide ? fake::Utf16(real) : std::u16string();
    m.commandLine = wide ? fake::AnsiOfWide(fake::Utf16(real)) : fake::CommandLineAsReported(ansi);
    m.modulePath = modulePath;
    m.parentProcessId = m.processId;
    m.processId = first.processId + 4 * static_cast<std::uint32_t>(*launchers);
    m.creationTime = first.creationTime + 10000 * static_cast<std::uint64_t>(*launchers);  // a millisecond later
    m.otherProcesses.push_back({first.processId, first.parentProcessId, first.creationTime});
    const int code = velquin::LauncherMain();
    m.otherProcesses.pop_back();
    first.Restore();
    return static_cast<std::uint32_t>(code);
  };
}

}  // namespace scn
