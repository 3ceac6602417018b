#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "settings_window/current_values.h"
#include "settings_window/preview.h"
#include "settings_window/save.h"
#include "tests/fake/fake_os.h"
#include "tests/unit/launcher_fixture.h"

namespace velquin {
namespace {

using testing::kSettingKey;
using testing::LauncherTest;

std::string Utf8(const MessageText& text) { return fake::FromUtf16(Render(text)); }

// What a preview names to start: its ANSI pieces; a note alone names nothing.
std::string CommandOf(const MessageText& text) {
  std::string bytes;
  for (const MessageText::Piece& piece : text.pieces)
    if (piece.ansi) bytes += piece.bytes;
  return bytes;
}

class SettingsWindowTest : public LauncherTest {
 protected:
  static CurrentValue Value(const std::string& name) {
    const std::vector<CurrentValue> values = ReadCurrentValues();
    return *FindCurrentValue(values, name);
  }
  // Programs that exist, named notepad.exe in several forms or nearly so.
  static void AddNotepadLookAlikes() {
    for (const char* program : {"C:\\windows\\notepad.exe", "C:\\WINDOWS\\system32\\NOTEPAD.EXE",
                                "D:\\Tools\\Notepad.exe", "C:\\Tools\\mynotepad.exe", "C:\\Tools\\notepad.exe.bak",
                                "C:\\x\x95\x5cnotepad.exe"})
      fake::AddProgram(program);
  }
  static std::optional<std::string> Stored(const std::string& name) {
    const fake::RegValue* value = fake::FindValue(kSettingKey, name);
    if (!value) return std::nullopt;
    return std::string(value->data.begin(), value->data.end());
  }
};

TEST_F(SettingsWindowTest, ReadsEachValueAsTheLauncherWould) {
  struct Row {
    const char* name;
    std::optional<std::string> stored;  // nullopt: absent
    std::uint32_t type;
    ValueState state;
    const char* effective;
  };
  const Row rows[] = {
      {"NoFile", std::nullopt, os::kRegSz, ValueState::Absent, "1"},
      {"NoFile", "0", os::kRegSz, ValueState::Present, "0"},
      {"NoFile", "0x0", os::kRegSz, ValueState::Present, "0"},
      {"NoFile", "$10", os::kRegSz, ValueState::Present, "1"},
      {"NoFile", " 0", os::kRegSz, ValueState::Present, "0"},
      {"NoFile", "0 ", os::kRegSz, ValueState::Invalid, "1"},
      {"FrontEditor", "", os::kRegSz, ValueState::Invalid, "0"},
      {"IeExt", std::nullopt, os::kRegSz, ValueState::Absent, "htm"},
      {"IeExt", "", os::kRegSz, ValueState::Empty, ""},
      {"IeExt", "txt", os::kRegExpandSz, ValueState::Present, "txt"},
      {"ParamPrint", "", os::kRegSz, ValueState::Empty, ""},
      {"Editor", std::nullopt, os::kRegSz, ValueState::Absent, "C:\\windows\\Notepa~.exe"},
      {"Ie4Temp", std::string("\1\0\0\0", 4), os::kRegDword, ValueState::WrongType, "0"},
  };
  for (const Row& row : rows) {
    SetUp();
    if (row.stored)
      fake::SetValue(kSettingKey, row.name, row.type, std::vector<unsigned char>(row.stored->begin(), row.stored->end()));
    const CurrentValue value = Value(row.name);
    EXPECT_EQ(value.state, row.state) << row.name << " \"" << row.stored.value_or("(absent)") << '"';
    EXPECT_EQ(value.effective, row.effective) << row.name << " \"" << row.stored.value_or("(absent)") << '"';
  }
  EXPECT_EQ(fake::machine().calls["RegCreateKeyEx"], 0) << "reading creates nothing";
}

// A key an administrator locked is shown as it is and cannot be saved; the
// nearest key that exists decides, since saving makes what is missing.
TEST_F(SettingsWindowTest, ALockedKeyIsReadButNotOfferedForSaving) {
  struct Row {
    const char* lockedKey;  // empty: none
    bool readable;          // the locked key grants reading (else nothing)
    bool sectionExists;
    bool locked;
    const char* editor;  // the Editor the window shows
  };
  const Row rows[] = {
      {"", true, true, false, "C:\\Tools\\ed.exe"},
      {"", true, false, false, "C:\\windows\\Notepa~.exe"},
      {kSettingKey, true, true, true, "C:\\Tools\\ed.exe"},
      {kSettingKey, false, true, true, "C:\\windows\\Notepa~.exe"},
      {"HKCU\\Software\\Tarrowind\\Velquin", true, false, true, "C:\\windows\\Notepa~.exe"},
      {"HKCU\\Software\\Tarrowind\\Velquin", true, true, false, "C:\\Tools\\ed.exe"},
      {"HKCU\\Software\\Tarrowind", true, false, true, "C:\\windows\\Notepa~.exe"},
  };
  for (const Row& row : rows) {
    SetUp();
    if (row.sectionExists) Set("Editor", "C:\\Tools\\ed.exe");
    if (*row.lockedKey) fake::AddKey(row.lockedKey).grants = row.readable ? os::kKeyRead : 0;
    const std::string what = std::string(row.lockedKey) + (row.sectionExists ? " with section" : " without section");
    EXPECT_EQ(SettingsAreLocked(), row.locked) << what;
    EXPECT_EQ(Value("Editor").effective, row.editor) << what;
    EXPECT_TRUE(fake::machine().openKeys.empty()) << what;
  }
  EXPECT_EQ(Utf8(LockedNotice()), "この設定は管理者により変更できないようになっています。");
}

TEST_F(SettingsWindowTest, MarksSayWhyAValueIsNotUsedAsStored) {
  struct Row {
    const char* name;
    std::optional<std::string> stored;
    const char* mark;
  };
  const Row rows[] = {
      {"NoTrap", std::nullopt, "既定値 (設定がありません)"},
      {"NoTrap", "1", ""},
      {"NoTrap", "1 ", "無効: 「1 」は整数でないため、既定値 (0) として扱われます"},
      {"IeExt", "", "空: 既定の htm ではなく「.」だけが付きます"},
      {"HtmlEditor", "", ""},  // empty is the default there
      {"Editor", "C:\\none.exe", "見つかりません: 通知のあと、メモ帳で開きます"},
      {"PrintEditor", "C:\\none.exe", "見つかりません: エラーを表示し、印刷しません"},
      {"Editor", "C:\\ed.exe", ""},
      {"Editor", "C:\\windows\\notepad.exe", "notepad.exe: 保管しているメモ帳で開きます"},
      {"HtmlEditor", "C:\\Tools\\notepad.exe.bak", ""},
      // Not found, the launcher never reaches it: the missing mark says what happens.
      {"PrintEditor", "E:\\gone\\notepad.exe", "見つかりません: エラーを表示し、印刷しません"},
      // A waiting caller's own file in %TEMP% is taken for a browser's.
      {"Ie4Temp", "1", "注意: %TEMP% 直下の他のプログラムのファイルも対象"},
      {"ChangeIeExt", "1", "注意: %TEMP% 直下の他のプログラムのファイルも対象"},
      {"Ie4Temp", "0", ""},
  };
  for (const Row& row : rows) {
    SetUp();
    fake::AddProgram("C:\\ed.exe");
    AddNotepadLookAlikes();
    if (row.stored) Set(row.name, *row.stored);
    EXPECT_EQ(Utf8(StateMark(Value(row.name))), row.mark) << row.name;
  }
}

// A policy's value is shown as the launcher takes it and never saved; the
// machine's default stands where the user's own gives way to the default.
TEST_F(SettingsWindowTest, PoliciesAndTheMachineDefaultAreShownAsTheLauncherTakesThem) {
  const std::string machinePolicy = "HKLM\\Software\\Policies\\Tarrowind\\Velquin\\Setting";
  const std::string userPolicy = "HKCU\\Software\\Policies\\Tarrowind\\Velquin\\Setting";
  const std::string machineDefault = "HKLM\\Software\\Tarrowind\\Velquin\\Setting";
  struct Row {
    const char* what;
    const char* name;
    std::vector<std::pair<std::string, std::string>> places;  // key, text ("#": REG_DWORD 1)
    const char* effective;
    const char* mark;
    bool saved;  // a changed field is written
  };
  const Row rows[] = {
      {"a machine policy over the user's", "Editor",
       {{machinePolicy, "C:\\ed.exe"}, {kSettingKey, "C:\\mine.exe"}}, "C:\\ed.exe",
       "管理者がポリシーで設定 (変更できません)", false},
      {"a user policy over the machine's default", "NoTrap", {{userPolicy, "1"}, {machineDefault, "0"}}, "1",
       "管理者がポリシーで設定 (変更できません)", false},
      {"a policy that is no string", "Editor", {{machinePolicy, "#"}, {kSettingKey, "C:\\mine.exe"}},
       "C:\\mine.exe", "", true},
      {"the machine's default", "Editor", {{machineDefault, "C:\\ed.exe"}}, "C:\\ed.exe",
       "既定値 (このパソコンの管理者が決めた値)", true},
      {"the user's over the machine's default", "Editor", {{machineDefault, "C:\\ed.exe"}, {kSettingKey, "C:\\mine.exe"}},
       "C:\\mine.exe", "", true},
      {"the machine's default under a flag that is no number", "NoTrap", {{machineDefault, "1"}, {kSettingKey, "1 "}}, "1",
       "無効: 「1 」は整数でないため、既定値 (1) として扱われます", true},
  };
  for (const Row& row : rows) {
    SetUp();
    fake::AddProgram("C:\\ed.exe");
    fake::AddProgram("C:\\mine.exe");
    for (const auto& [key, text] : row.places) {
      if (text == "#") fake::SetDword(key, row.name, 1);
      else fake::SetValue(key, row.name, os::kRegSz, std::vector<unsigned char>(text.c_str(), text.c_str() + text.size() + 1));
    }
    const std::vector<CurrentValue> values = ReadCurrentValues();
    const CurrentValue& value = *FindCurrentValue(values, row.name);
    EXPECT_EQ(value.effective, row.effective) << row.what;
    EXPECT_EQ(Utf8(StateMark(value)), row.mark) << row.what;
    const std::u16string changed = value.definition.kind == SettingKind::Flag ? (value.effective == "1" ? u"0" : u"1") : u"C:\\x.exe";
    EXPECT_EQ(PlanSave(values, {{row.name, changed}}).changes.size(), row.saved ? 1u : 0u) << row.what;
  }
}

// The preview and the real launcher on the fake, from the same settings,
// do the same on every route: the same command line started, the same
// hand-over to Notepad, or nothing.
TEST_F(SettingsWindowTest, PreviewIsWhatTheLauncherStarts) {
  struct Row {
    const char* what;
    std::vector<std::pair<const char*, const char*>> settings;
    bool notepadKept = true;
  };
  const Row rows[] = {
      {"defaults, Notepad kept in System32", {}},
      {"an editor with arguments after the file",
       {{"Editor", "C:\\Program Files\\Ed\\ed.exe"}, {"ParamEditor", "-n"}, {"FrontEditor", "1"}}},
      {"arguments before the file", {{"Editor", "C:\\ed.exe"}, {"ParamEditor", "/a /b"}}},
      {"an HTML editor of its own",
       {{"Editor", "C:\\ed.exe"}, {"HtmlEditor", "C:\\html.exe"}, {"ParamHtml", "-s"}, {"FrontHtml", "1"}}},
      {"a missing HTML editor takes the normal one", {{"Editor", "C:\\ed.exe"}, {"HtmlEditor", "C:\\gone.exe"}}},
      {"a print editor of its own", {{"PrintEditor", "C:\\print.exe"}, {"ParamPrint", "/p /q"}, {"FrontPrint", "1"}}},
      {"no print editor: the normal one with print arguments", {{"Editor", "C:\\ed.exe"}, {"ParamPrint", ""}}},
      {"a missing print editor prints nothing", {{"Editor", "C:\\ed.exe"}, {"PrintEditor", "C:\\gone.exe"}}},
      {"a missing editor falls back to Notepad", {{"Editor", "C:\\gone.exe"}, {"ParamEditor", "-x"}}},
      {"no editor and no Notepad: nothing starts", {{"Editor", "C:\\gone.exe"}}, false},
      {"an excluded extension goes to Notepad", {{"Editor", "C:\\ed.exe"}, {"NoTrap", "1"}, {"NoTrapExt", "txt"}}},
      {"NoFile off: the example counts as there", {{"Editor", "C:\\ed.exe"}, {"NoFile", "0"}}},
  };
  const std::pair<const char*, const char*> runs[] = {
      {"", kExampleTextFile}, {"", kExampleHtmlFile}, {"/p ", kExampleTextFile}};
  for (const Row& row : rows) {
    SetUp();
    for (const char* program : {"C:\\Program Files\\Ed\\ed.exe", "C:\\ed.exe", "C:\\html.exe", "C:\\print.exe"})
      fake::AddProgram(program);
    if (row.notepadKept) fake::AddProgram("C:\\windows\\system32\\notepa~.exe");
    fake::machine().onBox = [](const fake::Event&) {};
    LauncherSettings typed;
    for (const auto& [name, text] : row.settings) {
      Set(name, text);
      SetSettingByName(&typed, name, text);
    }
    typed.Editor = ReadCurrentValues().front().effective;  // the default when absent
    const CommandPreviews previews = PreviewCommands(typed);
    const MessageText* shown[] = {&previews.normal, &previews.html, &previews.print};
    for (int i = 0; i < 3; ++i) {
      fake::machine().events.clear();
      fake::AddFile(runs[i].second);
      Run(std::string("C:\\Velquin\\notepad.exe ") + runs[i].first + runs[i].second);
      std::string launched;
      for (const fake::Event& e : fake::machine().events)
        if (e.kind == fake::Event::Start) launched += e.commandLine;
        else if (e.kind == fake::Event::Shell) launched += e.file + " " + e.parameters;
      EXPECT_EQ(CommandOf(*shown[i]), launched) << row.what << " run " << i;
    }
  }
}

// A missing editor: the preview takes the launcher's fallback, by the same
// rule, and says so when the launcher would find no editor at all.
TEST_F(SettingsWindowTest, PreviewTakesTheLaunchersFallbackEditor) {
  struct Row {
    const char* what;
    std::uint32_t platform;
    bool versionQueryFails;
    std::vector<const char*> programs;
    const char* normal;  // the preview's normal command line, or its note
  };
  const char* const none = "(起動しません: エディタもメモ帳も見つかりません)";
  const Row rows[] = {
      {"nt, System32's copy", 2, false, {"C:\\windows\\system32\\notepa~.exe"},
       "C:\\windows\\system32\\notepa~.exe \"C:\\Docs\\memo.txt\""},
      {"nt, only the Windows directory's copy", 2, false, {"C:\\windows\\notepa~.exe"}, none},
      {"95, the Windows directory's copy", 1, false, {"C:\\windows\\notepa~.exe"},
       "C:\\windows\\notepa~.exe \"C:\\Docs\\memo.txt\""},
      {"95, only System32's copy", 1, false, {"C:\\windows\\system32\\notepa~.exe"}, none},
      {"the platform unknown", 2, true, {"C:\\windows\\notepa~.exe"},
       "C:\\windows\\notepa~.exe \"C:\\Docs\\memo.txt\""},
  };
  for (const Row& row : rows) {
    SetUp();
    fake::machine().platformId = row.platform;
    fake::machine().versionQueryFails = row.versionQueryFails;
    for (const char* program : row.programs) fake::AddProgram(program);
    fake::AddFile(kExampleTextFile);
    fake::machine().onBox = [](const fake::Event&) {};
    LauncherSettings typed;
    typed.Editor = "C:\\gone.exe";
    EXPECT_EQ(Utf8(PreviewCommands(typed).normal), row.normal) << row.what;
    Set("Editor", typed.Editor);
    Run(std::string("C:\\Velquin\\notepad.exe ") + kExampleTextFile);
    const std::vector<std::string> starts = Starts();
    EXPECT_EQ(starts.empty() ? none : starts[0], row.normal) << row.what << ": the launcher";
  }
}

TEST_F(SettingsWindowTest, PreviewSaysWhenNothingWouldStart) {
  LauncherSettings typed;
  typed.Editor = "C:\\gone.exe";
  typed.PrintEditor = "C:\\gone-too.exe";
  EXPECT_EQ(Utf8(PreviewCommands(typed).print), "(起動しません: エディタもメモ帳も見つかりません)");
  fake::AddProgram("C:\\windows\\system32\\notepa~.exe");
  EXPECT_EQ(Utf8(PreviewCommands(typed).print), "(印刷しません: 印刷に使うエディタが見つかりません)");
}

TEST_F(SettingsWindowTest, SaveWritesOnlyWhatChanged) {
  struct Row {
    const char* what;
    std::vector<std::pair<const char*, const char*>> before;
    std::vector<FieldInput> inputs;
    std::vector<std::pair<const char*, std::optional<std::string>>> after;  // nullopt: absent
  };
  const std::string z("\0", 1);
  const Row rows[] = {
      {"an absent value shown as its default stays absent", {}, {{"IeExt", u"htm"}, {"NoFile", u"1"}},
       {{"IeExt", std::nullopt}, {"NoFile", std::nullopt}}},
      {"an invalid flag left alone keeps its text", {{"NoFile", "1 "}}, {{"NoFile", u"1"}}, {{"NoFile", "1 " + z}}},
      {"a flag is written as 0 or 1", {{"FrontEditor", "$1"}}, {{"FrontEditor", u"0"}, {"NoTrap", u"1"}},
       {{"FrontEditor", "0" + z}, {"NoTrap", "1" + z}}},
      {"an emptied text is written empty", {}, {{"IeExt", u""}}, {{"IeExt", z}}},
      {"back to the default removes a present value", {{"IeExt", "txt"}, {"Ie4Temp", "1"}},
       {{"IeExt", u"htm", true}, {"Ie4Temp", u"0", true}, {"NoFile", u"1", true}},
       {{"IeExt", std::nullopt}, {"Ie4Temp", std::nullopt}, {"NoFile", std::nullopt}}},
      {"values the dialog does not show are never written", {{"UseLan", "1"}},
       {{"UseLan", u"0"}, {"DoNotepadPrint", u"1"}, {"Rewrite", u"0"}}, {{"UseLan", "1" + z}, {"Rewrite", std::nullopt}}},
      {"Japanese text in the ANSI code page", {}, {{"ParamEditor", u"-t \x8868"}},
       {{"ParamEditor", "-t \x95\x5c" + z}}},
  };
  for (const Row& row : rows) {
    SetUp();
    for (const auto& [name, text] : row.before) Set(name, text);
    const SavePlan plan = PlanSave(ReadCurrentValues(), row.inputs);
    EXPECT_FALSE(HasRefusal(plan)) << row.what;
    EXPECT_EQ(ApplyChanges(plan.changes), std::nullopt) << row.what;
    for (const auto& [name, value] : row.after) EXPECT_EQ(Stored(name), value) << row.what << ": " << name;
  }
}

// Each value the dialog does not show, on its own: whatever an input says
// of it, to another text or back to its default, the stored value stays.
TEST_F(SettingsWindowTest, EachHiddenValueIsNeverWrittenNorRemoved) {
  struct Row {
    const char* name;
    std::optional<std::string> before;  // nullopt: absent
    std::u16string input;               // differs from what the launcher uses
  };
  const Row rows[] = {
      {"DoNotepadPrint", std::nullopt, u"1"},
      {"DoNotepadPrint", "0", u"1"},
      {"UseLan", std::nullopt, u"1"},
      {"UseLan", "1", u"0"},
      {"Rewrite", std::nullopt, u"0"},
      {"Rewrite", "0", u"1"},
      {"LanTempDir", std::nullopt, u"C:\\Lan"},
      {"LanTempDir", "C:\\Lan", u""},
      {"CopyLocal", std::nullopt, u"0"},
      {"CopyLocal", "0", u"1"},
  };
  for (const Row& row : rows) {
    for (const bool toDefault : {false, true}) {
      SetUp();
      if (row.before) Set(row.name, *row.before);
      const SavePlan plan = PlanSave(ReadCurrentValues(), {{row.name, row.input, toDefault}});
      EXPECT_TRUE(plan.changes.empty() && plan.checks.empty()) << row.name << (toDefault ? " to default" : "");
      EXPECT_EQ(ApplyChanges(plan.changes), std::nullopt) << row.name;
      const std::optional<std::string> kept = row.before ? std::optional<std::string>(*row.before + '\0') : std::nullopt;
      EXPECT_EQ(Stored(row.name), kept) << row.name << (toDefault ? " to default" : "");
    }
  }
}

TEST_F(SettingsWindowTest, ChecksBeforeSaving) {
  struct Row {
    FieldInput input;
    bool refused;
    std::string text;          // the checks' texts, one a line; "" when there is none
    const char* stored = "x";  // the value as read
  };
  const std::string notepad =
      "メモ帳 (notepad.exe) を指定すると、Velquin が保管しているメモ帳 (notepa~.exe) で開きます。";
  const Row rows[] = {
      {{"IeExt", u".htm"}, true, "一時ファイルに付ける拡張子は「.」を付けずに入力してください (例: htm)。"},
      {{"ParamHtml", u"\x00e9"}, true,
       "「HTML ソースのエディタの引数」に、このシステムの文字コードで表せない文字があります。"
       "Velquin は設定をその文字コードで読むため、保存できません。"},
      {{"Editor", u"C:\\gone.exe"}, false,
       "エディタ「C:\\gone.exe」が見つかりません。"
       "このまま保存すると、Velquin はファイルを開くたびに通知を表示してから、メモ帳で開きます。"},
      {{"Editor", u""}, false,
       "エディタが空です。このまま保存すると、Velquin はファイルを開くたびに通知を表示してから、メモ帳で開きます。"},
      {{"HtmlEditor", u"C:\\gone.exe"}, false,
       "HTML ソースのエディタ「C:\\gone.exe」が見つかりません。"
       "このまま保存すると、Velquin は HTML ファイルを開くたびにエラーを表示してから、通常のエディタで開きます。"},
      {{"PrintEditor", u"C:\\gone.exe"}, false,
       "印刷に使うエディタ「C:\\gone.exe」が見つかりません。"
       "このまま保存すると、Velquin は印刷のたびにエラーを表示し、何も印刷しません。"},
      {{"PrintEditor", u""}, false, ""},
      {{"Editor", u"C:\\ed.exe"}, false, ""},
      {{"Editor", u"C:\\windows\\notepad.exe"}, false, notepad},
      {{"HtmlEditor", u"C:\\WINDOWS\\system32\\NOTEPAD.EXE"}, false, notepad},
      {{"PrintEditor", u"D:\\Tools\\Notepad.exe"}, false, notepad},
      {{"Editor", u"C:\\Tools\\mynotepad.exe"}, false, ""},
      {{"HtmlEditor", u"C:\\Tools\\notepad.exe.bak"}, false, ""},
      // A 0x5C second byte is no folder mark: the file is "x表notepad.exe".
      {{"Editor", u"C:\\x\x8868notepad.exe"}, false, ""},
      // Left as read, a notepad.exe path was warned of when it was saved.
      {{"Editor", u"C:\\windows\\notepad.exe"}, false, "", "C:\\windows\\notepad.exe"},
      // Not found now, and once found it would still lead back to Velquin.
      {{"Editor", u"E:/gone/notepad.exe"}, false,
       "エディタ「E:/gone/notepad.exe」が見つかりません。"
       "このまま保存すると、Velquin はファイルを開くたびに通知を表示してから、メモ帳で開きます。\n" + notepad},
      {{"HtmlEditor", u"notepad.exe"}, false,
       "HTML ソースのエディタ「notepad.exe」が見つかりません。"
       "このまま保存すると、Velquin は HTML ファイルを開くたびにエラーを表示してから、通常のエディタで開きます。\n" + notepad},
      {{"PrintEditor", u"E:\\gone\\NotePad.Exe"}, false,
       "印刷に使うエディタ「E:\\gone\\NotePad.Exe」が見つかりません。"
       "このまま保存すると、Velquin は印刷のたびにエラーを表示し、何も印刷しません。\n" + notepad},
  };
  for (const Row& row : rows) {
    SetUp();
    fake::AddProgram("C:\\ed.exe");
    AddNotepadLookAlikes();
    Set(row.input.name, row.stored);
    const SavePlan plan = PlanSave(ReadCurrentValues(), {row.input});
    const std::string what = row.input.name + " " + fake::FromUtf16(row.input.text);
    EXPECT_EQ(HasRefusal(plan), row.refused) << what;
    std::string texts;
    for (const SaveCheck& check : plan.checks) texts += (texts.empty() ? "" : "\n") + Utf8(check.text);
    EXPECT_EQ(texts, row.text) << what;
  }
}

// The mark follows what is typed, before anything is saved.
TEST_F(SettingsWindowTest, InputMarkSaysWhatTheTypedPathDoes) {
  struct Row {
    const char* name;
    const char* stored;
    const char* typed;
    const char* mark;
  };
  const Row rows[] = {
      {"Editor", "C:\\ed.exe", "C:\\windows\\notepad.exe", "notepad.exe: 保管しているメモ帳で開きます"},
      {"PrintEditor", "", "D:\\Tools\\Notepad.exe", "notepad.exe: 保管しているメモ帳で開きます"},
      {"PrintEditor", "D:\\Tools\\Notepad.exe", "D:\\Tools\\Notepad.exe", "notepad.exe: 保管しているメモ帳で開きます"},
      {"Editor", "C:\\ed.exe", "C:\\Tools\\mynotepad.exe", "変更あり (まだ保存していません)"},
      {"Editor", "C:\\windows\\notepad.exe", "E:\\gone\\notepad.exe", "見つかりません: 通知のあと、メモ帳で開きます"},
  };
  for (const Row& row : rows) {
    SetUp();
    fake::AddProgram("C:\\ed.exe");
    AddNotepadLookAlikes();
    Set(row.name, row.stored);
    EXPECT_EQ(Utf8(InputMark(Value(row.name), row.typed, false)), row.mark) << row.name << " " << row.typed;
  }
}

TEST_F(SettingsWindowTest, AFailedWritePutsBackWhatThisSaveWrote) {
  Set("ParamEditor", "old");
  fake::AddKey(kSettingKey).refusedValues = {"ParamHtml"};
  const SavePlan plan = PlanSave(ReadCurrentValues(), {{"ParamEditor", u"new"}, {"IeExt", u"txt"}, {"ParamHtml", u"-x"}});
  EXPECT_EQ(ApplyChanges(plan.changes), std::optional<std::string>("ParamHtml"));
  EXPECT_EQ(Stored("ParamEditor"), std::string("old\0", 4));
  EXPECT_EQ(Stored("IeExt"), std::nullopt);
  EXPECT_EQ(Stored("ParamHtml"), std::nullopt);
}

}  // namespace
}  // namespace velquin
