#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/arguments.h"
#include "launcher/state.h"
#include "platform/run_text.h"
#include "tests/fake/fake_os.h"
#include "tests/unit/launcher_fixture.h"

namespace velquin {
namespace {

std::vector<std::string> Split(const std::string& commandLine) {
  std::vector<std::string> out;
  Argument step = NextArgument(commandLine, 0);
  out.push_back(step.text);
  for (int guard = 0; guard < 1000; ++guard) {
    step = NextArgument(commandLine, step.position);
    if (step.text.empty()) break;
    out.push_back(step.text);
  }
  return out;
}

struct SplitRow {
  std::string commandLine;
  std::vector<std::string> arguments;  // the program path first
};

TEST(NextArgument, SplitsHostileCommandLinesTheWayTheLauncherReadsThem) {
  const SplitRow rows[] = {
      {"p \"C:\\My Docs\\a.txt\"", {"p", "C:\\My Docs\\a.txt"}},
      {"p /p C:\\My Docs\\a.txt", {"p", "/p", "C:\\My", "Docs\\a.txt"}},
      {"p a\"b c\"d", {"p", "ab cd"}},
      {"\"C:\\Bin\\launcher.exe\" x", {"C:\\Bin\\launcher.exe", "x"}},
      {"p \"\" \"\" a", {"p", "a"}},               // empty quoted pairs are dropped
      {"p \"\"\"\"a", {"p", "a"}},
      {"p \"unterminated text", {"p", "unterminated text"}},
      {"p a\"\"b", {"p", "ab"}},
      {"p \t\r\na\x01" "b", {"p", "a", "b"}},       // every byte up to 0x20 separates
      {"p \x81\x20 x", {"p", "\x81", "x"}},         // bytes from 0x80 are ordinary
      {"p \xE9\xFF", {"p", "\xE9\xFF"}},
      {"p \" \"", {"p", " "}},
      {"p \"", {"p"}},                              // a lone quote opens nothing
      {"", {""}},
      {"   ", {""}},
  };
  for (const SplitRow& row : rows) EXPECT_EQ(Split(row.commandLine), row.arguments) << row.commandLine;
}

TEST(NextArgument, KeepsAnArgumentOfAnyLengthWhole) {
  const std::string longPath = "C:\\" + std::string(5000, 'x') + ".txt";
  EXPECT_EQ(Split("p \"" + longPath + "\""), (std::vector<std::string>{"p", longPath}));
  EXPECT_EQ(Split("p " + longPath), (std::vector<std::string>{"p", longPath}));
}

struct CountRow {
  std::string modulePath, commandLine;
  std::vector<std::string> arguments;
};

TEST(ArgumentAt, DropsNotepadsOwnPathOnlyForALauncherUnderAnotherName) {
  const CountRow rows[] = {
      {"C:\\Velquin\\velquin.exe", "v \"C:\\WINDOWS\\system32\\NOTEPAD.EXE\" C:\\a.txt", {"C:\\a.txt"}},
      {"C:\\Velquin\\velquin.exe", "v C:\\windows\\notepad.exe /p C:\\a.txt", {"/p", "C:\\a.txt"}},
      {"C:\\Velquin\\velquin.exe", "v notepad.exe", {}},
      {"C:\\Velquin\\velquin.exe", "v C:\\a.txt C:\\notepad.exe", {"C:\\a.txt", "C:\\notepad.exe"}},
      {"C:\\Velquin\\velquin.exe", "v C:\\mynotepad.exe", {"C:\\mynotepad.exe"}},
      {"C:\\windows\\NOTEPAD.EXE", "n C:\\windows\\notepad.exe", {"C:\\windows\\notepad.exe"}},
  };
  for (const CountRow& row : rows) {
    fake::Reset();
    fake::machine().modulePath = row.modulePath;
    fake::machine().commandLine = row.commandLine;
    ResetProcessState();
    ASSERT_EQ(AllArguments().size(), row.arguments.size()) << row.commandLine;
    for (std::size_t i = 0; i < row.arguments.size(); ++i) EXPECT_EQ(ArgumentAt(static_cast<int>(i) + 1), row.arguments[i]);
    EXPECT_EQ(ArgumentAt(static_cast<int>(row.arguments.size()) + 1), "");
    EXPECT_EQ(ArgumentAt(0), "");
  }
}

struct JoinedRow {
  int codePage;
  std::string arguments;  // UTF-8, handed over as CreateProcessW hands them
  bool wide;              // the code page cannot hold them
  std::string target;     // UTF-8
};

using testing::LauncherTest;

TEST_F(LauncherTest, APathInJoinedArgumentsStartsAtTheWholeCharacterBeforeTheDrivesColon) {
  const JoinedRow rows[] = {
      {932, "/x C:\\Docs\\a.txt", false, "C:\\Docs\\a.txt"},
      {932, "junk D:\\x y.txt", false, "D:\\x y.txt"},
      {932, ":\\x y.txt", false, ":\\x y.txt"},  // the colon first: kept whole
      {932, "/x \\\\server\\share\\a.txt", false, "\\\\server\\share\\a.txt"},
      {932, "/p ｱ:\\a.txt", false, "ｱ:\\a.txt"},  // half-width katakana is one byte
      {932, "/p メモ:\\Tools\\a.txt", false, "モ:\\Tools\\a.txt"},
      {932, "/p 表:\\a.txt", false, "表:\\a.txt"},  // 95 5C: a second byte like a backslash
      {1252, "/p café:\\a.txt", false, "é:\\a.txt"},
      {1252, "/p メモ:\\Tools\\a.txt", true, "モ:\\Tools\\a.txt"},
      {932, "/p café メモ:\\Tools\\a.txt", true, "モ:\\Tools\\a.txt"},
      {932, "/p café:\\a.txt", true, "é:\\a.txt"},
      {932, "/p 𠮷:\\a.txt", true, "𠮷:\\a.txt"},  // beyond U+FFFF: four bytes
      {932, "/p café D:\\a.txt", true, "D:\\a.txt"},
  };
  for (const JoinedRow& row : rows) {
    SetUp();
    fake::Machine& m = fake::machine();
    m.codePage = row.codePage;
    fake::AddProgram("C:\\Tools\\ed.exe");
    Set("Editor", "C:\\Tools\\ed.exe");
    Set("ParamPrint", "");  // printing then starts the same command as opening
    m.wideCommandLine = fake::Utf16("notepad " + row.arguments);
    m.commandLine = fake::AnsiOfWide(m.wideCommandLine);
    m.modulePath = "C:\\Velquin\\notepad.exe";
    EXPECT_EQ(LauncherMain(), 0) << row.arguments;
    EXPECT_EQ(WideRun, row.wide) << row.arguments;
    std::vector<std::string> started;
    for (const fake::Event& start : Events(fake::Event::Start)) started.push_back(start.realCommandLine);
    EXPECT_EQ(started, std::vector<std::string>{"C:\\Tools\\ed.exe \"" + row.target + "\""}) << row.arguments;
  }
  WideRun = false;  // the run's form outlives the run; later tests read ANSI
}

}  // namespace
}  // namespace velquin
