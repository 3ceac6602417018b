// The dialog's fields: which controls show which value, and under what
// name. Made from the settings table's rows; a value without a field is one
// the dialog never shows nor writes.
#pragma once

#include <string>

namespace velquin {

struct FieldControl {
  const char* name;   // the setting's name
  const char* label;  // the field's name as the dialog shows it
  int control;        // edit, or check box for a flag
  int mark;           // the line under it
  int browse;         // the "参照..." button of an editor path, else 0
};

// In the dialog's order, which is the order of their control identifiers.
extern const FieldControl* const kFieldControls;
extern const int kFieldCount;

// Nullptr for a value the dialog does not show.
const FieldControl* FindField(const std::string& name);
// A field that holds an editor's path: browsed for, and marked when the
// file is not there.
bool IsEditorPath(const std::string& name);

}  // namespace velquin
