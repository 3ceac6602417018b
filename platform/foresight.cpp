#include "platform/foresight.h"

#include <map>
#include <utility>

namespace velquin {
namespace {

std::u16string Lower(std::u16string text) {
  if (!text.empty()) os::LowerCaseBufferW(&text[0], static_cast<std::uint32_t>(text.size()));
  return text;
}

// A key by its hive and lower-cased path: "m\software\...". Its views are
// taken as one: the keys read through both (Image File Execution Options)
// are one key in both since Windows 7; every other is read through one.
std::u16string KeyId(const RegistryKey& key) {
  return (key.root == os::kCurrentUser ? u"u\\" : u"m\\") + Lower(key.path);
}

// The id of the key that holds this one, empty at the hive.
std::u16string ParentId(const std::u16string& id) {
  const std::size_t cut = id.rfind(u'\\');
  return id.find(u'\\') == cut ? std::u16string() : id.substr(0, cut);
}

struct KeyState {
  std::u16string name;   // the key's own name, as first written
  bool exists = false;   // made by a value written
  bool cleared = false;  // deleted: only values written after count
};

struct ForeseenValueState {
  std::u16string name;
  std::optional<RegistryData> data;  // nullopt: deleted
};

}  // namespace

struct ForesightState {
  std::map<std::u16string, KeyState> keys;                               // by KeyId
  std::map<std::pair<std::u16string, std::u16string>, ForeseenValueState> values;  // KeyId, lower-cased name
  std::map<std::u16string, std::optional<std::u16string>> files;         // lower-cased path: content's path
  std::map<std::u16string, bool> folders;
};

namespace {

ForesightState* g_state = nullptr;

bool Cleared(std::u16string id) {
  for (; !id.empty(); id = ParentId(id)) {
    const auto found = g_state->keys.find(id);
    if (found != g_state->keys.end() && found->second.cleared) return true;
  }
  return false;
}

bool IsUnder(const std::u16string& id, const std::u16string& ancestor) {
  return id == ancestor || (id.size() > ancestor.size() && id.compare(0, ancestor.size(), ancestor) == 0 &&
                            id[ancestor.size()] == u'\\');
}

void SetValue(const SystemChange& change) {
  const std::u16string id = KeyId(change.key);
  std::u16string path = change.key.path;
  for (std::u16string at = id; !at.empty(); at = ParentId(at)) {
    KeyState& key = g_state->keys[at];
    key.exists = true;
    const std::size_t cut = path.rfind(u'\\');
    if (key.name.empty()) key.name = path.substr(cut + 1);
    path.resize(cut == std::u16string::npos ? 0 : cut);
  }
  g_state->values[{id, Lower(change.name)}] = {change.name, change.data};
}

void DeleteKey(const SystemChange& change) {
  if (change.onlyIfEmpty && (!RegistrySubkeyNames(change.key).empty() || !RegistryValueNames(change.key).empty()))
    return;
  const std::u16string id = KeyId(change.key);
  for (auto& [known, key] : g_state->keys)
    if (IsUnder(known, id)) key.exists = false, key.cleared = true;
  KeyState& key = g_state->keys[id];
  key.exists = false;
  key.cleared = true;
  for (auto value = g_state->values.begin(); value != g_state->values.end();)
    value = IsUnder(value->first.first, id) ? g_state->values.erase(value) : std::next(value);
}

void Foresee(const SystemChange& change) {
  using Kind = SystemChange::Kind;
  switch (change.kind) {
    case Kind::SetValue:
      SetValue(change);
      break;
    case Kind::DeleteValue:
      g_state->values[{KeyId(change.key), Lower(change.name)}] = {change.name, std::nullopt};
      break;
    case Kind::DeleteKey:
      DeleteKey(change);
      break;
    case Kind::CopyFile: {
      const std::u16string content = ForeseenFile(change.source);
      g_state->files[Lower(change.path)] =
          content.empty() ? std::nullopt : std::optional<std::u16string>(content);
      break;
    }
    case Kind::RemoveFile:
      g_state->files[Lower(change.path)] = std::nullopt;
      break;
    case Kind::MakeDirectory:
      g_state->folders[Lower(change.path)] = true;
      break;
    case Kind::RemoveDirectory:
      g_state->folders[Lower(change.path)] = false;
      break;
    case Kind::Run:
    case Kind::TakeOver:
      break;  // a program's own doings (a shortcut, rights) are not foreseen
  }
}

}  // namespace

// One within another foresees the outer one's changes too.
Foresight::Foresight(const std::vector<SystemChange>& changes) : outer_(g_state) {
  g_state = outer_ ? new ForesightState(*outer_) : new ForesightState;
  for (const SystemChange& change : changes) Foresee(change);
}

Foresight::~Foresight() {
  delete g_state;
  g_state = outer_;
}

std::optional<std::optional<RegistryData>> ForeseenValue(const RegistryKey& key, const std::u16string& name) {
  if (!g_state) return std::nullopt;
  const std::u16string id = KeyId(key);
  const auto found = g_state->values.find({id, Lower(name)});
  if (found != g_state->values.end()) return found->second.data;
  if (Cleared(id)) return std::optional<RegistryData>();
  return std::nullopt;
}

std::optional<bool> ForeseenKeyExists(const RegistryKey& key) {
  if (!g_state) return std::nullopt;
  const std::u16string id = KeyId(key);
  const auto found = g_state->keys.find(id);
  if (found != g_state->keys.end() && found->second.exists) return true;
  if (Cleared(id)) return false;
  return std::nullopt;
}

void AmendForeseenNames(const RegistryKey& key, bool values, std::vector<std::u16string>* names) {
  if (!g_state) return;
  const std::u16string id = KeyId(key);
  if (Cleared(id)) names->clear();
  std::map<std::u16string, std::u16string> listed;  // lower-cased: as named
  for (const std::u16string& name : *names) listed[Lower(name)] = name;
  if (values) {
    for (const auto& [place, value] : g_state->values) {
      if (place.first != id) continue;
      if (value.data) listed[place.second] = value.name;
      else listed.erase(place.second);
    }
  } else {
    for (const auto& [child, state] : g_state->keys) {
      if (ParentId(child) != id) continue;
      const std::u16string lower = child.substr(child.rfind(u'\\') + 1);
      if (state.exists) listed[lower] = state.name;
      else listed.erase(lower);
    }
  }
  names->clear();
  for (const auto& [lower, name] : listed) names->push_back(name);
}

std::u16string ForeseenFile(const std::u16string& path) {
  if (!g_state) return path;
  const auto found = g_state->files.find(Lower(path));
  if (found == g_state->files.end()) return path;
  return found->second ? *found->second : std::u16string();
}

std::optional<bool> ForeseenFolder(const std::u16string& path) {
  if (!g_state) return std::nullopt;
  const auto found = g_state->folders.find(Lower(path));
  if (found == g_state->folders.end()) return std::nullopt;
  return found->second;
}

}  // namespace velquin
