#include <gtest/gtest.h>

#include "browser/browser.h"
#include "launcher/state.h"
#include "tests/fake/fake_os.h"
#include "tests/unit/launcher_fixture.h"

namespace velquin {
namespace {

using testing::LauncherTest;

struct VersionRow {
  std::string text;
  char separator;
  int versionClass;  // -1: not a number
};

TEST(BrowserVersion, FirstFourCharactersReadAsADecimalNumberGiveTheClass) {
  const VersionRow rows[] = {
      {"4.7", '.', 3},     {"4.70", '.', 3},   {"4.71", '.', 4},  {"4.72", '.', 4},
      {"4.40", '.', 2},    {"4.5", '.', 2},    {"4.39", '.', 0},  {"4.100", '.', 0},
      {"5.0", '.', 5},     {"5.5", '.', 5},    {"5.50", '.', 5},  {"5.99", '.', 5},  {"6.0", '.', 6},
      {"7.99", '.', 7},    {"8.0", '.', 0},    {"10.0", '.', 0},  {"0.0", '.', 0},
      {"4.71", ',', -1},   {"4,71", ',', 4},   {"100.", '.', 0},  {".", '.', 0},
      {"", '.', -1},       {"4..7", '.', -1},  {"e5", '.', -1},   {" 5.5 ", '.', 5},
      {"-5.5", '.', 0},    {"5e-1", '.', 0},   {"1e99", '.', -1}, {"4.6999", '.', 2},
  };
  for (const VersionRow& row : rows) {
    const std::optional<float> number = ParseDecimalNumber(row.text.substr(0, 4), row.separator);
    if (row.versionClass < 0) {
      EXPECT_FALSE(number.has_value()) << row.text;
    } else {
      ASSERT_TRUE(number.has_value()) << row.text;
      EXPECT_EQ(VersionClassOf(HundredfoldRounded(*number)), row.versionClass) << row.text;
    }
  }
}

TEST(BrowserVersion, ProductRoundsHalvesToEven) {
  EXPECT_EQ(HundredfoldRounded(0.125f), 12);   // 12.5 exactly
  EXPECT_EQ(HundredfoldRounded(0.375f), 38);   // 37.5 exactly
  EXPECT_EQ(HundredfoldRounded(4.71f), 471);   // 471.0000038
  EXPECT_EQ(HundredfoldRounded(4.7f), 470);    // 469.9999809
  EXPECT_EQ(HundredfoldRounded(3e38f), -1);    // far beyond every class
}

class BrowserTest : public LauncherTest {
 protected:
  static constexpr const char* kCache = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths";
  static constexpr const char* kAppPath = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
};

TEST_F(BrowserTest, TemporaryFileIsDirectlyInTempOrAnywhereInTheCache) {
  struct Row {
    std::string cache, target;
    bool temporary;
  };
  const Row rows[] = {
      {"", "C:\\TEMP\\x.txt", true},
      {"", "c:\\temp\\x.txt", true},
      {"", "C:\\TEMP\\sub\\x.txt", false},
      {"", "C:\\TEMPX\\x.txt", false},
      {"C:\\WINDOWS\\Temporary Internet Files", "c:\\windows\\temporary internet files\\A1\\x.htm", true},
      {"C:\\WINDOWS\\Temporary Internet Files", "C:\\Docs\\x.htm", false},
      {"C:\\Cache", "D:\\Old\\C:\\Cache\\x", true},  // found anywhere in the path
  };
  for (const Row& row : rows) {
    SetUp();
    if (!row.cache.empty()) fake::SetString(kCache, "Directory", row.cache);
    Prepare("\"C:\\V\\notepad.exe\" x");
    EXPECT_EQ(IsBrowserTempFile(row.target), row.temporary) << row.target;
  }
}

TEST_F(BrowserTest, AnUnknownTemporaryDirectoryMakesNoFileTemporary) {
  fake::machine().directoryQueriesFail = true;
  Prepare("\"C:\\V\\notepad.exe\" x");
  EXPECT_FALSE(IsBrowserTempFile("a.txt"));
}

TEST_F(BrowserTest, ACacheKeyWithoutFullAccessCountsAsMissing) {
  fake::SetString(kCache, "Directory", "C:\\Cache");
  fake::AddKey(kCache).failOpen = true;
  EXPECT_EQ(BrowserCacheDirectory(), "");
}

TEST_F(BrowserTest, CommandLineStartsQuotedLooksAtTheFirstByteOnly) {
  Prepare("\"C:\\Bin\\launcher.exe\" C:\\x.txt");
  EXPECT_TRUE(CommandLineStartsQuoted(RawCommandLine));
  Prepare("C:\\Bin\\launcher.exe \"C:\\x.txt\"");
  EXPECT_FALSE(CommandLineStartsQuoted(RawCommandLine));
  Prepare(" \"C:\\Bin\\launcher.exe\"");
  EXPECT_FALSE(CommandLineStartsQuoted(RawCommandLine));
}

TEST_F(BrowserTest, VersionClassWithItsThreeMessages) {
  struct Row {
    bool registered;
    bool hasVersion;
    std::uint32_t versionMS;
    std::string separator;
    int versionClass;
    std::string message;
  };
  const Row rows[] = {
      {false, false, 0, ".", 0, "Internet Explorerのインストール先が不明です。"},
      {true, false, 0, ".", 0, "IEのバージョンは不明です。"},
      {true, true, (4u << 16) | 71, ".", 4, ""},
      {true, true, (5u << 16) | 50, ".", 5, ""},
      {true, true, (4u << 16) | 71, ",", 0, "IEのバージョン取得に失敗しました。"},
      {true, true, (6u << 16) | 0, ",", 0, "IEのバージョン取得に失敗しました。"},
      {true, true, (6u << 16) | 0, "..", 6, ""},  // too long for the buffer: the ordinary dot
      {true, true, (65535u << 16) | 65535, ".", 0, "IEのバージョンは不明です。"},
  };
  for (const Row& row : rows) {
    SetUp();
    fake::machine().decimalSeparator = row.separator;
    if (row.registered) fake::SetString(kAppPath, "", "C:\\IE\\iexplore.exe");
    fake::AddProgram("C:\\IE\\iexplore.exe", fake::Program{row.hasVersion, row.versionMS, 0});
    Prepare("x");
    EXPECT_EQ(BrowserVersionClass(DecimalSeparator), row.versionClass);
    const auto boxes = BoxTexts();
    EXPECT_EQ(boxes, row.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.message});
    EXPECT_TRUE(fake::machine().openKeys.empty());
  }
}

TEST_F(BrowserTest, FileVersionTextIsMajorDotMinor) {
  fake::AddProgram("C:\\a.exe", fake::Program{true, (4u << 16) | 71, 0});
  fake::AddProgram("C:\\b.exe", fake::Program{true, (65535u << 16) | 65535, 0});
  fake::AddProgram("C:\\c.exe");
  EXPECT_EQ(FileVersionText("C:\\a.exe"), "4.71");
  EXPECT_EQ(FileVersionText("C:\\b.exe"), "65535.65535");
  EXPECT_EQ(FileVersionText("C:\\c.exe"), "0.0");
  EXPECT_EQ(FileVersionText(""), "0.0");
}

}  // namespace
}  // namespace velquin
