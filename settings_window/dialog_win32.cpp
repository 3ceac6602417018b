#include "settings_window/dialog_win32.h"

#include <commdlg.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/os.h"
#include "settings/setting_table.h"
#include "settings_window/control_ids.h"
#include "settings_window/current_values.h"
#include "settings_window/fields.h"
#include "settings_window/preview.h"
#include "settings_window/save.h"

namespace velquin {
namespace {

const wchar_t kCaption[] = L"Velquin の設定";

// What one dialog holds besides its controls.
struct DialogState {
  std::vector<CurrentValue> loaded;
  std::vector<bool> toDefault = std::vector<bool>(kFieldCount, false);
  bool filling = false;  // the dialog itself is setting the controls
};

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
std::wstring WideOfAnsi(const std::string& text) { return Wide(os::MultiByteToWideChar(os::kCodePageAnsi, text)); }
std::wstring WideOf(const MessageText& text) { return Wide(Render(text)); }

// For the preview and the marks only: a character without a counterpart
// becomes the default character here; saving refuses such text.
std::string AnsiOf(const std::wstring& wide) {
  const std::u16string text(wide.begin(), wide.end());
  bool lossy = false;
  return os::WideCharToMultiByte(os::kCodePageAnsi, os::kNoBestFitChars, text, &lossy);
}

bool IsFlag(const FieldControl& field) {
  return FindSettingDefinition(field.name)->kind == SettingKind::Flag;
}

std::wstring ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, &text[0], static_cast<int>(text.size()))));
  return text;
}

// A flag's text is "0" or "1", the way it is written.
std::wstring FieldText(HWND dialog, const FieldControl& field) {
  if (IsFlag(field)) return IsDlgButtonChecked(dialog, field.control) == BST_CHECKED ? L"1" : L"0";
  return ControlText(dialog, field.control);
}

const CurrentValue& Loaded(const DialogState& state, const FieldControl& field) {
  return *FindCurrentValue(state.loaded, field.name);
}

void ShowMark(HWND dialog, const DialogState& state, int index) {
  const FieldControl& field = kFieldControls[index];
  const MessageText mark =
      InputMark(Loaded(state, field), AnsiOf(FieldText(dialog, field)), state.toDefault[static_cast<std::size_t>(index)]);
  SetDlgItemTextW(dialog, field.mark, WideOf(mark).c_str());
}

void ShowPreview(HWND dialog) {
  LauncherSettings settings;
  for (int i = 0; i < kFieldCount; ++i)
    SetSettingByName(&settings, kFieldControls[i].name, AnsiOf(FieldText(dialog, kFieldControls[i])));
  const CommandPreviews previews = PreviewCommands(settings);
  SetDlgItemTextW(dialog, IDC_PREVIEW_NORMAL, WideOf(previews.normal).c_str());
  SetDlgItemTextW(dialog, IDC_PREVIEW_HTML, WideOf(previews.html).c_str());
  SetDlgItemTextW(dialog, IDC_PREVIEW_PRINT, WideOf(previews.print).c_str());
}

void SetField(HWND dialog, const FieldControl& field, const std::string& ansi) {
  if (IsFlag(field)) CheckDlgButton(dialog, field.control, ansi == "1" ? BST_CHECKED : BST_UNCHECKED);
  else SetDlgItemTextW(dialog, field.control, WideOfAnsi(ansi).c_str());
}

// A value held by policy is shown, and cannot be changed here.
void AllowChange(HWND dialog, const FieldControl& field, bool allowed) {
  if (IsFlag(field)) EnableWindow(GetDlgItem(dialog, field.control), allowed);
  else SendMessageW(GetDlgItem(dialog, field.control), EM_SETREADONLY, !allowed, 0);
  if (field.browse) EnableWindow(GetDlgItem(dialog, field.browse), allowed);
}

// Every field from the settings key as it is now.
void Load(HWND dialog, DialogState* state) {
  state->loaded = ReadCurrentValues();
  state->toDefault.assign(kFieldCount, false);
  state->filling = true;
  for (int i = 0; i < kFieldCount; ++i) {
    const CurrentValue& value = Loaded(*state, kFieldControls[i]);
    SetField(dialog, kFieldControls[i], ShownText(value));
    AllowChange(dialog, kFieldControls[i], !IsHeldByPolicy(value));
  }
  state->filling = false;
  for (int i = 0; i < kFieldCount; ++i) ShowMark(dialog, *state, i);
  ShowPreview(dialog);
}

// Shown as they are, the settings cannot be saved from here: nothing that
// would write is offered.
void ShowLocked(HWND dialog) {
  SetDlgItemTextW(dialog, IDC_LOCKED, WideOf(LockedNotice()).c_str());
  for (int id : {IDOK, IDC_APPLY, IDC_DEFAULTS}) EnableWindow(GetDlgItem(dialog, id), FALSE);
  SendMessageW(dialog, DM_SETDEFID, IDCANCEL, 0);
}

int Ask(HWND dialog, const MessageText& text, UINT style) {
  return MessageBoxW(dialog, WideOf(text).c_str(), kCaption, style);
}

MessageText Joined(const std::vector<SaveCheck>& checks, bool refusals) {
  MessageText text;
  for (const SaveCheck& check : checks) {
    if (check.refusal != refusals) continue;
    if (!IsEmpty(text)) text = text + Fixed("\r\n\r\n");
    text = text + check.text;
  }
  return text;
}

// OK and Apply: true when the settings key now holds what the dialog shows.
bool Save(HWND dialog, DialogState* state) {
  std::vector<FieldInput> inputs;
  for (int i = 0; i < kFieldCount; ++i) {
    const std::wstring typed = FieldText(dialog, kFieldControls[i]);
    inputs.push_back({kFieldControls[i].name, std::u16string(typed.begin(), typed.end()),
                      state->toDefault[static_cast<std::size_t>(i)]});
  }
  const SavePlan plan = PlanSave(state->loaded, inputs);
  if (HasRefusal(plan)) {
    Ask(dialog, Joined(plan.checks, true) + Fixed("\r\n\r\n保存していません。"), MB_OK | MB_ICONERROR);
    return false;
  }
  const MessageText warnings = Joined(plan.checks, false);
  if (!IsEmpty(warnings) &&
      Ask(dialog, warnings + Fixed("\r\n\r\nこのまま保存しますか?"), MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) != IDOK)
    return false;
  if (const std::optional<std::string> failed = ApplyChanges(plan.changes)) {
    Ask(dialog,
        Fixed("「") + FieldLabel(*failed) + Fixed("」(") + Ansi(*failed) +
            Fixed(") を設定に書き込めませんでした。\r\nこの保存で書き込んだ値は元に戻したので、設定は保存の前のままです。"),
        MB_OK | MB_ICONERROR);
    return false;
  }
  Load(dialog, state);
  return true;
}

void ResetToDefaults(HWND dialog, DialogState* state) {
  if (Ask(dialog,
          Fixed("表示しているすべての設定を既定値に戻します。\r\n"
                "OK または適用を押すと、これらの値を設定から削除します。\r\n\r\nよろしいですか?"),
          MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return;
  state->filling = true;
  for (int i = 0; i < kFieldCount; ++i) {
    const CurrentValue& value = Loaded(*state, kFieldControls[i]);
    if (IsHeldByPolicy(value)) continue;
    SetField(dialog, kFieldControls[i], value.fallback);
    state->toDefault[static_cast<std::size_t>(i)] = true;
  }
  state->filling = false;
  for (int i = 0; i < kFieldCount; ++i) ShowMark(dialog, *state, i);
  ShowPreview(dialog);
}

void Browse(HWND dialog, const FieldControl& field) {
  wchar_t path[MAX_PATH] = L"";
  const std::wstring current = ControlText(dialog, field.control);
  if (current.size() < MAX_PATH) current.copy(path, current.size());
  OPENFILENAMEW open = {};
  open.lStructSize = sizeof open;
  open.hwndOwner = dialog;
  open.lpstrFilter = L"プログラム (*.exe)\0*.exe\0すべてのファイル (*.*)\0*.*\0";
  open.lpstrFile = path;
  open.nMaxFile = MAX_PATH;
  open.lpstrTitle = L"エディタを選ぶ";
  open.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (GetOpenFileNameW(&open)) SetDlgItemTextW(dialog, field.control, path);
}

// A field the user changed: no longer set back to its default.
void FieldChanged(HWND dialog, DialogState* state, int index) {
  if (state->filling) return;
  state->toDefault[static_cast<std::size_t>(index)] = false;
  ShowMark(dialog, *state, index);
  ShowPreview(dialog);
}

void Command(HWND dialog, DialogState* state, int id, int code) {
  for (int i = 0; i < kFieldCount; ++i) {
    const FieldControl& field = kFieldControls[i];
    if (id == field.control && ((code == EN_CHANGE && !IsFlag(field)) || (code == BN_CLICKED && IsFlag(field))))
      return FieldChanged(dialog, state, i);
    if (field.browse && id == field.browse && code == BN_CLICKED) return Browse(dialog, field);
  }
  switch (id) {
    case IDOK:
      if (Save(dialog, state)) EndDialog(dialog, IDOK);
      return;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return;
    case IDC_APPLY: Save(dialog, state); return;
    case IDC_DEFAULTS: ResetToDefaults(dialog, state); return;
  }
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogState* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      state = reinterpret_cast<DialogState*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      HINSTANCE instance = GetModuleHandleW(nullptr);
      SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadIconW(instance, MAKEINTRESOURCEW(IDI_SETTINGS))));
      Load(dialog, state);
      if (SettingsAreLocked()) ShowLocked(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      if (state) Command(dialog, state, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
  }
  return FALSE;
}

}  // namespace

void RunSettingsDialog(HINSTANCE instance) {
  DialogState state;
  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SETTINGS), nullptr, DialogProc, reinterpret_cast<LPARAM>(&state));
}

}  // namespace velquin
