#include <gtest/gtest.h>

#include "platform/fatal.h"
#include "platform/foresight.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/wtf8.h"
#include "tests/fake/fake_os.h"

namespace velquin {
namespace {

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }
};

// What WideCharToMultiByte gave under Wine for one character; the fake
// must convert the same, or a wide run would be told apart differently.
TEST_F(PlatformTest, TheFakeConvertsToTheCodePageAsTheSystemDoes) {
  struct Row {
    int codePage;
    const char16_t* character;
    const char* bestFit;   // the bytes without WC_NO_BEST_FIT_CHARS
    bool bestFitDefaulted;
    const char* exact;     // the bytes with it ("?" is the default character)
  };
  const Row rows[] = {
      {932, u"é", "e", false, "?"},          {932, u"ï", "i", false, "?"},
      {932, u"ß", "s", false, "?"},          {932, u"¥", "\\", false, "?"},
      {932, u"É", "E", false, "?"},          {932, u"☕", "?", true, "?"},
      {932, u"＂", "\xfa\x57", false, "\xfa\x57"}, {932, u"\u3000", "\x81\x40", false, "\x81\x40"},
      {1252, u"é", "\xe9", false, "\xe9"}, {1252, u"＂", "\"", false, "?"},
      {1252, u"\u3000", " ", false, "?"},   {1252, u"メ", "?", true, "?"},
  };
  for (const Row& row : rows) {
    fake::machine().codePage = row.codePage;
    bool defaulted = false;
    EXPECT_EQ(fake::AnsiOfWide(row.character, false, &defaulted), row.bestFit) << row.codePage;
    EXPECT_EQ(defaulted, row.bestFitDefaulted);
    EXPECT_EQ(fake::AnsiOfWide(row.character, true, &defaulted), row.exact) << row.codePage;
    EXPECT_EQ(defaulted, std::string(row.exact) == "?");
  }
}

// ソ is 83 5C: its second byte is no backslash in a key path either.
TEST_F(PlatformTest, TheFakeOpensAKeyWhoseNameEndsInA5CSecondByte) {
  fake::AddKey("HKCU\\Software\\\x83\x5c");
  os::KeyHandle key = 0;
  ASSERT_EQ(os::OpenKey(os::kCurrentUser, "Software\\\x83\x5c", os::kKeyAllAccess, &key), os::kSuccess);
  EXPECT_EQ(os::CloseKey(key), os::kSuccess);
}

TEST(Wtf8Test, EveryUtf16TextComesBack) {
  const std::u16string texts[] = {u"", u"C:\\café☕.txt", u"\U0001F600", u"a\xD800" u"b", u"\xDC00", u"\xDBFF\xDBFF"};
  for (const std::u16string& text : texts) EXPECT_EQ(Utf16FromWtf8(Wtf8FromUtf16(text)), text);
  struct Row {
    const char* bytes;
    std::u16string wide;
  };
  const Row broken[] = {
      {"\xc3", u"\xFFFD"},             // cut short
      {"\xc0\xaf", u"\xFFFD\xFFFD"},  // over-long "/": no slash sneaks in
      {"a\x80" "b", u"a\xFFFD" u"b"},
      {"\xf4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},  // past U+10FFFF
  };
  for (const Row& row : broken) EXPECT_EQ(Utf16FromWtf8(row.bytes), row.wide) << row.bytes;
}

TEST_F(PlatformTest, ExistingFileIsAFileWithADosTime) {
  fake::AddFile("C:\\Docs\\a.txt");
  fake::AddFile("C:\\Docs\\old.txt", fake::FileTimeOfDate(1979, 12, 31));
  fake::AddFile("C:\\Docs\\late.txt", fake::FileTimeOfDate(2108, 1, 1));
  fake::AddFile("C:\\Docs\\first.txt", fake::FileTimeOfDate(1980, 1, 1));
  fake::AddDirectory("C:\\Docs\\dir");
  struct Row {
    const char* path;
    bool exists;
  };
  const Row rows[] = {
      {"C:\\Docs\\a.txt", true},  {"c:\\docs\\A.TXT", true},     {"C:\\Docs\\old.txt", false},
      {"C:\\Docs\\late.txt", false}, {"C:\\Docs\\first.txt", true}, {"C:\\Docs\\dir", false},
      // A pattern matches other files; no file's name holds '*' or '?'.
      {"C:\\Docs\\a*.txt", false}, {"C:\\Docs\\?.txt", false},   {"C:\\Docs\\z*", false},
      {"\\\\?\\C:\\Docs\\a*.txt", false},
      {"", false},                {"C:\\Docs\\", false},
  };
  for (const Row& row : rows) EXPECT_EQ(IsExistingFile(row.path), row.exists) << row.path;
  EXPECT_TRUE(fake::machine().openFinds.empty());
}

TEST_F(PlatformTest, DirectoriesOfAnyLengthAndFailedQueries) {
  EXPECT_EQ(WindowsDirectory(), "C:\\windows\\");
  EXPECT_EQ(SystemDirectory(), "C:\\windows\\system32\\");
  EXPECT_EQ(TempDirectory(), "C:\\TEMP\\");
  const std::string deep = "C:\\" + std::string(300, 'd') + "\\";
  fake::machine().tempPath = deep;
  EXPECT_EQ(TempDirectory(), deep);
  fake::machine().directoryQueriesFail = true;
  EXPECT_EQ(WindowsDirectory(), "");
  EXPECT_EQ(TempDirectory(), "");
}

TEST_F(PlatformTest, MessagesConvertEachPieceByItsOwnCodePage) {
  // The path is Shift-JIS bytes, the fixed text UTF-8: both read right.
  const MessageText text = messages::FileNotFound(fake::ToAnsi("C:\\表\\a.txt"));
  EXPECT_EQ(fake::FromUtf16(Render(text)),
            "C:\\表\\a.txt\r\nファイル は見つかりませんでした。\r\nファイルの存在を確認してください。");
  fake::machine().codePage = 1252;
  EXPECT_EQ(fake::FromUtf16(Render(messages::DeleteFailed("C:\\\xE9t\xE9"))),
            "C:\\été\r\n※テンポラリファイルが使用中のため、削除に失敗しました。");
}

TEST_F(PlatformTest, FatalReportTextAddsTheClosingDotOnlyWhenNeeded) {
  struct Row {
    MessageText message;
    std::string expected;
  };
  const Row rows[] = {
      {messages::TextTooLong(), "EConvertErrorがﾓｼﾞｭｰﾙ notepad.exe の\n00ABCDEF で発生しました。\n結果が 4096 文字以上あります.\n"},
      {Fixed("done."), "EConvertErrorがﾓｼﾞｭｰﾙ notepad.exe の\n00ABCDEF で発生しました。\ndone.\n"},
      {Fixed(""), "EConvertErrorがﾓｼﾞｭｰﾙ notepad.exe の\n00ABCDEF で発生しました。\n\n"},
  };
  for (const Row& row : rows) {
    const FatalError error{"EConvertError", row.message, 0x1200ABCDEFu};
    EXPECT_EQ(fake::FromUtf16(Render(FatalReportText(error, "notepad.exe"))), row.expected);
  }
  const FatalError error{"ERegistryException", Fixed("x"), 0};
  const std::string longName(100, 'n');
  const std::string text = fake::FromUtf16(Render(FatalReportText(error, longName)));
  EXPECT_NE(text.find(std::string(63, 'n') + " の"), std::string::npos);
  EXPECT_EQ(text.find(std::string(64, 'n')), std::string::npos);
}

TEST_F(PlatformTest, FatalReportIsATaskModalBoxWithoutOwner) {
  fake::machine().modulePath = "C:\\Velquin\\notepad.exe";
  ReportFatal(FatalError{"ERegistryException", messages::ValueTypeInvalid("Ie4Temp"), 0x401000});
  ASSERT_EQ(fake::machine().events.size(), 1u);
  const fake::Event& box = fake::machine().events[0];
  EXPECT_EQ(box.owner, 0u);
  EXPECT_EQ(box.style, 0x2010u);
  EXPECT_EQ(box.caption, "ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ");
  EXPECT_EQ(box.text,
            "ERegistryExceptionがﾓｼﾞｭｰﾙ notepad.exe の\n00401000 で発生しました。\n'Ie4Temp' のﾃﾞｰﾀ型が不正です.\n");
}

TEST_F(PlatformTest, BoxesAreDrawnInTheBoxManifestsContextOnlyWhileTheyShow) {
  struct Row {
    bool programCarriesIt;
    void (*show)();
  };
  void (*const error)() = [] { ShowError(messages::NoEditor()); };
  void (*const fatal)() = [] { ReportFatal(FatalError{"EConvertError", messages::TextTooLong(), 0}); };
  const Row rows[] = {{true, error}, {true, fatal}, {false, error}, {false, fatal}};
  for (const Row& row : rows) {
    fake::Reset();
    fake::machine().boxManifest = row.programCarriesIt;
    row.show();
    ASSERT_EQ(fake::machine().events.size(), 1u);
    EXPECT_EQ(fake::machine().events[0].styled, row.programCarriesIt);
    EXPECT_TRUE(fake::machine().activeContexts.empty());
    EXPECT_TRUE(fake::machine().activationContexts.empty());
  }
}

// What the reads see while changes are foreseen, the system untouched.
TEST_F(PlatformTest, AForesightShowsTheSystemAsTheChangesWillLeaveIt) {
  const RegistryKey key{os::kLocalMachine, u"SOFTWARE\\T\\Install", os::kView64};
  const RegistryKey sub{os::kLocalMachine, u"SOFTWARE\\T\\Install\\Sub", os::kView64};
  const RegistryKey key32{os::kLocalMachine, u"SOFTWARE\\T\\Install", os::kView32};
  const auto text = [](const std::optional<RegistryData>& data) {
    if (!data) return std::string("(absent)");
    const char16_t* wide = reinterpret_cast<const char16_t*>(data->bytes.data());
    return fake::FromUtf16(std::u16string(wide, data->bytes.size() / 2 - 1));
  };
  struct Row {
    const char* story;
    std::vector<SystemChange> changes;
    std::string a, b, subExists, names;  // the values A and B, whether Sub exists, the value names
  };
  const Row rows[] = {
      {"nothing foreseen", {}, "old", "(absent)", "1", "A"},
      {"a value set, one deleted",
       {SetValueChange(key, u"B", TextData(u"new"), std::nullopt), DeleteValueChange(key, u"a", std::nullopt)},
       "(absent)", "new", "1", "B"},
      {"a key deleted takes its subkeys and values", {DeleteKeyChange(key)}, "(absent)", "(absent)", "0", ""},
      {"a key made again holds only what is written after",
       {DeleteKeyChange(key), SetValueChange(key32, u"B", TextData(u"new"), std::nullopt)}, "(absent)", "new", "0",
       "B"},
      {"a key deleted only if empty, which it is not", {DeleteKeyChange(key, true)}, "old", "(absent)", "1", "A"},
  };
  for (const Row& row : rows) {
    fake::Reset();
    fake::SetStringUtf8("HKLM\\SOFTWARE\\T\\Install", "A", "old");
    fake::SetStringUtf8("HKLM\\SOFTWARE\\T\\Install\\Sub", "C", "kept");
    const std::string before = fake::DumpRegistry();
    {
      const Foresight foresight(row.changes);
      EXPECT_EQ(text(ReadRegistryValue(key, u"A")), row.a) << row.story;
      EXPECT_EQ(text(ReadRegistryValue(key32, u"b")), row.b) << row.story;
      EXPECT_EQ(RegistryKeyExists(sub) ? "1" : "0", row.subExists) << row.story;
      std::string names;
      for (const std::u16string& name : RegistryValueNames(key)) names += fake::FromUtf16(name);
      EXPECT_EQ(names, row.names) << row.story;
    }
    EXPECT_EQ(fake::DumpRegistry(), before) << row.story;
    EXPECT_EQ(text(ReadRegistryValue(key, u"A")), "old") << row.story << ": the foresight ended";
  }
  // A copy brings its source's content, even when the source goes after it.
  const Foresight files({CopyFileChange(u"C:\\kept.exe", u"C:\\notepad.exe"), RemoveFileChange(u"C:\\kept.exe")});
  EXPECT_EQ(fake::FromUtf16(ForeseenFile(u"C:\\NOTEPAD.EXE")), "C:\\kept.exe");
  EXPECT_EQ(ForeseenFile(u"C:\\kept.exe"), u"");
  EXPECT_EQ(fake::FromUtf16(ForeseenFile(u"C:\\other.exe")), "C:\\other.exe");
}

}  // namespace
}  // namespace velquin
