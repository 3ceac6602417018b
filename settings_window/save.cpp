#include "settings_window/save.h"

#include "platform/files.h"
#include "platform/os.h"
#include "platform/owners.h"
#include "settings/registry_values.h"
#include "settings_window/fields.h"

namespace velquin {
namespace {

constexpr long kValueNotFound = 2;  // ERROR_FILE_NOT_FOUND

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

struct PriorValue {
  bool present = false;
  std::uint32_t type = 0;
  std::vector<unsigned char> data;
};

PriorValue ReadPrior(os::KeyHandle key, const std::string& name) {
  PriorValue prior;
  std::optional<ValueData> value = ReadValueData(key, name);
  if (!value || value->failed) return prior;
  prior.present = true;
  prior.type = value->type;
  prior.data = std::move(value->bytes);
  return prior;
}

long Apply(os::KeyHandle key, const Change& change) {
  if (change.remove) {
    const long status = os::DeleteValue(key, change.name);
    return status == kValueNotFound ? os::kSuccess : status;  // already absent
  }
  std::vector<unsigned char> data(change.text.begin(), change.text.end());
  data.push_back(0);
  return os::SetValue(key, change.name, os::kRegSz, data.data(), static_cast<std::uint32_t>(data.size()));
}

void PutBack(os::KeyHandle key, const std::string& name, const PriorValue& prior) {
  if (prior.present)
    os::SetValue(key, name, prior.type, prior.data.data(), static_cast<std::uint32_t>(prior.data.size()));
  else
    os::DeleteValue(key, name);
}

}  // namespace

SavePlan PlanSave(const std::vector<CurrentValue>& loaded, const std::vector<FieldInput>& inputs) {
  SavePlan plan;
  for (const FieldInput& input : inputs) {
    const CurrentValue* value = FindCurrentValue(loaded, input.name);
    if (!value || !IsShownSetting(input.name)) continue;
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
  if (changes.empty()) return std::nullopt;
  os::KeyHandle created = 0;
  if (os::CreateKey(os::kCurrentUser, SettingsSectionPath(), os::kKeyAllAccess, &created) != os::kSuccess)
    return changes.front().name;
  RegKey key(created);
  std::vector<std::pair<std::string, PriorValue>> written;
  for (const Change& change : changes) {
    PriorValue prior = ReadPrior(key.get(), change.name);
    if (Apply(key.get(), change) != os::kSuccess) {
      for (auto done = written.rbegin(); done != written.rend(); ++done) PutBack(key.get(), done->first, done->second);
      return change.name;
    }
    written.emplace_back(change.name, std::move(prior));
  }
  return std::nullopt;
}

}  // namespace velquin
