#include <gtest/gtest.h>

#include "platform/fatal.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "tests/fake/fake_os.h"
#include "tests/unit/launcher_fixture.h"

namespace velquin {
namespace {

using testing::kSettingKey;
using testing::LauncherTest;

struct IntegerRow {
  const char* text;
  std::optional<std::int32_t> value;
};

TEST(ParseIntegerText, AcceptsExactlyTheIntegerForms) {
  const IntegerRow rows[] = {
      {"0", 0},
      {"1", 1},
      {" 1", 1},
      {"   -12", -12},
      {"+7", 7},
      {"2147483647", 2147483647},
      {"-2147483647", -2147483647},
      {"$10", 16},
      {"$ff", 255},
      {"$FFFFFFFF", -1},
      {"$000000001", 1},
      {"0x0", 0},
      {"0X1f", 31},
      {"0x", std::nullopt},  // too short to be rewritten: "0" then "x"
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"1 ", std::nullopt},
      {"-2147483648", std::nullopt},
      {"2147483648", std::nullopt},
      {"$100000000", std::nullopt},
      {"$", std::nullopt},
      {"-$1", std::nullopt},
      {"$-1", std::nullopt},
      {" 0x1", std::nullopt},  // the 0x rewrite looks at the first two characters only
      {"-", std::nullopt},
      {"+", std::nullopt},
      {"1x", std::nullopt},
      {"\t1", std::nullopt},
      {"99999999999999999999", std::nullopt},
  };
  for (const IntegerRow& row : rows) EXPECT_EQ(ParseIntegerText(row.text), row.value) << '"' << row.text << '"';
}

// The one two-call read under the launcher's reads and the settings
// window's: its outcome, and how many calls it took.
TEST_F(LauncherTest, TheTwoCallReadAndTheStringRuleOnIt) {
  struct Row {
    const char* what;
    std::optional<std::uint32_t> type;  // nullopt: no such value
    std::vector<unsigned char> data;
    bool failRead;
    StringRead::Outcome outcome;
    const char* text;
    int calls;
    bool failed;
  };
  const Row rows[] = {
      {"absent", std::nullopt, {}, false, StringRead::Absent, "", 1, false},
      {"a string", os::kRegSz, {'a', 'b', 0}, false, StringRead::Text, "ab", 2, false},
      {"an expandable string", os::kRegExpandSz, {'%', 'x', 0}, false, StringRead::Text, "%x", 2, false},
      {"no terminator", os::kRegSz, {'a', 'b'}, false, StringRead::Text, "ab", 2, false},
      {"cut at the first NUL", os::kRegSz, {'a', 0, 'b', 0}, false, StringRead::Text, "a", 2, false},
      {"no data, any type", os::kRegDword, {}, false, StringRead::Text, "", 1, false},
      {"no data, unreadable", os::kRegSz, {}, true, StringRead::Text, "", 1, false},
      {"a number", os::kRegDword, {1, 0, 0, 0}, false, StringRead::NotAString, "", 2, false},
      {"a list", os::kRegMultiSz, {'a', 0, 0}, false, StringRead::NotAString, "", 2, false},
      {"unreadable data", os::kRegSz, {'a', 0}, true, StringRead::ReadFailed, "", 2, true},
  };
  for (const Row& row : rows) {
    SetUp();
    fake::AddKey(kSettingKey);
    if (row.type) {
      fake::SetValue(kSettingKey, "V", *row.type, row.data);
      fake::FindValue(kSettingKey, "V")->failRead = row.failRead;
    }
    os::KeyHandle key = 0;
    ASSERT_EQ(os::OpenKey(os::kCurrentUser, "Software\\Tarrowind\\Velquin\\Setting", os::kKeyRead, &key),
              os::kSuccess);
    const RegKey owner(key);
    fake::machine().calls.clear();
    const std::optional<ValueData> data = ReadValueData(key, "V");
    EXPECT_EQ(fake::machine().calls["RegQueryValueEx"], row.calls) << row.what;
    ASSERT_EQ(data.has_value(), row.type.has_value()) << row.what;
    if (data) {
      EXPECT_EQ(data->type, *row.type) << row.what;
      EXPECT_EQ(data->size, row.data.size()) << row.what;
      EXPECT_EQ(data->failed, row.failed) << row.what;
      EXPECT_EQ(data->bytes, row.failed ? std::vector<unsigned char>{} : row.data) << row.what;
    }
    const StringRead read = ReadString(key, "V");
    EXPECT_EQ(read.outcome, row.outcome) << row.what;
    EXPECT_EQ(read.text, row.text) << row.what;
    EXPECT_EQ(read.type, row.type.value_or(0)) << row.what;
  }
}

class SettingsTest : public LauncherTest {
 protected:
  static LauncherSettings Read() {
    testing::LauncherTest::Prepare("x");
    return ReadLauncherSettings();
  }
  static std::string ExpectFatal() {
    try {
      Read();
    } catch (const FatalError& error) {
      std::string text;
      for (const auto& piece : error.message.pieces) text += piece.ansi ? fake::FromAnsi(piece.bytes) : piece.bytes;
      return std::string(error.kind) + ": " + text;
    }
    return "no error";
  }
};

TEST_F(SettingsTest, MissingKeyGivesEveryDefaultAndIsCreated) {
  const LauncherSettings s = Read();
  EXPECT_EQ(s.Editor, "C:\\windows\\Notepa~.exe");
  EXPECT_EQ(s.HtmlEditor, "");
  EXPECT_FALSE(s.FrontEditor);
  EXPECT_TRUE(s.NoFile);
  EXPECT_TRUE(s.DoNotepad);
  EXPECT_EQ(s.IeExt, "htm");
  EXPECT_EQ(s.ParamPrint, "/P");
  EXPECT_TRUE(s.Rewrite);
  EXPECT_EQ(s.LanTempDir, "");  // only read when UseLan is set
  const fake::RegValue* written = fake::FindValue(kSettingKey, "DoNotepadPrint");
  ASSERT_NE(written, nullptr);
  EXPECT_EQ(written->type, os::kRegSz);
  EXPECT_EQ(written->data, (std::vector<unsigned char>{'0', 0}));
  EXPECT_TRUE(fake::machine().openKeys.empty());
}

TEST_F(SettingsTest, LanValuesAreReadOnlyWithUseLan) {
  Set("UseLan", "1");
  Set("CopyLocal", "0");
  const LauncherSettings s = Read();
  EXPECT_EQ(s.LanTempDir, "C:\\TEMP\\Velquin");
  EXPECT_FALSE(s.CopyLocal);
}

TEST_F(SettingsTest, PresentEmptyTextIsEmptyNotTheDefault) {
  Set("IeExt", "");
  Set("ParamPrint", "");
  Set("NoFile", "");
  const LauncherSettings s = Read();
  EXPECT_EQ(s.IeExt, "");
  EXPECT_EQ(s.ParamPrint, "");
  EXPECT_TRUE(s.NoFile);  // not an integer text: the default
}

TEST_F(SettingsTest, StringWithoutTerminatorIsTakenWhole) {
  fake::SetValue(kSettingKey, "ParamEditor", os::kRegSz, {'-', 'a', 'b'});
  fake::SetValue(kSettingKey, "ParamHtml", os::kRegSz, {'-', 'x', 0, 'y', 0});
  const LauncherSettings s = Read();
  EXPECT_EQ(s.ParamEditor, "-ab");
  EXPECT_EQ(s.ParamHtml, "-x");
}

TEST_F(SettingsTest, WrongTypesAndFailedReadsAreFatal) {
  struct Row {
    const char* name;
    std::uint32_t type;
    std::vector<unsigned char> data;
    bool failRead;
    const char* expected;
  };
  const Row rows[] = {
      {"Ie4Temp", os::kRegDword, {1, 0, 0, 0}, false, "ERegistryException: 'Ie4Temp' のﾃﾞｰﾀ型が不正です"},
      {"Editor", os::kRegMultiSz, {'a', 0, 0}, false, "ERegistryException: 'Editor' のﾃﾞｰﾀ型が不正です"},
      {"NoTrapExt", os::kRegSz, {'l', 'o', 'g', 0}, true, "ERegistryException: 'NoTrapExt' の取得に失敗しました"},
      {"ParamPrint", os::kRegBinary, {}, false, "no error"},  // empty: read as empty text
  };
  for (const Row& row : rows) {
    SetUp();
    Set("DoNotepadPrint", "1");
    fake::SetValue(kSettingKey, row.name, row.type, row.data);
    fake::FindValue(kSettingKey, row.name)->failRead = row.failRead;
    EXPECT_EQ(ExpectFatal(), row.expected) << row.name;
    EXPECT_TRUE(fake::machine().openKeys.empty()) << row.name << ": a key was left open";
  }
}

TEST_F(SettingsTest, AFatalErrorBeforeTheWriteBackLeavesItUndone) {
  Set("DoNotepadPrint", "1");
  fake::SetValue(kSettingKey, "NoFile", os::kRegDword, {0, 0, 0, 0});
  ExpectFatal();
  EXPECT_EQ(fake::FindValue(kSettingKey, "DoNotepadPrint")->data, (std::vector<unsigned char>{'1', 0}));
}

TEST_F(SettingsTest, SectionThatCannotBeCreatedIsFatal) {
  fake::AddKey(kSettingKey).failCreate = true;
  EXPECT_EQ(ExpectFatal(), "ERegistryException: ｷｰ Setting の作成に失敗しました");
}

TEST_F(SettingsTest, SectionCreatedButNotOpenableSkipsTheWriteBack) {
  fake::AddKey(kSettingKey).failOpen = true;
  EXPECT_EQ(ExpectFatal(), "no error");
  EXPECT_EQ(fake::FindValue(kSettingKey, "DoNotepadPrint"), nullptr);
}

TEST_F(SettingsTest, FailedWriteBackIsFatal) {
  fake::AddKey(kSettingKey).failSet = true;
  EXPECT_EQ(ExpectFatal(), "ERegistryException: 'DoNotepadPrint' の設定に失敗しました");
}

TEST_F(SettingsTest, SettingsKeyThatCannotBeOpenedReadsFromTheRootSection) {
  fake::AddKey("HKCU\\Software\\Tarrowind\\Velquin").failCreate = true;
  fake::SetString("HKCU\\Setting", "IeExt", "txt");
  const LauncherSettings s = Read();
  EXPECT_EQ(s.IeExt, "txt");
  EXPECT_NE(fake::FindValue("HKCU\\Setting", "DoNotepadPrint"), nullptr);
}

TEST_F(SettingsTest, EachValueOpensAndClosesTheSection) {
  Set("Editor", "C:\\Tools\\ed.exe");
  Read();
  // 22 values less the two LAN ones, each opened once, and the write-back's
  // open after its create; the settings key itself is created. The two
  // policies and the machine default, absent here, cost one open each.
  EXPECT_EQ(fake::machine().calls["RegOpenKeyEx"], 20 + 1 + 3);
  EXPECT_EQ(fake::machine().calls["RegCreateKeyEx"], 2);
  EXPECT_EQ(fake::machine().calls["RegCloseKey"], fake::machine().calls["RegOpenKeyEx"] - 3 +
                                                      fake::machine().calls["RegCreateKeyEx"]);
}

}  // namespace
}  // namespace velquin
