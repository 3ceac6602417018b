// The dialog's fields: which control shows which value.
#pragma once

namespace velquin {

struct FieldControl {
  const char* name;  // the setting's name
  int control;       // edit, or check box for a flag
  int mark;          // the line under it
  int browse;        // the "参照..." button of an editor path, else 0
};

extern const FieldControl kFieldControls[];
extern const int kFieldCount;

}  // namespace velquin
