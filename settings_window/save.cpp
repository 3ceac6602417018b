#include "settings_window/save.h"

#include "platform/files.h"
#include "platform/os.h"
#include "platform/system_change.h"
#include "settings/registry_values.h"
#include "settings_window/fields.h"

namespace velquin {
namespace {

// The checks on one changed text, in the order the user reads them.
void CheckChange(const Change& change, std::vector<SaveCheck>* checks) {
  if (change.remove) return;
  if (change.name == setting_names::IeExt && change.text.find('.') != std::string::npos)
    checks->push_back({true, Fixed("一時ファイルに付ける拡張子は「.」を付けずに入力してください (例: htm)。")});
  if (!IsEditorPath(change.name)) return;
  if (change.name == setting_names::Editor && change.text.empty())
    checks->push_back({false, Fixed("エディタが空です。") + MissingEditorConsequence(setting_names::Editor)});
  else if (!change.text.empty() && !IsExistingFile(change.text))
    checks->push_back({false, FieldLabel(change.name) + Fixed("「") + Ansi(change.text) + Fixed("」が見つかりません。") +
                                  MissingEditorConsequence(change.name)});
  // Said besides a missing file: once the path is found it still leads back
  // to Velquin, and the missing warning alone would not tell.
  if (NamesNotepad(change.text)) checks->push_back({false, NotepadConsequence()});
}

}  // namespace

SavePlan PlanSave(const std::vector<CurrentValue>& loaded, const std::vector<FieldInput>& inputs) {
  SavePlan plan;
  for (const FieldInput& input : inputs) {
    const CurrentValue* value = FindCurrentValue(loaded, input.name);
    // A policy's value is the administrator's: saving never writes it.
    if (!value || !IsShownSetting(input.name) || IsHeldByPolicy(*value)) continue;
    if (input.toDefault) {
      if (value->state != ValueState::Absent) plan.changes.push_back({input.name, true, ""});
      continue;
    }
    // Without best fit, so that a character the code page lacks is found
    // rather than silently written as a look-alike.
    bool lossy = false;
    Change change{input.name, false,
                  os::WideCharToMultiByte(os::kCodePageAnsi, os::kNoBestFitChars, input.text, &lossy)};
    if (!lossy && change.text == ShownText(*value)) continue;
    if (lossy) {
      plan.checks.push_back({true, Fixed("「") + FieldLabel(input.name) +
                                       Fixed("」に、このシステムの文字コードで表せない文字があります。"
                                             "Velquin は設定をその文字コードで読むため、保存できません。")});
      continue;
    }
    CheckChange(change, &plan.checks);
    plan.changes.push_back(change);
  }
  return plan;
}

bool HasRefusal(const SavePlan& plan) {
  for (const SaveCheck& check : plan.checks)
    if (check.refusal) return true;
  return false;
}

std::optional<std::string> ApplyChanges(const std::vector<Change>& changes) {
  const RegistryKey key{os::kCurrentUser, os::MultiByteToWideChar(os::kCodePageAnsi, SettingsSectionPath()), 0};
  std::vector<SystemChange> steps;
  for (const Change& change : changes) {
    const std::u16string name = os::MultiByteToWideChar(os::kCodePageAnsi, change.name);
    steps.push_back(change.remove ? DeleteValueChange(key, name, std::nullopt)
                                  : SetValueChange(key, name, TextData(os::MultiByteToWideChar(os::kCodePageAnsi, change.text)),
                                                   std::nullopt));
  }
  const ApplyResult result = ApplySystemChanges(steps);
  if (result.failed) return changes[*result.failed].name;
  return std::nullopt;
}

}  // namespace velquin
