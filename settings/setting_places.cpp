#include "settings/setting_places.h"

#include "platform/os.h"
#include "settings/registry_values.h"

namespace velquin {
namespace {

RegKey OpenForReading(os::KeyHandle root, const std::string& path, std::uint32_t view) {
  os::KeyHandle key = 0;
  return RegKey(os::OpenKey(root, path, os::kKeyRead | view, &key) == os::kSuccess ? key : 0);
}

std::optional<PlacedValue> ReadPlaced(const RegKey& key, const SettingDefinition& definition, SettingSource source) {
  if (!key.valid()) return std::nullopt;
  const StringRead read = ReadString(key.get(), definition.name);
  if (read.outcome != StringRead::Text) return std::nullopt;
  if (definition.kind == SettingKind::Text) return PlacedValue{source, read.text};
  const std::optional<std::int32_t> number = ParseIntegerText(read.text);
  if (!number) return std::nullopt;
  return PlacedValue{source, *number != 0 ? "1" : "0"};
}

}  // namespace

SettingPlaces OpenSettingPlaces() {
  SettingPlaces places;
  places.machinePolicy = OpenForReading(os::kLocalMachine, kPolicySectionPath, os::kView64);
  places.userPolicy = OpenForReading(os::kCurrentUser, kPolicySectionPath, 0);
  places.machineDefault = OpenForReading(os::kLocalMachine, SettingsSectionPath(), os::kView64);
  return places;
}

std::optional<PlacedValue> ReadPolicyValue(const SettingPlaces& places, const SettingDefinition& definition) {
  if (auto value = ReadPlaced(places.machinePolicy, definition, SettingSource::MachinePolicy)) return value;
  return ReadPlaced(places.userPolicy, definition, SettingSource::UserPolicy);
}

std::optional<PlacedValue> ReadMachineDefault(const SettingPlaces& places, const SettingDefinition& definition) {
  return ReadPlaced(places.machineDefault, definition, SettingSource::MachineDefault);
}

}  // namespace velquin
