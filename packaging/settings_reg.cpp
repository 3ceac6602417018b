#include "packaging/settings_reg.h"

#include <vector>

#include "resources/version.h"
#include "settings/settings.h"

namespace velquin {
namespace {

struct Example {
  const char* text;
};

// A value's line: its default, or for a computed one an example.
struct RegDefault {
  RegDefault(const char* text) : text(text) {}
  RegDefault(Example example) : text(example.text), computed(true) {}
  const char* text;
  bool computed = false;
};

struct RegRow {
  const char* name;
  RegDefault fallback;
  const char* note;
};

const std::vector<RegRow>& Rows() {
  static const std::vector<RegRow> rows = {
#define VELQUIN_COMPUTED(function, example) Example{example}
#define VELQUIN_SETTING(name, kind, fallback, field, note) {setting_names::name, fallback, note},
#include "settings/setting_list.def"
#undef VELQUIN_SETTING
#undef VELQUIN_COMPUTED
  };
  return rows;
}

// A REGEDIT4 string: backslashes and quotes escaped.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// The note's lines as comment lines, the first one naming the value.
std::string Comment(const RegRow& row) {
  std::string comment = std::string("; ") + row.name + ": ";
  for (const char* c = row.note; *c; ++c) comment += *c == '\n' ? std::string("\n; ") : std::string(1, *c);
  return comment + "\n";
}

}  // namespace

std::string SettingsRegText() {
  std::string computed;
  for (const RegRow& row : Rows())
    if (row.fallback.computed) computed += (computed.empty() ? "" : " と ") + std::string(row.name);
  std::string text = std::string("REGEDIT4\n\n; Velquin ") + VELQUIN_VERSION_TEXT + " の設定 (既定値)\n" +
                     "; この .reg ファイルを開いて取り込むと、各値が既定値に戻ります。\n"
                     "; 値はすべて文字列です。フラグは \"1\" (オン) か \"0\" (オフ) で書きます。\n"
                     "; 値を消すと既定値が使われます。ただし空の文字列 (\"\") は既定値ではなく\n"
                     "; 「空」として読まれるので、既定値に戻すときは値ごと消してください。\n"
                     "; 先頭が ; の行は説明です。" +
                     computed +
                     " は Windows ごとに場所が\n"
                     "; 違うので、ここでは書き込まず、説明の行として例だけ示しています。\n\n"
                     "[HKEY_CURRENT_USER\\" + kSettingsKeyPath + "\\" + kSettingsSection + "]\n";
  for (const RegRow& row : Rows())
    text += Comment(row) + (row.fallback.computed ? ";" : "") + Quoted(row.name) + "=" + Quoted(row.fallback.text) + "\n";
  return text;
}

}  // namespace velquin
