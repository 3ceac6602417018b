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

struct MarkRow {
  const char* what;
  std::optional<std::string> mark;  // nullopt: no variable
  bool chain;                       // the launcher counts as started by a launcher
};

// This process is 4242, started by 4000, itself started by 3000.
TEST_F(LauncherTest, OnlyAMarkNamingTheParentIsAChain) {
  const MarkRow rows[] = {
      {"no mark", std::nullopt, false},
      {"the parent's id", "4000", true},
      {"the grandparent's id (a mark handed further down)", "3000", false},
      {"its own id", "4242", false},
      {"empty", "", false},
      {"not a number", "40x0", false},
      {"a sign", "+4000", false},
      {"spaces", " 4000", false},
      {"zero", "0", false},
      {"past 32 bits", "4294971296", false},  // 2^32 + 4000
      {"eleven digits", "00000004000", false},
      {"leading zeros", "0004000", true},
  };
  for (const MarkRow& row : rows) {
    SetUp();
    fake::Machine& m = fake::machine();
    m.otherProcesses = {{4000, 3000}, {3000, 4}};
    if (row.mark) os::SetEnvironmentVariableA("VELQUIN_STARTED_BY", *row.mark);
    m.calls.clear();
    EXPECT_EQ(StartedByALauncher(), row.chain) << row.what;
    // The list of processes is read only when a mark is there.
    EXPECT_EQ(m.calls["CreateToolhelp32Snapshot"] > 0, row.mark.has_value() && MarkedProcessId(*row.mark) &&
                                                           *MarkedProcessId(*row.mark) != 4242)
        << row.what;
    EXPECT_TRUE(m.openSnapshots.empty()) << row.what;
  }
}

TEST_F(LauncherTest, AListOfProcessesThatCannotBeReadIsNoChain) {
  fake::machine().snapshotFails = true;
  os::SetEnvironmentVariableA("VELQUIN_STARTED_BY", "4000");
  EXPECT_FALSE(StartedByALauncher());
}

// Every start carries the mark, whatever the route; a usual run reads the
// variable once and never lists the processes.
TEST_F(LauncherTest, EveryStartIsMarkedWithTheLaunchersId) {
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
    EXPECT_EQ(mark->second.second, "4242") << commandLine;
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

// Without the list of processes no launcher can tell, and the chain runs
// into the fake's cap: four launchers, the fifth start recorded, not run.
TEST_F(LauncherTest, AChainStopsAtTheFourthLauncher) {
  fake::Program copy;
  copy.launcher = true;
  fake::AddProgram("C:\\windows\\notepad.exe", copy);
  Set("Editor", "C:\\windows\\notepad.exe");
  fake::machine().snapshotFails = true;
  scn::RunLaunchersAgainOnTheFake();
  EXPECT_EQ(Run("\"C:\\Velquin\\notepad.exe\" C:\\a.txt"), 0);
  EXPECT_EQ(Starts(), std::vector<std::string>(4, "C:\\windows\\notepad.exe \"C:\\a.txt\""));
  EXPECT_EQ(fake::machine().processId, 4242u) << "the first launcher's own values come back";
  EXPECT_EQ(fake::machine().modulePath, "C:\\Velquin\\notepad.exe");
}

}  // namespace
}  // namespace velquin::testing
