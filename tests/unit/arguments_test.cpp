#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/arguments.h"
#include "launcher/state.h"
#include "tests/fake/fake_os.h"

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
    ASSERT_EQ(ArgumentCount(), static_cast<int>(row.arguments.size())) << row.commandLine;
    for (std::size_t i = 0; i < row.arguments.size(); ++i) EXPECT_EQ(ArgumentAt(static_cast<int>(i) + 1), row.arguments[i]);
    EXPECT_EQ(ArgumentAt(static_cast<int>(row.arguments.size()) + 1), "");
    EXPECT_EQ(ArgumentAt(0), "");
  }
}

}  // namespace
}  // namespace velquin
