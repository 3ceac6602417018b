// Cases the fuzzers found, kept so that they stay fixed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/os.h"
#include "platform/owners.h"
#include "tests/fake/fake_os.h"
#include "tests/unit/launcher_fixture.h"

namespace velquin::testing {
namespace {

struct WildcardRow {
  std::string pattern;
  bool findsFile;
};

// The machine's own search, which still takes patterns (the launcher no
// longer hands it any).
bool SearchFindsFile(const std::string& pattern) {
  os::FindData found;
  FindSearch search(os::FindFirst(pattern, &found));
  return search.valid() && !(found.attributes & os::kAttributeDirectory);
}

// The fake's FindFirstFile matched wildcards by plain recursion, which takes
// exponential time in the number of stars: a settings value of a dozen
// stars against a long name hung the whole-run fuzzer for more than 20 s.
TEST_F(LauncherTest, FakeSearchMatchesPatternsInLinearTime) {
  fake::AddFile("C:\\Tools\\" + std::string(60, 'a'));
  fake::AddFile("C:\\Tools\\ed.exe");
  fake::AddFile("C:\\Tools\\x_1.htm");
  fake::AddDirectory("C:\\Tools\\sub.d");
  const WildcardRow rows[] = {
      {"C:\\Tools\\*a*a*a*a*a*a*a*a*a*a*a*a*b", false},  // the input that hung
      {"C:\\Tools\\*a*a*a*a*a*a*a*a*a*a*a*a*a", true},
      {"C:\\Tools\\" + std::string(60, '?'), true},
      {"C:\\Tools\\" + std::string(61, '?'), false},
      {"C:\\Tools\\" + std::string(59, '?'), false},
      {"C:\\Tools\\*.exe", true},
      {"C:\\Tools\\E?.EXE", true},
      {"C:\\Tools\\e*e*e", true},
      {"C:\\Tools\\e*x", false},
      {"C:\\Tools\\*_1.htm", true},
      {"C:\\Tools\\*_11.htm", false},
      {"C:\\Tools\\**", true},
      {"C:\\Tools\\sub.*", false},  // only the directory matches
      {"C:\\Other\\*", false},
  };
  // Each piece between stars is short here, so a name is walked about once
  // per star-free stretch; the plain recursion took of the order of C(60, 12).
  constexpr std::size_t kLongestName = 60;
  for (const WildcardRow& row : rows) {
    fake::machine().wildcardSteps = 0;
    EXPECT_EQ(SearchFindsFile(row.pattern), row.findsFile) << row.pattern;
    EXPECT_LE(fake::machine().wildcardSteps, 2 * (row.pattern.size() + kLongestName)) << row.pattern;
  }
  EXPECT_TRUE(fake::machine().openFinds.empty());
}

// The same input through the whole run: the pattern names no file, so
// Notepad stands in and opens the file. The pattern is never searched for,
// and costs no more calls than an editor that is simply missing.
TEST_F(LauncherTest, AnEditorPatternOfManyStarsFallsBackToNotepad) {
  const auto callsOfRun = [this](const std::string& editor) {
    SetUp();
    fake::AddFile("C:\\Tools\\" + std::string(60, 'a'));
    fake::AddProgram("C:\\windows\\system32\\notepa~.exe");
    Set("Editor", editor);
    EXPECT_EQ(Run("notepad C:\\a.txt"), 0) << editor;
    EXPECT_EQ(Starts(), (std::vector<std::string>{"C:\\windows\\system32\\notepa~.exe \"C:\\a.txt\""})) << editor;
    EXPECT_EQ(fake::machine().wildcardSteps, 0u) << editor;
    int calls = 0;
    for (const auto& [call, count] : fake::machine().calls) calls += count;
    return calls;
  };
  const int missing = callsOfRun("C:\\Tools\\missing.exe");
  EXPECT_LE(callsOfRun("C:\\Tools\\*a*a*a*a*a*a*a*a*a*a*a*a*b"), missing);
}

}  // namespace
}  // namespace velquin::testing
