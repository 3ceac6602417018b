#include "platform/system_change.h"

#include <cstring>

#include "platform/foresight.h"
#include "platform/owners.h"

namespace velquin {
namespace {

constexpr std::uint32_t kUseStdHandles = 0x100;  // STARTF_USESTDHANDLES
const std::u16string kAsideSuffix = u".velquin-removed";

std::uint32_t Access(const RegistryKey& key, std::uint32_t rights) { return rights | key.view; }

RegKey Open(const RegistryKey& key, std::uint32_t rights) {
  os::KeyHandle handle = 0;
  if (os::OpenKeyW(key.root, key.path, Access(key, rights), &handle) != os::kSuccess) return RegKey();
  return RegKey(handle);
}

std::u16string ParentPath(const std::u16string& path) {
  const std::size_t cut = path.rfind(u'\\');
  return cut == std::u16string::npos ? std::u16string() : path.substr(0, cut);
}

std::u16string LastName(const std::u16string& path) {
  const std::size_t cut = path.rfind(u'\\');
  return cut == std::u16string::npos ? path : path.substr(cut + 1);
}

long DeleteKey(const RegistryKey& key) {
  const std::u16string parent = ParentPath(key.path);
  if (parent.empty()) return os::DeleteKeyW(key.root, key.path, key.view);
  RegKey parentKey = Open({key.root, parent, key.view}, os::kKeyAllAccess);
  if (!parentKey.valid()) return os::kFileNotFound;
  return os::DeleteKeyW(parentKey.get(), LastName(key.path), key.view);
}

long SetValue(const RegistryKey& key, const std::u16string& name, const RegistryData& data) {
  os::KeyHandle handle = 0;
  bool created = false;
  const long status = os::CreateKeyW(key.root, key.path, Access(key, os::kKeyAllAccess), &handle, &created);
  if (status != os::kSuccess) return status;
  RegKey owner(handle);
  return os::SetValueW(handle, name, data.type, data.bytes.data(), static_cast<std::uint32_t>(data.bytes.size()));
}

long DeleteValue(const RegistryKey& key, const std::u16string& name) {
  RegKey owner = Open(key, os::kKeyAllAccess);
  if (!owner.valid()) return os::kFileNotFound;
  return os::DeleteValueW(owner.get(), name);
}

bool RunAndWait(const std::u16string& command) {
  os::StartupInfoW startup;
  startup.flags = kUseStdHandles;  // the tools' own output stays out of ours
  os::ProcessHandles handles;
  if (!os::StartProcessW(command, startup, &handles)) return false;
  const StartedProcess started(handles);
  std::uint32_t code = 1;
  if (os::WaitForSingleObject(started.process(), os::kWaitInfinite) != os::kWaitObject0) return false;
  return os::GetExitCodeProcess(started.process(), &code) && code == 0;
}

bool IsEmpty(const RegistryKey& key) {
  RegKey owner = Open(key, os::kKeyRead);
  std::u16string name;
  return owner.valid() && os::EnumKeyW(owner.get(), 0, &name) == os::kNoMoreItems &&
         os::EnumValueNameW(owner.get(), 0, &name) == os::kNoMoreItems;
}

bool Exists(const std::u16string& path) { return os::FileAttributesW(path) != os::kNoAttributes; }

// What one applied change needs to be put back.
struct Done {
  const SystemChange* change = nullptr;
  std::optional<RegistryData> prior;       // SetValue, DeleteValue
  std::vector<RegistryKey> createdKeys;     // SetValue: deepest first
  bool existed = false;                     // CopyFile, DeleteKey
  std::size_t stepsDone = 0;                // TakeOver
};

// The keys a SetValue is about to make, deepest first.
std::vector<RegistryKey> MissingKeys(const RegistryKey& key) {
  std::vector<RegistryKey> missing;
  for (RegistryKey at = key; !at.path.empty() && !RegistryKeyExists(at); at.path = ParentPath(at.path))
    missing.push_back(at);
  return missing;
}

bool Apply(const SystemChange& change, Done* done) {
  using Kind = SystemChange::Kind;
  done->change = &change;
  switch (change.kind) {
    case Kind::SetValue:
      done->prior = ReadRegistryValue(change.key, change.name);
      done->createdKeys = MissingKeys(change.key);
      return SetValue(change.key, change.name, change.data) == os::kSuccess;
    case Kind::DeleteValue: {
      done->prior = ReadRegistryValue(change.key, change.name);
      if (!done->prior) return true;  // already absent
      return DeleteValue(change.key, change.name) == os::kSuccess;
    }
    case Kind::DeleteKey:
      done->existed = RegistryKeyExists(change.key) && (!change.onlyIfEmpty || IsEmpty(change.key));
      return !done->existed || DeleteKey(change.key) == os::kSuccess;
    case Kind::CopyFile:
      done->existed = Exists(change.path);
      return os::CopyFileOverW(change.source, change.path);
    case Kind::MakeDirectory:
      done->existed = Exists(change.path);
      return done->existed || os::MakeDirectoryW(change.path);
    case Kind::RemoveDirectory:
      return true;  // once the files set aside are gone, at the end
    case Kind::RemoveFile: {
      done->existed = Exists(change.path);
      if (!done->existed) return true;
      // Set aside, not deleted, until every change has succeeded: a failure
      // later can still give it back.
      const std::u16string aside = AsideOf(change);
      if (Exists(aside)) os::RemoveFileW(aside);
      return os::RenameFileW(change.path, aside);
    }
    case Kind::Run:
      return RunAndWait(change.command);
    case Kind::TakeOver:
      for (const auto& step : change.steps) {
        if (!RunAndWait(step.first)) return false;
        ++done->stepsDone;
      }
      return true;
  }
  return false;
}

// Whether what the change did is undone.
bool PutBack(const Done& done) {
  using Kind = SystemChange::Kind;
  const SystemChange& change = *done.change;
  bool back = true;
  switch (change.kind) {
    case Kind::SetValue:
    case Kind::DeleteValue:
      if (done.prior) back = SetValue(change.key, change.name, *done.prior) == os::kSuccess;
      else if (change.kind == Kind::SetValue) back = !ReadRegistryValue(change.key, change.name) ||
                                                     DeleteValue(change.key, change.name) == os::kSuccess;
      for (const RegistryKey& created : done.createdKeys) back = DeleteKey(created) == os::kSuccess && back;
      break;
    case Kind::DeleteKey:
      if (done.existed) {
        os::KeyHandle handle = 0;
        bool created = false;
        back = os::CreateKeyW(change.key.root, change.key.path, Access(change.key, os::kKeyAllAccess), &handle,
                              &created) == os::kSuccess;
        if (back) RegKey(handle).reset();
      }
      break;
    case Kind::CopyFile:
      if (!done.existed) back = !Exists(change.path) || os::RemoveFileW(change.path);
      else if (!change.restoreFrom.empty()) back = os::CopyFileOverW(change.restoreFrom, change.path);
      break;
    case Kind::MakeDirectory:
      if (!done.existed) back = !Exists(change.path) || os::RemoveDirectoryOnlyW(change.path);
      break;
    case Kind::RemoveDirectory:
      break;
    case Kind::RemoveFile:
      if (done.existed) back = Exists(change.path) || os::RenameFileW(AsideOf(change), change.path);
      break;
    case Kind::Run:
      if (!change.undoCommand.empty()) back = RunAndWait(change.undoCommand);
      break;
    case Kind::TakeOver:
      for (std::size_t step = done.stepsDone; step-- > 0;)
        back = RunAndWait(change.steps[step].second) && back;
      break;
  }
  return back;
}

}  // namespace

RegistryData TextData(const std::u16string& text, std::uint32_t type) {
  RegistryData data{type, {}};
  data.bytes.resize((text.size() + 1) * 2, 0);
  std::memcpy(data.bytes.data(), text.data(), text.size() * 2);
  return data;
}

RegistryData DwordData(std::uint32_t value) {
  RegistryData data{os::kRegDword, std::vector<unsigned char>(4)};
  for (int i = 0; i < 4; ++i) data.bytes[i] = static_cast<unsigned char>(value >> (8 * i));
  return data;
}

SystemChange SetValueChange(const RegistryKey& key, const std::u16string& name, const RegistryData& data,
                            std::optional<RegistryData> before) {
  SystemChange change;
  change.kind = SystemChange::Kind::SetValue;
  change.key = key;
  change.name = name;
  change.data = data;
  change.before = std::move(before);
  return change;
}

SystemChange DeleteValueChange(const RegistryKey& key, const std::u16string& name, std::optional<RegistryData> before) {
  SystemChange change = SetValueChange(key, name, {}, std::move(before));
  change.kind = SystemChange::Kind::DeleteValue;
  return change;
}

SystemChange DeleteKeyChange(const RegistryKey& key, bool onlyIfEmpty) {
  SystemChange change;
  change.kind = SystemChange::Kind::DeleteKey;
  change.key = key;
  change.onlyIfEmpty = onlyIfEmpty;
  return change;
}

SystemChange CopyFileChange(const std::u16string& source, const std::u16string& path, const std::u16string& restoreFrom) {
  SystemChange change;
  change.kind = SystemChange::Kind::CopyFile;
  change.source = source;
  change.path = path;
  change.restoreFrom = restoreFrom;
  const std::u16string there = ForeseenFile(path);
  change.replaces = !there.empty() && Exists(there);
  return change;
}

SystemChange DirectoryChange(SystemChange::Kind kind, const std::u16string& path) {
  SystemChange change;
  change.kind = kind;
  change.path = path;
  return change;
}

SystemChange RemoveFileChange(const std::u16string& path, const std::u16string& aside) {
  SystemChange change = DirectoryChange(SystemChange::Kind::RemoveFile, path);
  change.aside = aside;
  return change;
}

SystemChange RunChange(const std::u16string& command, const std::u16string& undoCommand) {
  SystemChange change;
  change.kind = SystemChange::Kind::Run;
  change.command = command;
  change.undoCommand = undoCommand;
  return change;
}

SystemChange TakeOverChange(const std::u16string& path, std::vector<std::pair<std::u16string, std::u16string>> steps,
                            bool givesBack) {
  SystemChange change;
  change.kind = SystemChange::Kind::TakeOver;
  change.path = path;
  change.steps = std::move(steps);
  change.givesBack = givesBack;
  return change;
}

std::u16string AsideOf(const SystemChange& change) {
  return change.aside.empty() ? change.path + kAsideSuffix : change.aside;
}

std::optional<RegistryData> ReadRegistryValue(const RegistryKey& key, const std::u16string& name) {
  if (std::optional<std::optional<RegistryData>> foreseen = ForeseenValue(key, name)) return *foreseen;
  RegKey owner = Open(key, os::kKeyRead);
  if (!owner.valid()) return std::nullopt;
  std::uint32_t type = 0, size = 0;
  if (os::QueryValueW(owner.get(), name, &type, nullptr, &size) != os::kSuccess) return std::nullopt;
  RegistryData data{type, std::vector<unsigned char>(size)};
  if (os::QueryValueW(owner.get(), name, &type, data.bytes.data(), &size) != os::kSuccess) return std::nullopt;
  data.bytes.resize(size);
  return data;
}

bool RegistryKeyExists(const RegistryKey& key) {
  if (const std::optional<bool> foreseen = ForeseenKeyExists(key)) return *foreseen;
  return Open(key, os::kKeyRead).valid();
}

namespace {

std::vector<std::u16string> Names(const RegistryKey& key, long (*enumerate)(os::KeyHandle, std::uint32_t, std::u16string*)) {
  std::vector<std::u16string> names;
  RegKey owner = Open(key, os::kKeyRead);
  if (!owner.valid()) return names;
  std::u16string name;
  for (std::uint32_t index = 0; enumerate(owner.get(), index, &name) == os::kSuccess; ++index) names.push_back(name);
  return names;
}

}  // namespace

std::vector<std::u16string> RegistrySubkeyNames(const RegistryKey& key) {
  std::vector<std::u16string> names = Names(key, os::EnumKeyW);
  AmendForeseenNames(key, false, &names);
  return names;
}

std::vector<std::u16string> RegistryValueNames(const RegistryKey& key) {
  std::vector<std::u16string> names = Names(key, os::EnumValueNameW);
  AmendForeseenNames(key, true, &names);
  return names;
}

ApplyResult ApplySystemChanges(const std::vector<SystemChange>& changes) {
  ApplyResult result;
  std::vector<Done> done;
  done.reserve(changes.size());
  for (std::size_t i = 0; i < changes.size(); ++i) {
    Done step;
    const bool applied = Apply(changes[i], &step);
    if (!applied) {
      // A step that failed half-way (a value written, then its key refused)
      // is put back too, as far as it can be: one that failed whole has
      // nothing to put back.
      PutBack(step);
      for (auto back = done.rbegin(); back != done.rend(); ++back)
        if (!PutBack(*back)) result.notPutBack.push_back(static_cast<std::size_t>(back->change - changes.data()));
      result.failed = i;
      return result;
    }
    done.push_back(std::move(step));
  }
  for (const Done& step : done) {
    const SystemChange& change = *step.change;
    if (change.kind != SystemChange::Kind::RemoveFile || !step.existed) continue;
    const std::u16string aside = AsideOf(change);
    // A running program cannot be deleted: it goes at the next restart.
    if (!os::RemoveFileW(aside)) os::RemoveAtRestartW(aside);
  }
  // A folder that still holds other files is left, and said.
  for (const SystemChange& change : changes)
    if (change.kind == SystemChange::Kind::RemoveDirectory && Exists(change.path) &&
        !os::RemoveDirectoryOnlyW(change.path))
      result.leftFolders.push_back(change.path);
  return result;
}

std::u16string RegistryKeyText(const RegistryKey& key) {
  return (key.root == os::kCurrentUser ? u"HKCU\\" : u"HKLM\\") + key.path;
}

}  // namespace velquin
