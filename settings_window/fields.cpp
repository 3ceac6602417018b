#include "settings_window/fields.h"

#include <array>
#include <cstddef>

#include "settings/setting_table.h"
#include "settings_window/control_ids.h"

namespace velquin {
namespace {

// Every row of the table; a value without a field has no controls.
constexpr FieldControl kRows[] = {
#define VELQUIN_FIELD(controls, label, english) label, IDC_##controls, IDC_##controls##_MARK, 0
#define VELQUIN_PATH_FIELD(controls, label, english) label, IDC_##controls, IDC_##controls##_MARK, IDC_##controls##_BROWSE
#define VELQUIN_NO_FIELD nullptr, 0, 0, 0
#define VELQUIN_SETTING(name, kind, fallback, field, note) {setting_names::name, field},
#include "settings/setting_list.def"
#undef VELQUIN_SETTING
#undef VELQUIN_NO_FIELD
#undef VELQUIN_PATH_FIELD
#undef VELQUIN_FIELD
};

constexpr std::size_t CountFields() {
  std::size_t count = 0;
  for (const FieldControl& row : kRows) count += row.control != 0;
  return count;
}

// The rows with a field, sorted by control identifier: the table is in
// the launcher's reading order, the dialog has its own.
constexpr std::array<FieldControl, CountFields()> InDialogOrder() {
  std::array<FieldControl, CountFields()> fields{};
  std::size_t count = 0;
  for (const FieldControl& row : kRows) {
    if (row.control == 0) continue;
    std::size_t at = count++;
    for (; at > 0 && fields[at - 1].control > row.control; --at) fields[at] = fields[at - 1];
    fields[at] = row;
  }
  return fields;
}

constexpr std::array<FieldControl, CountFields()> kFields = InDialogOrder();

}  // namespace

const FieldControl* const kFieldControls = kFields.data();
const int kFieldCount = static_cast<int>(kFields.size());

const FieldControl* FindField(const std::string& name) {
  for (const FieldControl& field : kFields)
    if (name == field.name) return &field;
  return nullptr;
}

bool IsEditorPath(const std::string& name) {
  const FieldControl* field = FindField(name);
  return field && field->browse != 0;
}

}  // namespace velquin
