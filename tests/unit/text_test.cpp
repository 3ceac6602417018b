#include <gtest/gtest.h>

#include "platform/run_text.h"
#include "platform/text.h"
#include "tests/fake/fake_os.h"

namespace velquin {
namespace {

// Shift-JIS: 表 is 95 5C and ソ is 83 5C, both with a backslash as second
// byte; ア is 83 41, whose second byte is an upper-case A.
const std::string kHyou = "\x95\x5C";
const std::string kSo = "\x83\x5C";
const std::string kA = "\x83\x41";

struct PathRow {
  std::string name;  // what the row checks, as the test lists it
  std::string path, directory, extension, stripped;
};

// A failing case names its row rather than dumping its bytes.
void PrintTo(const PathRow& row, std::ostream* out) { *out << row.name; }

class PathSplitTest : public ::testing::TestWithParam<PathRow> {
 protected:
  void SetUp() override { fake::Reset(); }
};

TEST_P(PathSplitTest, SplitsAtTheTrueSeparators) {
  const PathRow& row = GetParam();
  EXPECT_EQ(DirectoryPart(row.path), row.directory);
  EXPECT_EQ(ExtensionPart(row.path), row.extension);
  EXPECT_EQ(StripLastDot(row.path), row.stripped);
  EXPECT_EQ(DirectoryPart(row.path) + row.path.substr(DirectoryPart(row.path).size()), row.path);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathSplitTest,
    ::testing::Values(
        PathRow{"DotInTheFolderOnly", "C:\\a.b\\file", "C:\\a.b\\", "", "C:\\a.b\\file"},
        PathRow{"LastDotOnly", "C:\\dir\\file.tar.gz", "C:\\dir\\", ".gz", "C:\\dir\\file.tar"},
        PathRow{"DriveWithoutBackslash", "C:file.txt", "C:", ".txt", "C:file"},
        PathRow{"BareName", "file", "", "", "file"},
        PathRow{"TempFile", "C:\\TEMP\\page.htm", "C:\\TEMP\\", ".htm", "C:\\TEMP\\page"},
        PathRow{"DottedFolderNoExtension", "C:\\TEMP\\x.y\\abc", "C:\\TEMP\\x.y\\", "", "C:\\TEMP\\x.y\\abc"},
        PathRow{"ShiftJisBackslashSecondBytes", "C:\\" + kHyou + "\\" + kSo + ".txt", "C:\\" + kHyou + "\\", ".txt",
                "C:\\" + kHyou + "\\" + kSo},
        PathRow{"ShiftJisNameEndingInBackslashByte", "C:\\d\\" + kSo, "C:\\d\\", "", "C:\\d\\" + kSo},
        PathRow{"ShiftJisNameAfterDottedFolder", "C:\\d.x\\" + kHyou, "C:\\d.x\\", "", "C:\\d.x\\" + kHyou},
        // A lead byte at the very end stands alone.
        PathRow{"LoneLeadByteAtTheEnd", "C:\\d\\a.t\x95", "C:\\d\\", ".t\x95", "C:\\d\\a"},
        PathRow{"LoneLeadByteAlone", "\x95", "", "", "\x95"},
        PathRow{"TrailingDot", "C:\\dir.", "C:\\", ".", "C:\\dir"}),
    [](const ::testing::TestParamInfo<PathRow>& info) { return info.param.name; });

TEST(PathSplitCodePage1252, BackslashSecondBytesAreBackslashes) {
  fake::Reset();
  fake::machine().codePage = 1252;
  EXPECT_EQ(DirectoryPart("C:\\" + kHyou + "x"), "C:\\\x95\\");
}

TEST(WithExtension, ReplacesOrAppends) {
  fake::Reset();
  EXPECT_EQ(WithExtension("C:\\a.b\\file", ".htm"), "C:\\a.b\\file.htm");
  EXPECT_EQ(WithExtension("x.txt", ".htm"), "x.htm");
  EXPECT_EQ(WithExtension("C:\\TEMP\\abc", "."), "C:\\TEMP\\abc.");
}

TEST(ExtensionPart, KeepsAtMost255Characters) {
  fake::Reset();
  EXPECT_EQ(ExtensionPart("a." + std::string(300, 'x')).size(), 255u);
}

struct StartRow {
  const char* what;
  int codePage;
  bool wide;
  std::string text;
  std::size_t end, start;
};

TEST(CharacterStartBefore, NeverCutsACharacter) {
  const StartRow rows[] = {
      {"nothing before", 932, false, ":", 0, 0},
      {"a single byte", 932, false, "ab:", 2, 1},
      {"a double-byte character", 932, false, "a" + kSo + ":", 3, 1},
      // 83 83 pair, so the 82 after them stands alone: only a scan from
      // the start can tell.
      {"a lead byte after a pair", 932, false, "\x83\x83\x82:", 3, 2},
      {"a lead byte just before the end", 932, false, kA + "\x83:", 3, 2},
      {"code page 1252 has no pairs", 1252, false, kA + ":", 2, 1},
      {"UTF-8, two bytes", 932, true, "aé:", 3, 1},
      {"UTF-8, four bytes", 932, true, "a\xF0\xA0\xAE\xB7:", 5, 1},
      {"a lone surrogate's three bytes", 932, true, "a\xED\xA0\x80:", 4, 1},
      {"UTF-8 at the very start", 932, true, "é:", 2, 0},
  };
  for (const StartRow& row : rows) {
    fake::Reset();
    fake::machine().codePage = row.codePage;
    WideRun = row.wide;
    EXPECT_EQ(CharacterStartBefore(row.text, row.end), row.start) << row.what;
  }
  WideRun = false;
}

struct SearchRow {
  std::string needle, haystack;
  int position;
};

TEST(TextPos, FindsCaseInsensitivelyByteForByte) {
  fake::Reset();
  const SearchRow rows[] = {
      {"", "abc", 0},
      {"B", "abc", 2},
      {"abc", "", 0},
      {":\\", "/p C:\\Docs\\a.txt", 5},
      {"HTM", "shtml", 2},
      {"in", "log ini", 5},
      {"x", "abc", 0},
      // The second byte of ア is not an "A" to be lower-cased or found.
      {"a", "ア", 0},
      {"A", "xアa", 4},
      {"ＡＢ", "ａｂ", 1},  // full-width letters fold as the system folds them
  };
  for (const SearchRow& row : rows) {
    EXPECT_EQ(TextPos(fake::ToAnsi(row.needle), fake::ToAnsi(row.haystack)), row.position)
        << row.needle << " in " << row.haystack;
  }
}

TEST(LowerCaseText, KeepsLengthAndSecondBytes) {
  fake::Reset();
  EXPECT_EQ(LowerCaseText("C:\\TEMP\\" + kA + "X"), "c:\\temp\\" + kA + "x");
  EXPECT_EQ(LowerCaseText("AB\x83"), "ab\x83");
  fake::machine().codePage = 1252;
  EXPECT_EQ(LowerCaseText("\xC0\xC9Z"), "\xE0\xE9z");
}

}  // namespace
}  // namespace velquin
