// Saving the dialog: only what the user changed is written, each value is
// checked first, and a save that fails half-way puts back what it wrote.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "settings_window/current_values.h"

namespace velquin {

// What the dialog holds for one shown value.
struct FieldInput {
  std::string name;
  std::u16string text;     // a flag's is u"0" or u"1"
  bool toDefault = false;  // set back to its default: the value is removed
};

struct Change {
  std::string name;
  bool remove = false;
  std::string text;  // ANSI, written as REG_SZ
};

struct SaveCheck {
  bool refusal = false;  // else a warning the user may accept
  MessageText text;
};

struct SavePlan {
  std::vector<Change> changes;
  std::vector<SaveCheck> checks;
};

// Compares the inputs with the values as read; an input left as it was
// read changes nothing, so an absent value stays absent.
SavePlan PlanSave(const std::vector<CurrentValue>& loaded, const std::vector<FieldInput>& inputs);
bool HasRefusal(const SavePlan& plan);

// Writes the changes in order. On a failure the values this save had
// already written are put back as they were, and the failed value's name
// is returned.
std::optional<std::string> ApplyChanges(const std::vector<Change>& changes);

}  // namespace velquin
