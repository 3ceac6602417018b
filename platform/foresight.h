// The system as a list of changes will leave it, without making them.
// While a Foresight lives, the registry reads of system_change.h and the
// file questions asked through ForeseenFile see the changes' results over
// what is there now: what must follow the changes can then be planned, and
// refused, before the first of them is made.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/system_change.h"

namespace velquin {

struct ForesightState;

class Foresight {
 public:
  explicit Foresight(const std::vector<SystemChange>& changes);
  ~Foresight();
  Foresight(const Foresight&) = delete;
  Foresight& operator=(const Foresight&) = delete;

 private:
  ForesightState* outer_;
};

// Each answers from the changes foreseen, or nullopt: ask the system.
std::optional<std::optional<RegistryData>> ForeseenValue(const RegistryKey& key, const std::u16string& name);
std::optional<bool> ForeseenKeyExists(const RegistryKey& key);
// The names the system lists, amended: keys or values foreseen gone or made.
void AmendForeseenNames(const RegistryKey& key, bool values, std::vector<std::u16string>* names);

// Where a file's content is to be read after the changes: the path itself
// when they leave it alone, the file a copy brings there, or empty when
// the changes remove it. A folder: whether it will exist, or nullopt.
std::u16string ForeseenFile(const std::u16string& path);
std::optional<bool> ForeseenFolder(const std::u16string& path);

}  // namespace velquin
