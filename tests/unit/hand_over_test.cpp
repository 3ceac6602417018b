#include <gtest/gtest.h>

#include "launcher/launcher.h"
#include "launcher/state.h"
#include "platform/kept_notepad.h"
#include "tests/fake/fake_os.h"
#include "tests/unit/launcher_fixture.h"

namespace velquin {
namespace {

using testing::LauncherTest;

class HandOverTest : public LauncherTest {
 protected:
  static std::vector<std::string> ShellFiles() {
    std::vector<std::string> out;
    for (const fake::Event& e : Events(fake::Event::Shell)) out.push_back(e.file);
    return out;
  }
};

// Two rules: the hand-overs' kept Notepad looks for the system directory's
// copy, the start-up's fallback editor does not; they part where only the
// Windows directory holds it.
TEST_F(HandOverTest, TheKeptNotepadAndTheFallbackEditorAreFullPathsNeverTheCurrentDirectorysCopy) {
  struct Row {
    std::uint32_t platform;
    std::vector<std::string> programs;
    const char* kept;
    const char* fallback;
  };
  const char* const system = "C:\\windows\\system32\\notepa~.exe";
  const char* const windows = "C:\\windows\\notepa~.exe";
  const Row rows[] = {
      {2, {system, windows}, system, system},
      {2, {windows}, windows, system},
      {2, {system}, system, system},
      {1, {system, windows}, windows, windows},
      // Neither kept: the Windows directory's path still, for the shell to report.
      {2, {}, windows, system},
      {2, {"C:\\Docs\\Notepa~.exe"}, windows, system},
      {1, {}, windows, windows},
      {0, {system, windows}, windows, windows},  // the platform unknown
  };
  for (const Row& row : rows) {
    SetUp();
    fake::machine().platformId = row.platform;
    fake::machine().currentDirectory = "C:\\Docs\\";
    for (const std::string& program : row.programs) fake::AddProgram(program);
    Prepare("\"C:\\Velquin\\notepad.exe\"");
    EXPECT_EQ(KeptNotepadPath(), row.kept) << row.platform << " " << row.programs.size();
    EXPECT_EQ(FallbackEditorPath(PlatformId), row.fallback) << row.platform << " " << row.programs.size();
  }
}

TEST_F(HandOverTest, WithNoKeptNotepadTheShellIsStillGivenTheFullPath) {
  fake::machine().currentDirectory = "C:\\Docs\\";
  fake::AddProgram("C:\\Docs\\Notepa~.exe");
  fake::AddProgram("C:\\Tools\\ed.exe");
  Set("Editor", "C:\\Tools\\ed.exe");
  Set("DoNotepad", "0");
  Set("NoTrap", "1");
  Set("NoTrapExt", "log");
  EXPECT_EQ(Run("\"C:\\Velquin\\notepad.exe\""), 0);
  EXPECT_EQ(Run("\"C:\\Velquin\\notepad.exe\" C:\\Docs\\a.log"), 0);
  EXPECT_EQ(ShellFiles(), (std::vector<std::string>{"C:\\windows\\notepa~.exe", "C:\\windows\\notepa~.exe"}));
  EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(HandOverTest, AWindowsDirectoryTheSystemCannotNameOpensNothing) {
  fake::machine().currentDirectory = "C:\\Docs\\";
  // The relative default editor finds the current directory's copy; the
  // hand-over must not.
  fake::AddProgram("C:\\Docs\\notepa~.exe");
  Set("DoNotepad", "0");
  fake::machine().directoryQueriesFail = true;
  EXPECT_EQ(Run("\"C:\\Velquin\\notepad.exe\""), 0);
  EXPECT_TRUE(ShellFiles().empty());
  EXPECT_TRUE(BoxTexts().empty());
}

}  // namespace
}  // namespace velquin
