// The mark that keeps a launcher from starting itself again and again.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "launcher/start_mark.h"
#include "tests/fake/fake_os.h"
#include "tests/scenario/nested_launcher.h"
#include "tests/unit/launcher_fixture.h"

namespace velquin::testing {
namespace {

// This process is 4242, started by 4000 (created at kParent), itself
// started by 3000.
constexpr std::uint64_t kParent = 132000000000000000ull;

TEST_F(LauncherTest, AChainEndsAtTheMarkedParentOrTheFourthLauncher) {
  struct Row {
    const char* what;
    std::optional<std::string> mark;  // nullopt: no variable
    std::uint32_t place;              // this launcher's place in its chain
    bool endsChain;
    bool snapshotFails = false;
  };
  const std::string parent = "4000:" + std::to_string(kParent) + ":";
  const Row rows[] = {
      {"no mark", std::nullopt, 1, false},
      {"the parent's", parent + "1", 2, true},
      {"the parent's id, reused by a later process", "4000:" + std::to_string(kParent + 1) + ":1", 2, false},
      {"the grandparent's (handed further down)", "3000:" + std::to_string(kParent) + ":1", 2, false},
      {"the third launcher's, handed down: the fourth ends it", "3000:" + std::to_string(kParent) + ":3", 4, true},
      {"its own id", "4242:5:1", 1, false},
      {"the list of processes unreadable", parent + "1", 2, false, true},
      {"the list unreadable, the fourth launcher", parent + "3", 4, true, true},
      {"a place past the longest chain", "3000:1:4000000000", 4, true},
      {"an earlier release's form", "4000", 1, false},
      {"empty", "", 1, false},
      {"not a number", "40x0:1:1", 1, false},
      {"a sign", "+4000:1:1", 1, false},
      {"zero id", "0:1:1", 1, false},
      {"zero place", parent + "0", 1, false},
      {"id past 32 bits", "4294971296:1:1", 1, false},  // 2^32 + 4000
      {"a fourth field", parent + "1:1", 1, false},
  };
  for (const Row& row : rows) {
    SetUp();
    fake::Machine& m = fake::machine();
    m.otherProcesses = {{4000, 3000, kParent}, {3000, 4, kParent - 1}};
    m.snapshotFails = row.snapshotFails;
    if (row.mark) os::SetEnvironmentVariableA("VELQUIN_STARTED_BY", *row.mark);
    m.calls.clear();
    const ChainPlace chain = ReadChainPlace();
    EXPECT_EQ(chain.place, row.place) << row.what;
    EXPECT_EQ(chain.endsChain, row.endsChain) << row.what;
    // The list of processes is read only for a mark that may name the parent.
    EXPECT_EQ(m.calls["CreateToolhelp32Snapshot"] > 0, row.mark && ParseStartMark(*row.mark) &&
                                                           ParseStartMark(*row.mark)->processId != 4242 &&
                                                           row.place < kLongestChain)
        << row.what;
    EXPECT_TRUE(m.openSnapshots.empty() && m.queriedProcesses.empty()) << row.what;
  }
}

// Every start carries the mark, whatever the route; a usual run reads the
// variable once and never lists the processes.
TEST_F(LauncherTest, EveryStartIsMarkedWithTheLaunchersIdTimeAndPlace) {
  fake::AddProgram("C:\\Tools\\ed.exe");
  fake::AddProgram("C:\\windows\\system32\\notepa~.exe");
  Set("Editor", "C:\\Tools\\ed.exe");
  Set("NoTrap", "1");
  Set("NoTrapExt", "log");
  for (const char* commandLine : {"notepad C:\\a.txt", "notepad", "notepad C:\\a.log", "notepad /pt a b c d"}) {
    fake::machine().environment.clear();
    fake::machine().calls.clear();
    EXPECT_EQ(Run(commandLine), 0) << commandLine;
    const auto mark = fake::machine().environment.find("VELQUIN_STARTED_BY");
    ASSERT_NE(mark, fake::machine().environment.end()) << commandLine;
    EXPECT_EQ(mark->second.second, "4242:" + std::to_string(fake::machine().creationTime) + ":1") << commandLine;
    EXPECT_EQ(fake::machine().calls["GetEnvironmentVariable"], 1) << commandLine;
    EXPECT_EQ(fake::machine().calls["CreateToolhelp32Snapshot"], 0) << commandLine;
  }
}

// The first launcher waits for its editor, the launcher copy; that one
// waits for the kept Notepad; only then is the browser's file deleted.
TEST_F(LauncherTest, ABrowserFileIsDeletedAfterTheKeptNotepadEnded) {
  fake::Program copy;
  copy.launcher = true;
  fake::AddProgram("C:\\windows\\notepad.exe", copy);
  fake::Program stays;
  stays.staysMs = 500;
  fake::AddProgram("C:\\windows\\system32\\notepa~.exe", stays);
  fake::AddFile("C:\\TEMP\\abc.htm");
  Set("Editor", "C:\\windows\\notepad.exe");
  Set("Ie4Temp", "1");
  scn::RunLaunchersAgainOnTheFake();
  EXPECT_EQ(Run("\"C:\\Velquin\\notepad.exe\" C:\\TEMP\\abc.htm"), 0);
  std::vector<std::string> events;
  for (const fake::Event& e : fake::machine().events) {
    if (e.kind == fake::Event::Start) events.push_back("start " + e.commandLine);
    if (e.kind == fake::Event::Waited) events.push_back("waited");
    if (e.kind == fake::Event::Deleted) events.push_back("deleted " + e.file);
  }
  EXPECT_EQ(events, (std::vector<std::string>{"start C:\\windows\\notepad.exe \"C:\\TEMP\\abc.htm\"",
                                              "start C:\\windows\\system32\\notepa~.exe \"C:\\TEMP\\abc.htm\"",
                                              "waited", "deleted C:\\TEMP\\abc.htm"}));
}

// Without the list of processes no launcher can tell its parent, and the
// count ends the chain: the fourth launcher opens the kept Notepad.
TEST_F(LauncherTest, AChainStopsAtTheFourthLauncher) {
  fake::Program copy;
  copy.launcher = true;
  fake::AddProgram("C:\\windows\\notepad.exe", copy);
  fake::AddProgram("C:\\windows\\system32\\notepa~.exe");
  Set("Editor", "C:\\windows\\notepad.exe");
  fake::machine().snapshotFails = true;
  scn::RunLaunchersAgainOnTheFake();
  EXPECT_EQ(Run("\"C:\\Velquin\\notepad.exe\" C:\\a.txt"), 0);
  std::vector<std::string> starts(3, "C:\\windows\\notepad.exe \"C:\\a.txt\"");
  starts.push_back("C:\\windows\\system32\\notepa~.exe \"C:\\a.txt\"");
  EXPECT_EQ(Starts(), starts);
  EXPECT_EQ(fake::machine().processId, 4242u) << "the first launcher's own values come back";
  EXPECT_EQ(fake::machine().modulePath, "C:\\Velquin\\notepad.exe");
}

}  // namespace
}  // namespace velquin::testing
