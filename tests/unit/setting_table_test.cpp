#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "packaging/policy_templates.h"
#include "packaging/settings_reg.h"
#include "resources/version.h"
#include "settings/settings.h"
#include "settings_window/current_values.h"
#include "settings_window/fields.h"
#include "settings_window/preview.h"
#include "tests/fake/fake_os.h"
#include "tests/unit/launcher_fixture.h"

namespace velquin {
namespace {

using testing::kSettingKey;
using testing::LauncherTest;

// The rows as written, read here on their own so that each consumer is
// checked against them rather than against another consumer.
struct Row {
  const char* name;
  SettingKind kind;
  const char* fixed;  // nullptr: computed
  SettingMember member;
  bool shown;
  bool path;
};

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
#define VELQUIN_COMPUTED(function, example) nullptr
#define VELQUIN_FIELD(controls, label, english) true, false
#define VELQUIN_PATH_FIELD(controls, label, english) true, true
#define VELQUIN_NO_FIELD false, false
#define VELQUIN_SETTING(name, kind, fallback, field, note) \
  {#name, SettingKind::kind, fallback, &LauncherSettings::name, field},
#include "settings/setting_list.def"
#undef VELQUIN_SETTING
#undef VELQUIN_NO_FIELD
#undef VELQUIN_PATH_FIELD
#undef VELQUIN_FIELD
#undef VELQUIN_COMPUTED
  };
  return rows;
}

// A text the value would never hold by default: a flag's other state.
std::string Other(const Row& row) {
  if (row.kind == SettingKind::Flag) return std::string(row.fixed) == "1" ? "0" : "1";
  return std::string("x-") + row.name;
}

// The member's content as its text: a flag's "0" or "1".
std::string Held(const LauncherSettings& s, const Row& row) {
  if (row.kind == SettingKind::Flag) return s.*row.member.flag ? "1" : "0";
  return s.*row.member.text;
}

// Every member but the row's as in a fresh record.
std::vector<std::string> OthersThan(const LauncherSettings& s, const Row& except) {
  std::vector<std::string> held;
  for (const Row& row : Rows())
    if (&row != &except) held.push_back(Held(s, row));
  return held;
}

TEST(SettingTable, EveryRowIsInTheTableInOrderWithItsKindAndMember) {
  const SettingDefinition* d = SettingDefinitions();
  for (const Row& row : Rows()) {
    ASSERT_NE(d->name, nullptr) << row.name << ": the table ends before it";
    EXPECT_STREQ(d->name, row.name);
    EXPECT_EQ(d->kind, row.kind) << row.name;
    EXPECT_TRUE(d->member.text == row.member.text && d->member.flag == row.member.flag) << row.name;
    EXPECT_EQ((row.kind == SettingKind::Text), (d->member.text != nullptr)) << row.name << ": a member of its kind";
    EXPECT_EQ(FindSettingDefinition(row.name), d) << row.name;
    EXPECT_EQ(d->shown, row.shown) << row.name << ": a policy may set it";
    ++d;
  }
  EXPECT_EQ(d->name, nullptr) << "the table holds a value that is no row";
  EXPECT_EQ(FindSettingDefinition("editor"), nullptr) << "names compare exactly";
}

// Each row the window shows is a policy of the templates, named in both
// languages' strings; no other row is.
TEST(SettingTable, EveryShownRowIsAPolicyInBothLanguages) {
  const std::string admx = PolicyAdmxText();
  for (const Row& row : Rows()) {
    const std::string name = row.name;
    EXPECT_EQ(admx.find("<policy name=\"" + name + "\"") != std::string::npos, row.shown) << name;
    EXPECT_EQ(admx.find("valueName=\"" + name + "\"") != std::string::npos, row.shown) << name;
    for (const char* language : {"ja-JP", "en-US"}) {
      const std::string adml = PolicyAdmlText(language);
      EXPECT_EQ(adml.find("<string id=\"" + name + "_Help\">") != std::string::npos, row.shown) << name << " " << language;
      EXPECT_EQ(adml.find("<presentation id=\"" + name + "\">") != std::string::npos,
                row.shown && row.kind == SettingKind::Text)
          << name << " " << language;
    }
  }
}

TEST(SettingTable, TheRecordStartsAtEachFixedDefault) {
  const LauncherSettings fresh;
  for (const Row& row : Rows()) EXPECT_EQ(Held(fresh, row), row.fixed ? row.fixed : "") << row.name;
}

TEST_F(LauncherTest, TheReaderTakesEveryRowStoredAndEveryDefaultAbsent) {
  for (const bool stored : {false, true}) {
    SetUp();
    // The network values are read only with UseLan set.
    Set(setting_names::UseLan, "1");
    for (const Row& row : Rows())
      if (stored) Set(row.name, Other(row));
    Prepare("x");
    const LauncherSettings s = ReadLauncherSettings();
    for (const Row& row : Rows()) {
      const std::string expected = stored || row.member.flag == &LauncherSettings::UseLan
                                       ? Other(row)
                                       : DefaultText(*FindSettingDefinition(row.name));
      EXPECT_EQ(Held(s, row), expected) << row.name << (stored ? " stored" : " absent");
    }
  }
}

TEST_F(LauncherTest, TheWindowReadsEveryRowAndShowsOrHidesEach) {
  const std::vector<CurrentValue> values = ReadCurrentValues();
  ASSERT_EQ(values.size(), Rows().size());
  std::set<int> controls;
  int shown = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const Row& row = Rows()[i];
    EXPECT_STREQ(values[i].definition.name, row.name);
    EXPECT_EQ(values[i].state, ValueState::Absent) << row.name;
    EXPECT_EQ(IsShownSetting(row.name), row.shown) << row.name;
    EXPECT_EQ(IsEditorPath(row.name), row.path) << row.name;
    const FieldControl* field = FindField(row.name);
    if (!row.shown) {
      EXPECT_EQ(field, nullptr) << row.name;
      continue;
    }
    ++shown;
    ASSERT_NE(field, nullptr) << row.name;
    EXPECT_STRNE(field->label, "") << row.name;
    EXPECT_EQ(Render(FieldLabel(row.name)), Render(Fixed(field->label))) << row.name;
    EXPECT_EQ(field->mark, field->control + 1) << row.name;
    EXPECT_EQ(field->browse, row.path ? field->control + 2 : 0) << row.name;
    EXPECT_TRUE(controls.insert(field->control).second) << row.name << ": a control of its own";
  }
  EXPECT_EQ(kFieldCount, shown);
}

// What the user sees: the fields in the dialog's order (the order of the
// checks and of the writes on saving), and the values it never shows.
TEST(SettingTable, TheDialogsFieldsAndTheValuesItLeavesAlone) {
  std::vector<std::string> order;
  for (int i = 0; i < kFieldCount; ++i) order.push_back(kFieldControls[i].name);
  EXPECT_EQ(order, (std::vector<std::string>{"Editor", "ParamEditor", "FrontEditor", "HtmlEditor", "ParamHtml",
                                             "FrontHtml", "PrintEditor", "ParamPrint", "FrontPrint", "NoTrap",
                                             "NoTrapExt", "NoFile", "DoNotepad", "ChangeIeExt", "IeExt", "Ie4Temp", "NoWait"}));
  std::vector<std::string> hidden;
  for (const Row& row : Rows())
    if (!IsShownSetting(row.name)) hidden.push_back(row.name);
  EXPECT_EQ(hidden, (std::vector<std::string>{"DoNotepadPrint", "UseLan", "Rewrite", "LanTempDir", "CopyLocal"}));
}

TEST(SettingTable, ThePreviewTakesEachFieldIntoItsOwnMember) {
  for (const Row& row : Rows()) {
    const LauncherSettings fresh;
    LauncherSettings typed;
    SetSettingByName(&typed, row.name, Other(row));
    EXPECT_EQ(Held(typed, row), Other(row)) << row.name;
    EXPECT_EQ(OthersThan(typed, row), OthersThan(fresh, row)) << row.name << ": another member changed";
  }
  LauncherSettings typed;
  SetSettingByName(&typed, "NoSuchValue", "1");
  EXPECT_EQ(OthersThan(typed, Rows().front()), OthersThan(LauncherSettings(), Rows().front()));
}

// settings.reg: each row's line, its default or (for a computed default)
// a commented example, right under comment lines that start with its name.
TEST(SettingTable, SettingsRegHoldsEveryRowUnderItsComment) {
  std::vector<std::string> lines;
  std::istringstream text(SettingsRegText());
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "REGEDIT4");
  EXPECT_EQ(lines[2], std::string("; Velquin ") + VELQUIN_VERSION_TEXT + " の設定 (既定値)");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "; 先頭が ; の行は説明です。Editor と LanTempDir は Windows ごとに場所が"),
            lines.end());
  const auto section = std::find(lines.begin(), lines.end(), "[HKEY_CURRENT_USER\\Software\\Tarrowind\\Velquin\\Setting]");
  ASSERT_NE(section, lines.end());
  auto at = section + 1;
  for (const Row& row : Rows()) {
    const std::string name = std::string("\"") + row.name + "\"=";
    ASSERT_NE(at, lines.end()) << row.name << ": missing";
    EXPECT_EQ(at->rfind(std::string("; ") + row.name + ": ", 0), 0u) << row.name << ": " << *at;
    while (at != lines.end() && at->rfind("; ", 0) == 0) ++at;
    ASSERT_NE(at, lines.end()) << row.name << ": no value line";
    if (row.fixed) EXPECT_EQ(*at, name + "\"" + row.fixed + "\"") << row.name;
    else EXPECT_EQ(at->rfind(";" + name + "\"", 0), 0u) << row.name << ": " << *at;
    ++at;
  }
  EXPECT_EQ(at, lines.end()) << "lines after the last value";
}

}  // namespace
}  // namespace velquin
