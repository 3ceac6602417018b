#include <gtest/gtest.h>

#include "launcher/launcher.h"
#include "launcher/live_machine.h"
#include "launcher/state.h"
#include "platform/fatal.h"
#include "platform/run_text.h"
#include "settings_window/preview.h"
#include "tests/fake/fake_os.h"
#include "tests/unit/launcher_fixture.h"

namespace velquin {
namespace {

using testing::LauncherTest;

class CommandTest : public LauncherTest {
 protected:
  void SetUp() override {
    LauncherTest::SetUp();
    Prepare("\"C:\\Velquin\\notepad.exe\" x");
    TargetFile = "C:\\Docs\\a.txt";
  }
};

TEST_F(CommandTest, BuildsTheThreeFormsAndQuotesEditorsWithSpaces) {
  struct Row {
    const char* editor;
    const char* extra;
    bool fileFirst;
    const char* command;
  };
  const Row rows[] = {
      {"C:\\Tools\\ed.exe", "", false, "C:\\Tools\\ed.exe \"C:\\Docs\\a.txt\""},
      {"C:\\Tools\\ed.exe", "", true, "C:\\Tools\\ed.exe \"C:\\Docs\\a.txt\""},
      {"C:\\Tools\\ed.exe", "-n", false, "C:\\Tools\\ed.exe -n \"C:\\Docs\\a.txt\""},
      {"C:\\Tools\\ed.exe", "-n", true, "C:\\Tools\\ed.exe \"C:\\Docs\\a.txt\" -n"},
      {"C:\\Program Files\\Ed\\ed.exe", "-n", false, "\"C:\\Program Files\\Ed\\ed.exe\" -n \"C:\\Docs\\a.txt\""},
      {"C:\\Tab\tDir\\ed.exe", "", false, "\"C:\\Tab\tDir\\ed.exe\" \"C:\\Docs\\a.txt\""},
  };
  for (const Row& row : rows) EXPECT_EQ(BuildEditorCommand(row.editor, row.extra, row.fileFirst), row.command);
}

TEST_F(CommandTest, TheLimitIsFourThousandAndNinetySixCharacters) {
  struct Row {
    const char* editor;
    std::size_t pathLength;
    bool fits;
    bool wide = false;  // a wide run's path of "é", two bytes and one UTF-16 unit each
  };
  // editor + space + two quotes around the path.
  const Row rows[] = {
      {"C:\\ed.exe", 4096 - 12, true},
      {"C:\\ed.exe", 4096 - 11, false},
      {"C:\\e d.exe", 4096 - 15, true},  // the quotes around the editor count
      {"C:\\e d.exe", 4096 - 14, false},
      {"C:\\ed.exe", 4096 - 12, true, true},
      {"C:\\ed.exe", 4096 - 11, false, true},
  };
  for (const Row& row : rows) {
    WideRun = row.wide;
    TargetFile.clear();
    for (std::size_t i = 0; i < row.pathLength; ++i) TargetFile += row.wide ? "é" : "a";
    std::string command;
    bool raised = false;
    try {
      command = BuildEditorCommand(row.editor, "", false);
    } catch (const FatalError& error) {
      raised = std::string(error.kind) == "EConvertError";
    }
    EXPECT_EQ(raised, !row.fits) << row.editor << " " << row.pathLength;
    if (row.fits) {
      EXPECT_EQ(TextLength(command), 4096u);
    }
  }
  WideRun = false;
}

// Deciding asks the machine and changes nothing: no box, no start, no file
// renamed, even where the decision says a box will show or a file will move.
TEST_F(CommandTest, DecidingShowsStartsAndRenamesNothing) {
  struct Row {
    const char* commandLine;
    std::vector<std::pair<const char*, const char*>> settings;
    Route route;
    const char* program;
    const char* renamedTo;  // empty: no renaming
    bool versionMessage, htmlEditorMissing;
  };
  const char* const cache = "C:\\Cache\\";
  const Row rows[] = {
      {"\"C:\\V\\notepad.exe\" C:\\TEMP\\abc", {{"ChangeIeExt", "1"}}, Route::Normal, "C:\\ed.exe", "C:\\TEMP\\abc_1.htm", false, false},
      {"\"C:\\V\\notepad.exe\" C:\\Cache\\x\\page", {{"HtmlEditor", "C:\\gone.exe"}}, Route::Normal, "C:\\ed.exe", "", true, false},
      {"C:\\V\\notepad.exe C:\\Docs\\a.html", {{"HtmlEditor", "C:\\gone.exe"}}, Route::HtmlSource, "C:\\ed.exe", "", false, true},
      {"C:\\V\\notepad.exe /p C:\\Docs\\a.txt", {{"PrintEditor", "C:\\gone.exe"}}, Route::PrintEditorMissing, "", "", false, false},
      {"C:\\V\\notepad.exe My Docs", {}, Route::InvalidName, "", "", false, false},
  };
  for (const Row& row : rows) {
    SetUp();
    fake::AddProgram("C:\\ed.exe");
    fake::AddFile("C:\\TEMP\\abc");
    fake::AddFile("C:\\TEMP\\abc.htm");
    fake::AddFile("C:\\Cache\\x\\page");
    fake::SetString("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths",
                    "Directory", cache);
    Prepare(row.commandLine);
    LauncherSettings settings;
    settings.Editor = "C:\\ed.exe";
    for (const auto& [name, text] : row.settings) SetSettingByName(&settings, name, text);
    const std::size_t files = fake::machine().files.size();
    LiveMachine machine;
    const RunDecision decision = DecideRun(settings, ThisRunsInput(), machine);
    EXPECT_EQ(decision.route, row.route) << row.commandLine;
    EXPECT_EQ(decision.program, row.program) << row.commandLine;
    EXPECT_EQ(decision.rename.to, row.renamedTo) << row.commandLine;
    EXPECT_EQ(!IsEmpty(decision.versionMessage), row.versionMessage) << row.commandLine;
    EXPECT_EQ(decision.htmlEditorMissing, row.htmlEditorMissing) << row.commandLine;
    EXPECT_TRUE(fake::machine().events.empty()) << row.commandLine;
    EXPECT_EQ(fake::machine().files.size(), files) << row.commandLine;
  }
}

class RenameTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    Settings.ChangeIeExt = true;
  }
};

TEST_F(RenameTest, MovesToTheFirstFreeNumberedName) {
  struct Row {
    std::vector<std::string> files;
    std::string target, extension, renamed;
  };
  const Row rows[] = {
      {{"C:\\TEMP\\abc"}, "C:\\TEMP\\abc", "htm", "C:\\TEMP\\abc.htm"},
      {{"C:\\TEMP\\abc", "C:\\TEMP\\abc.htm", "C:\\TEMP\\abc_1.htm"}, "C:\\TEMP\\abc", "htm", "C:\\TEMP\\abc_2.htm"},
      {{"C:\\TEMP\\page.htm"}, "C:\\TEMP\\page.htm", "htm", "C:\\TEMP\\page_1.htm"},
      {{"C:\\TEMP\\abc", "C:\\TEMP\\abc."}, "C:\\TEMP\\abc", "", "C:\\TEMP\\abc_1."},
      {{"C:\\TEMP\\a.b.c"}, "C:\\TEMP\\a.b.c", "htm", "C:\\TEMP\\a.b.htm"},
  };
  for (const Row& row : rows) {
    SetUp();
    for (const std::string& file : row.files) fake::AddFile(file);
    Settings.IeExt = row.extension;
    TargetFile = row.target;
    EXPECT_EQ(BuildEditorCommand("C:\\ed.exe", "", false), "C:\\ed.exe \"" + row.renamed + "\"");
    EXPECT_NE(fake::FindFile(row.renamed), nullptr);
    if (row.target != row.renamed) {
      EXPECT_EQ(fake::FindFile(row.target), nullptr);
    }
  }
}

TEST_F(RenameTest, ThousandTakenNamesAreWalkedThrough) {
  fake::AddFile("C:\\TEMP\\abc");
  fake::AddFile("C:\\TEMP\\abc.htm");
  for (int i = 1; i <= 1000; ++i) fake::AddFile("C:\\TEMP\\abc_" + std::to_string(i) + ".htm");
  TargetFile = "C:\\TEMP\\abc";
  EXPECT_EQ(BuildEditorCommand("C:\\ed.exe", "", false), "C:\\ed.exe \"C:\\TEMP\\abc_1001.htm\"");
}

TEST_F(RenameTest, AnOverLongNumberedNameEndsTheRunBeforeAnyRename) {
  const std::string stem = "C:\\TEMP\\" + std::string(4085, 'n');  // stem + "_1.htm" is 4097
  fake::AddFile(stem);
  fake::AddFile(stem + ".htm");
  TargetFile = stem;
  EXPECT_THROW(BuildEditorCommand("C:\\ed.exe", "", false), FatalError);
  EXPECT_NE(fake::FindFile(stem), nullptr);
  EXPECT_TRUE(Events(fake::Event::Moved).empty());
}

TEST_F(RenameTest, AnOverLongCommandEndsTheRunAfterTheRename) {
  const std::string stem = "C:\\TEMP\\" + std::string(4080, 'n');
  fake::AddFile(stem);
  TargetFile = stem;
  EXPECT_THROW(BuildEditorCommand("C:\\ed.exe", "", false), FatalError);
  EXPECT_NE(fake::FindFile(stem + ".htm"), nullptr);
}

TEST_F(RenameTest, NotForAnUnquotedLauncherOrAFileOutsideTheTemporaryFolders) {
  fake::AddFile("C:\\TEMP\\abc");
  fake::AddFile("C:\\Docs\\abc");
  TargetFile = "C:\\Docs\\abc";
  EXPECT_EQ(BuildEditorCommand("C:\\ed.exe", "", false), "C:\\ed.exe \"C:\\Docs\\abc\"");
  Prepare("C:\\Velquin\\notepad.exe x");
  Settings.ChangeIeExt = true;
  TargetFile = "C:\\TEMP\\abc";
  EXPECT_EQ(BuildEditorCommand("C:\\ed.exe", "", false), "C:\\ed.exe \"C:\\TEMP\\abc\"");
  EXPECT_TRUE(Events(fake::Event::Moved).empty());
}

class StartTest : public CommandTest {};

TEST_F(StartTest, HandsOnTheLaunchersOwnStartupInformation) {
  fake::machine().startup.title = "from the shell";
  fake::machine().startup.showWindow = 3;
  fake::AddProgram("C:\\ed.exe");
  Prepare("\"C:\\Velquin\\notepad.exe\" x");
  StartEditor("C:\\ed.exe \"C:\\Docs\\a.txt\"");
  const auto starts = Events(fake::Event::Start);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].startup.title, "from the shell");
  EXPECT_EQ(starts[0].startup.showWindow, 3);
  EXPECT_TRUE(fake::machine().openProcesses.empty());
}

TEST_F(StartTest, WaitsAndDeletesOnlyWhenEveryConditionHolds) {
  struct Row {
    bool ie4Temp, noWait;
    std::string commandLine, target;
    bool waited, deleted;
    int exitCode;  // the editor's 7 once waited for, unless NoWait
    std::uint32_t staysMs = 500;
  };
  const Row rows[] = {
      {true, false, "\"C:\\V\\notepad.exe\" x", "C:\\TEMP\\a.htm", true, true, 7},
      // An editor that ends while it is still starting leaves no queue to take.
      {false, false, "C:\\V\\notepad.exe x", "C:\\Docs\\a.txt", true, false, 7, 60},
      {false, false, "\"C:\\V\\notepad.exe\" x", "C:\\TEMP\\a.htm", true, false, 7},
      {true, true, "\"C:\\V\\notepad.exe\" x", "C:\\TEMP\\a.htm", true, true, 0},
      {false, true, "\"C:\\V\\notepad.exe\" x", "C:\\TEMP\\a.htm", false, false, 0},
      {true, true, "C:\\V\\notepad.exe x", "C:\\TEMP\\a.htm", false, false, 0},
      {true, true, "\"C:\\V\\notepad.exe\" x", "C:\\Docs\\a.htm", false, false, 0},
  };
  for (const Row& row : rows) {
    SetUp();
    fake::Program slow{false, 0, int(row.staysMs)};
    slow.run = [](const std::string&) { return 7u; };
    fake::AddProgram("C:\\slow.exe", slow);
    fake::AddFile(row.target);
    Prepare(row.commandLine);
    Settings.Ie4Temp = row.ie4Temp;
    Settings.NoWait = row.noWait;
    TargetFile = row.target;
    EXPECT_EQ(StartEditor("C:\\slow.exe \"" + row.target + "\""), row.exitCode) << row.target;
    EXPECT_EQ(Events(fake::Event::Waited).size(), row.waited ? 1u : 0u) << row.target;
    // The message queue is taken once, before the wait and only for it,
    // once the editor has had its start.
    EXPECT_EQ(fake::machine().calls["PeekMessage"], row.waited && row.staysMs > kEditorStartMs ? 1 : 0) << row.target;
    EXPECT_EQ(fake::FindFile(row.target) == nullptr, row.deleted) << row.target;
    EXPECT_TRUE(fake::machine().openProcesses.empty());
  }
}

TEST_F(StartTest, AFailedStartIsReportedWithItsCodeAndDeletesNothing) {
  struct Row {
    bool editorIsTextFile;  // else the editor is gone
    const char* code;
  };
  const Row rows[] = {{true, "193"}, {false, "2"}};
  for (const Row& row : rows) {
    SetUp();
    if (row.editorIsTextFile) fake::AddFile("C:\\ed.exe");
    fake::AddFile("C:\\TEMP\\a.htm");
    Prepare("\"C:\\V\\notepad.exe\" x");
    Settings.Ie4Temp = true;
    TargetFile = "C:\\TEMP\\a.htm";
    const std::string command = "C:\\ed.exe \"C:\\TEMP\\a.htm\"";
    EXPECT_EQ(StartEditor(command), kExitEditorNotStarted) << row.code;
    const auto boxes = Events(fake::Event::Box);
    ASSERT_EQ(boxes.size(), 1u) << row.code;
    EXPECT_EQ(boxes[0].style, 0x10u);
    EXPECT_EQ(boxes[0].text, command + "\r\nエディタを起動できませんでした (エラー " + row.code +
                                 ")。\r\n設定を見直して下さい。");
    EXPECT_NE(fake::FindFile(TargetFile), nullptr) << row.code;
    EXPECT_TRUE(Events(fake::Event::Waited).empty());
    EXPECT_TRUE(fake::machine().openProcesses.empty());
  }
}

TEST_F(StartTest, NoticeComesBeforeTheStart) {
  fake::AddProgram("C:\\ed.exe");
  FellBackToNotepad = true;
  StartEditor("C:\\ed.exe \"C:\\Docs\\a.txt\"");
  ASSERT_EQ(fake::machine().events.size(), 2u);
  EXPECT_EQ(fake::machine().events[0].kind, fake::Event::Box);
  EXPECT_EQ(fake::machine().events[0].style, 0x40u);
  EXPECT_EQ(fake::machine().events[0].owner, fake::machine().foregroundWindow);
  EXPECT_EQ(fake::machine().events[1].kind, fake::Event::Start);
}

}  // namespace
}  // namespace velquin
