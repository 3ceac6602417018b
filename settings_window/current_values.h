// The settings key as the launcher would read it now, value by value, with
// what the user should know about each: a default because the value is
// absent, an emptiness that matters, a text the launcher cannot use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "settings/setting_places.h"
#include "settings/setting_table.h"

namespace velquin {

enum class ValueState {
  Absent,     // the default applies
  Present,    // used as stored
  Empty,      // present and empty: not the default
  Invalid,    // a flag whose text is no integer: the default applies
  WrongType,  // not a string: the launcher stops with its error report
};

// The state is the user's own value's; the launcher uses a policy's value
// instead, and the machine's default where the user's gives way to the
// default.
struct CurrentValue {
  SettingDefinition definition;
  ValueState state = ValueState::Absent;
  std::uint32_t type = 0;  // the registry type, when present
  std::string stored;      // the stored text, ANSI, when it is text
  std::string effective;   // what the launcher uses: the text, or "0"/"1"
  SettingSource source = SettingSource::BuiltIn;  // where effective comes from
  std::string fallback;    // the default: the machine's, else the built-in one
};

// Reads every value of the table; creates and writes nothing.
std::vector<CurrentValue> ReadCurrentValues();
// The settings key refuses writing (an administrator locked it by policy):
// the dialog shows the values but cannot save them.
bool SettingsAreLocked();
MessageText LockedNotice();
// The values the dialog shows and may write; the others it never touches.
bool IsShownSetting(const std::string& name);
// Set by an administrator's policy: shown, never written.
bool IsHeldByPolicy(const CurrentValue& value);
const CurrentValue* FindCurrentValue(const std::vector<CurrentValue>& values, const std::string& name);

// The text a field starts with: what the launcher uses.
std::string ShownText(const CurrentValue& value);
// The mark beside a field: empty for a value used as stored, a note for
// an editor path that names no file or names notepad.exe.
MessageText StateMark(const CurrentValue& value);
// The mark for what a field holds now: the loaded one while it is as
// loaded, else what the new text means.
MessageText InputMark(const CurrentValue& loaded, const std::string& text, bool toDefault);
// For an editor path that names no file: what the launcher then does.
MessageText MissingEditorNote(const std::string& name);
// The same, said in full for the warning before saving.
MessageText MissingEditorConsequence(const std::string& name);
// An editor path naming notepad.exe leads back to Velquin, which stands in
// its place; the launcher then opens the file in the kept Notepad.
bool NamesNotepad(const std::string& path);
MessageText NotepadNote();         // the mark
MessageText NotepadConsequence();  // the warning before saving
// The field's name as the dialog shows it.
MessageText FieldLabel(const std::string& name);

}  // namespace velquin
