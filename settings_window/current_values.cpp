#include "settings_window/current_values.h"

#include <optional>
#include <vector>

#include "platform/files.h"
#include "platform/kept_notepad.h"
#include "platform/os.h"
#include "platform/owners.h"
#include "settings/registry_values.h"
#include "settings_window/fields.h"

namespace velquin {
namespace {

constexpr long kNotFound = 2;  // ERROR_FILE_NOT_FOUND

const char* TypeName(std::uint32_t type) {
  switch (type) {
    case os::kRegBinary: return "REG_BINARY";
    case os::kRegDword: return "REG_DWORD";
    case os::kRegMultiSz: return "REG_MULTI_SZ";
    default: return "REG_NONE";
  }
}

CurrentValue ReadOne(os::KeyHandle key, const SettingDefinition& definition) {
  const std::string builtIn = DefaultText(definition);
  CurrentValue value{definition, ValueState::Absent, 0, "", builtIn, SettingSource::BuiltIn, builtIn};
  if (key == 0) return value;
  const StringRead read = ReadString(key, definition.name);
  if (read.outcome == StringRead::Absent) return value;
  value.type = read.type;
  if (read.outcome != StringRead::Text) {
    value.state = ValueState::WrongType;
    return value;
  }
  const std::string& text = read.text;
  value.stored = text;
  if (definition.kind == SettingKind::Flag) {
    const std::optional<std::int32_t> number = ParseIntegerText(text);
    value.state = number ? ValueState::Present : ValueState::Invalid;
    if (number) value.effective = *number != 0 ? "1" : "0";
    if (number) value.source = SettingSource::User;
    return value;
  }
  value.state = text.empty() ? ValueState::Empty : ValueState::Present;
  value.effective = text;
  value.source = SettingSource::User;
  return value;
}

// As the launcher takes it: a policy's value over the user's own, the
// machine's default where the user's gives way to the default. A value of
// a type the launcher stops on stays as it is.
void Place(const SettingPlaces& places, CurrentValue* value) {
  if (const std::optional<PlacedValue> machine = ReadMachineDefault(places, value->definition)) {
    value->fallback = machine->text;
    if (value->state == ValueState::Absent || value->state == ValueState::Invalid) {
      value->effective = machine->text;
      value->source = SettingSource::MachineDefault;
    }
  }
  if (const std::optional<PlacedValue> policy = ReadPolicyValue(places, value->definition)) {
    value->effective = policy->text;
    value->source = policy->source;
  }
}

// Beside the two boxes that act on a browser's temporary file: a program
// that starts Notepad quoted on its own file directly in %TEMP% and waits
// for it (a commit message, say) has that file renamed or deleted too.
MessageText BrowserFileCaution(const std::string& name, const std::string& effective) {
  using namespace setting_names;
  if ((name == Ie4Temp || name == ChangeIeExt) && effective == "1")
    return Fixed("注意: %TEMP% 直下の他のプログラムのファイルも対象");
  return MessageText{};
}

// What an empty text means, where it means more than "none".
MessageText EmptyMeaning(const std::string& name) {
  using namespace setting_names;
  if (name == Editor) return Fixed("空: 通知のあと、メモ帳で開きます");
  if (name == IeExt) return Fixed("空: 既定の htm ではなく「.」だけが付きます");
  if (name == ParamPrint) return Fixed("空: 既定の /P ではなく、引数を付けません");
  return MessageText{};  // the default is empty too
}

}  // namespace

std::vector<CurrentValue> ReadCurrentValues() {
  os::KeyHandle opened = 0;
  RegKey key;
  if (os::OpenKey(os::kCurrentUser, SettingsSectionPath(), os::kKeyRead, &opened) == os::kSuccess)
    key = RegKey(opened);
  const SettingPlaces places = OpenSettingPlaces();
  std::vector<CurrentValue> values;
  for (const SettingDefinition* definition = SettingDefinitions(); definition->name; ++definition) {
    values.push_back(ReadOne(key.valid() ? key.get() : 0, *definition));
    if (definition->shown) Place(places, &values.back());
  }
  return values;
}

bool SettingsAreLocked() {
  // Saving creates what is missing, so the nearest key that exists decides.
  for (std::string path = SettingsSectionPath(); path.find('\\') != std::string::npos;
       path = path.substr(0, path.rfind('\\'))) {
    os::KeyHandle opened = 0;
    const long status = os::OpenKey(os::kCurrentUser, path, os::kKeyAllAccess, &opened);
    const RegKey key(status == os::kSuccess ? opened : 0);
    if (status != kNotFound) return status == os::kAccessDenied;
  }
  return false;
}

MessageText LockedNotice() { return Fixed("この設定は管理者により変更できないようになっています。"); }

bool IsShownSetting(const std::string& name) { return FindField(name) != nullptr; }

bool IsHeldByPolicy(const CurrentValue& value) {
  return value.source == SettingSource::MachinePolicy || value.source == SettingSource::UserPolicy;
}

const CurrentValue* FindCurrentValue(const std::vector<CurrentValue>& values, const std::string& name) {
  for (const CurrentValue& value : values)
    if (name == value.definition.name) return &value;
  return nullptr;
}

std::string ShownText(const CurrentValue& value) { return value.effective; }

MessageText StateMark(const CurrentValue& value) {
  if (IsHeldByPolicy(value)) return Fixed("管理者がポリシーで設定 (変更できません)");
  switch (value.state) {
    case ValueState::Absent:
      if (value.source == SettingSource::MachineDefault) return Fixed("既定値 (このパソコンの管理者が決めた値)");
      return Fixed("既定値 (設定がありません)");
    case ValueState::Present:
      if (IsEditorPath(value.definition.name) && !IsExistingFile(value.stored))
        return MissingEditorNote(value.definition.name);
      if (IsEditorPath(value.definition.name) && NamesNotepad(value.stored)) return NotepadNote();
      return BrowserFileCaution(value.definition.name, value.effective);
    case ValueState::Empty: return EmptyMeaning(value.definition.name);
    case ValueState::Invalid:
      return Fixed("無効: 「") + Ansi(value.stored) + Fixed("」は整数でないため、既定値 (") +
             Ansi(value.effective) + Fixed(") として扱われます");
    case ValueState::WrongType:
      return Fixed("無効: 文字列でなく ") + Fixed(TypeName(value.type)) +
             Fixed(" のため、Velquin はエラーで止まります。保存すると文字列で書き直します");
  }
  return MessageText{};
}

MessageText InputMark(const CurrentValue& loaded, const std::string& text, bool toDefault) {
  if (toDefault) return Fixed("既定値に戻します: 保存すると、この値を設定から削除します");
  if (text == ShownText(loaded)) return StateMark(loaded);
  const std::string name = loaded.definition.name;
  if (IsEditorPath(name) && !(name != setting_names::Editor && text.empty()) && !IsExistingFile(text))
    return MissingEditorNote(name);
  if (IsEditorPath(name) && NamesNotepad(text)) return NotepadNote();
  if (text.empty() && loaded.definition.kind == SettingKind::Text && !IsEmpty(EmptyMeaning(name)))
    return EmptyMeaning(name);
  if (!IsEmpty(BrowserFileCaution(name, text))) return BrowserFileCaution(name, text);
  return Fixed("変更あり (まだ保存していません)");
}

MessageText MissingEditorConsequence(const std::string& name) {
  using namespace setting_names;
  if (name == Editor)
    return Fixed("このまま保存すると、Velquin はファイルを開くたびに通知を表示してから、メモ帳で開きます。");
  if (name == HtmlEditor)
    return Fixed("このまま保存すると、Velquin は HTML ファイルを開くたびにエラーを表示してから、通常のエディタで開きます。");
  if (name == PrintEditor)
    return Fixed("このまま保存すると、Velquin は印刷のたびにエラーを表示し、何も印刷しません。");
  return MessageText{};
}

bool NamesNotepad(const std::string& path) {
  // Windows takes "/" for "\\" too, and "/" is never a double-byte
  // character's second byte.
  std::string folded = path;
  for (char& c : folded)
    if (c == '/') c = '\\';
  return IsNotepadPath(folded);
}

// The mark's one line has room only for a short form.
MessageText NotepadNote() { return Fixed("notepad.exe: 保管しているメモ帳で開きます"); }

MessageText NotepadConsequence() {
  return Fixed("メモ帳 (notepad.exe) を指定すると、Velquin が保管しているメモ帳 (notepa~.exe) で開きます。");
}

MessageText FieldLabel(const std::string& name) {
  const FieldControl* field = FindField(name);
  return Fixed(field ? field->label : name.c_str());
}

MessageText MissingEditorNote(const std::string& name) {
  using namespace setting_names;
  if (name == Editor) return Fixed("見つかりません: 通知のあと、メモ帳で開きます");
  if (name == HtmlEditor) return Fixed("見つかりません: エラーのあと、通常のエディタで開きます");
  if (name == PrintEditor) return Fixed("見つかりません: エラーを表示し、印刷しません");
  return MessageText{};
}

}  // namespace velquin
