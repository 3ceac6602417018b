#include <algorithm>
#include <set>

#include "platform/kept_notepad.h"
#include "platform/os.h"
#include "platform/owners.h"
#include "setup/file_hash.h"
#include "setup/ifeo.h"
#include "setup/plan.h"
#include "setup/registration.h"

namespace velquin {
namespace {

// Since Windows 7 the IFEO key is one key in both views: whatever view a
// record names, it is put back through the native one.
std::uint32_t ViewOf(const SetupMachine& machine) { return NativeView(machine); }

class UninstallPlanner {
 public:
  UninstallPlanner(const SetupMachine& machine, const Switches& switches)
      : machine_(machine), place_(PlaceOf(machine, switches)), record_(ReadRecord(place_.RecordKey())) {}

  Plan Make();

 private:
  void Say(const std::u16string& line) { plan_.said.push_back(u"Velquin: " + line); }
  void Refuse(const std::u16string& line) { plan_.refusals.push_back(u"Velquin: " + line); }
  // On 64-bit Windows both views of the IFEO key are one key: a value put
  // back through one is not put back again through the other.
  bool FirstTime(const std::u16string& view, const std::u16string& subkey, const std::u16string& name) {
    std::u16string place = (machine_.windows64 ? u"" : view) + u"\\" + subkey + u"\\" + name;
    os::LowerCaseBufferW(&place[0], static_cast<std::uint32_t>(place.size()));
    return handled_.insert(place).second;
  }
  RegistryKey IfeoKey(const std::u16string&, const std::u16string& subkey) const {
    return {os::kLocalMachine, subkey == u"-" ? std::u16string(kIfeoPath) : kIfeoPath + (u"\\" + subkey),
            ViewOf(machine_)};
  }
  void UndoWas(const std::u16string& recordName, const std::u16string& prior);
  void UndoEarlierView(const std::u16string& view);
  void UndoDefaults();
  void UndoRegistration();
  void DeleteTree(const RegistryKey& key);
  void UndoShortcut();
  void UndoReplaced(const std::u16string& role);
  void RemoveRecordedFile(const std::u16string& name);
  void RemoveAtNextSignIn(const std::u16string& file);
  void RemoveRecord();

  const SetupMachine& machine_;
  const InstallPlace place_;
  const Record record_;
  Plan plan_;
  std::set<std::u16string> handled_;
};

Plan UninstallPlanner::Make() {
  if (!record_.exists) {
    Say(u"no installation is recorded. Nothing was changed.");
    return plan_;
  }
  if (!record_.readable) {
    Refuse(u"the record under " + RegistryKeyText(place_.RecordKey()) + u" holds a value that is no text.");
    return plan_;
  }
  if (record_.Package() && !place_.package) {
    // Its files and Apps & features entry are Windows Installer's to remove.
    Refuse(u"installed by the Windows Installer package. Remove it in Settings > Apps > Installed apps.");
    return plan_;
  }
  if (!record_.Package() && place_.package) {
    Say(u"the install recorded is install.cmd's, not the package's: left as it is.");
    return plan_;
  }
  // The IFEO values as they were, then the per-view redirect of the first release.
  for (const auto& [name, text] : record_.values) UndoWas(name, text);
  for (const char16_t* view : {u"N", u"64", u"32"}) UndoEarlierView(view);
  UndoDefaults();
  UndoRegistration();
  UndoShortcut();
  // Notepad back in its place before the programs go, then the copies.
  for (const char16_t* role : kRoles) UndoReplaced(role);
  for (const ProgramFileRow& file : kProgramFiles) RemoveRecordedFile(file.recordName);
  for (const char16_t* role : kRoles) RemoveRecordedFile(std::u16string(record::kCopy) + role);
  if (record_.Has(record::kProgramDir))
    plan_.changes.push_back(
        DirectoryChange(SystemChange::Kind::RemoveDirectory, AccessPath(machine_, record_.Get(record::kProgramDir))));
  if (record_.Has(record::kProgramsDir))
    plan_.changes.push_back(
        DirectoryChange(SystemChange::Kind::RemoveDirectory, AccessPath(machine_, record_.Get(record::kProgramsDir))));
  RemoveRecord();
  if (!plan_.refusals.empty()) plan_.changes.clear();
  Say(u"uninstalled (/" + record_.Get(record::kMode) + u").");
  return plan_;
}

// Was_<view>_<subkey>_<name>: the value as it was before the install. A
// Debugger another program wrote since is left, and a subkey gone since is
// never made again.
void UninstallPlanner::UndoWas(const std::u16string& recordName, const std::u16string& prior) {
  const std::optional<WasName> was = ParseWasName(recordName);
  if (!was) return;
  std::optional<RegistryData> before;
  if (prior != u"-") {
    before = ParseDataText(prior);
    if (!before) {
      Refuse(u"the record's " + recordName + u" (" + prior + u") cannot be read. Nothing was changed.");
      return;
    }
  }
  if (!FirstTime(was->view, was->subkey, was->name)) return;
  const RegistryKey key = IfeoKey(was->view, was->subkey);
  if (!RegistryKeyExists(key)) return;
  const std::optional<RegistryData> current = ReadRegistryValue(key, was->name);
  if (SameText(was->name, kDebugger) && current && *current != TextData(record_.Get(record::kDebugger))) {
    Say(u"the Debugger value of " + RegistryKeyText(key) + u" now names " + TextOf(*current) +
        u", not velquin.exe: left as it is.");
    return;
  }
  if (!before) {
    if (current) plan_.changes.push_back(DeleteValueChange(key, was->name, current));
    return;
  }
  if (!current || *current != *before) plan_.changes.push_back(SetValueChange(key, was->name, *before, current));
}

// The first release wrote Debugger per view and recorded IfeoKey_<view>
// when it made the key.
void UninstallPlanner::UndoEarlierView(const std::u16string& view) {
  const RegistryKey key = IfeoKey(view, u"-");
  const std::u16string* wrote = record_.Find(record::kEarlierDebugger + view);
  if (wrote && FirstTime(view, u"-", kDebugger)) {
    const std::optional<RegistryData> current = ReadRegistryValue(key, kDebugger);
    if (current && *current == TextData(*wrote)) {
      plan_.changes.push_back(DeleteValueChange(key, kDebugger, current));
      Say(u"removed the Debugger value of notepad.exe");
    } else if (current) {
      Say(u"the Debugger value now names " + TextOf(*current) + u", not velquin.exe: left as it is.");
    }
  }
  if (record_.Has(record::kIfeoKey + view) && FirstTime(view, u"-", u"\\key"))
    plan_.changes.push_back(DeleteKeyChange(key, true));
}

// Velquin's own keys for Default apps, "Open with" and Apps & features.
// Default_<name>: the machine's default as it was before the package's
// property set it.
void UninstallPlanner::UndoDefaults() {
  const RegistryKey key = place_.DefaultsKey();
  for (const auto& [recordName, prior] : record_.values) {
    if (!StartsWithText(recordName, record::kDefault)) continue;
    const std::u16string name = recordName.substr(std::char_traits<char16_t>::length(record::kDefault));
    const std::optional<RegistryData> current = ReadRegistryValue(key, name);
    if (prior == u"-") {
      if (current) plan_.changes.push_back(DeleteValueChange(key, name, current));
      continue;
    }
    const std::optional<RegistryData> before = ParseDataText(prior);
    if (!before) {
      Refuse(u"the record's " + recordName + u" (" + prior + u") cannot be read. Nothing was changed.");
      continue;
    }
    if (!current || *current != *before) plan_.changes.push_back(SetValueChange(key, name, *before, current));
  }
}

void UninstallPlanner::UndoRegistration() {
  if (!record_.Has(record::kRegistered)) return;
  for (const RegistryKey& key : OwnedKeys(place_)) DeleteTree(key);
  const RegisteredValue shared = SharedValue(place_);
  if (std::optional<RegistryData> ours = ReadRegistryValue(shared.key, shared.name))
    plan_.changes.push_back(DeleteValueChange(shared.key, shared.name, ours));
  if (record_.Has(record::kRegAppsKey)) plan_.changes.push_back(DeleteKeyChange(shared.key, true));
  // The parents the install made, deepest first, each only if empty.
  std::vector<std::u16string> made;
  for (const auto& [name, text] : record_.values)
    if (StartsWithText(name, record::kMadeKey)) made.push_back(name.substr(std::char_traits<char16_t>::length(record::kMadeKey)));
  std::sort(made.begin(), made.end(),
            [](const std::u16string& a, const std::u16string& b) { return a.size() > b.size(); });
  for (const std::u16string& key : made) plan_.changes.push_back(DeleteKeyChange(place_.Key(key), true));
  Say(u"removed the Default apps and Apps & features entries");
}

// Each value, then each key, deepest first: all of it can be put back.
void UninstallPlanner::DeleteTree(const RegistryKey& key) {
  if (!RegistryKeyExists(key)) return;
  for (const std::u16string& subkey : RegistrySubkeyNames(key)) DeleteTree(Subkey(key, subkey));
  for (const std::u16string& name : RegistryValueNames(key))
    plan_.changes.push_back(DeleteValueChange(key, name, ReadRegistryValue(key, name)));
  plan_.changes.push_back(DeleteKeyChange(key));
}

// The settings program removes its own Start-menu shortcut, whose name is
// not ASCII; without the program the shortcut stays.
void UninstallPlanner::UndoShortcut() {
  if (!record_.Has(record::kShortcut)) return;
  const std::u16string settings =
      record_.Package() ? place_.programDir + u"\\velquin-settings.exe" : record_.Get(record::kSettings);
  if (settings.empty() || !FileExists(machine_, settings)) {
    Say(u"the settings program is missing: remove its Start menu shortcut by hand.");
    return;
  }
  const std::u16string scope = place_.user ? u" /user" : u"";
  plan_.changes.push_back(RunChange(Quoted(AccessPath(machine_, settings)) + u" /remove-shortcut" + scope,
                                    Quoted(AccessPath(machine_, settings)) + u" /add-shortcut" + scope));
  Say(u"removed the settings program from the Start menu");
}

void UninstallPlanner::UndoReplaced(const std::u16string& role) {
  const std::u16string target = record_.Get(record::kReplaced + role);
  if (target.empty()) return;
  // Windows restored or updated it (or someone did by hand): its file is
  // left as it is, with the rights it was given.
  FoundRights found;
  // "1": an earlier release's record, which kept neither.
  if (record_.Get(record::kOwner + role) != u"1") found.owner = record_.Get(record::kOwner + role);
  found.aclFile = record_.Get(record::kAccess + role);
  if (!found.aclFile.empty() && !FileExists(machine_, found.aclFile)) found.aclFile.clear();
  if (!FileExists(machine_, target) || !StillReplaced(machine_, record_, role, target)) {
    Say(target + u" is no longer velquin.exe: left as it is.");
    if (!found.aclFile.empty()) plan_.changes.push_back(RemoveFileChange(AccessPath(machine_, found.aclFile)));
    return;
  }
  const std::u16string copy = KeptNotepadIn(FolderOf(target));
  if (!FileExists(machine_, copy)) {
    Refuse(copy + u" is missing, so " + target + u" cannot be given back. Restore it by hand.");
    return;
  }
  // Protected again since the install (its rights reset): taken over first.
  const bool takeOver = !FileOwner(os::OpenFileForWritingW(AccessPath(machine_, target))).valid();
  if (takeOver)
    plan_.changes.push_back(TakeOverChange(machine_, target, found, false));
  // The launcher installed in Program Files is what stood there, for
  // putting back should a later change fail.
  const std::u16string program =
      record_.Package() ? place_.programDir + u"\\velquin.exe" : record_.Get(record::kProgram);
  const bool restorable = role != u"X" && !program.empty() && FileExists(machine_, program);
  plan_.changes.push_back(CopyFileChange(AccessPath(machine_, copy), AccessPath(machine_, target),
                                         restorable ? AccessPath(machine_, program) : std::u16string()));
  if (takeOver || record_.Has(record::kOwner + role)) {
    // The owner and rights it had when the install took it over.
    plan_.changes.push_back(GiveBackChange(machine_, target, found));
  }
  Say(u"Notepad is back in " + target);
}

void UninstallPlanner::RemoveRecordedFile(const std::u16string& name) {
  const std::u16string path = record_.Get(name);
  if (path.empty() || !FileExists(machine_, path)) return;
  // This program, run from the folder it removes, waits in the temporary
  // folder (on the same drive, where it can be moved) for the next restart.
  std::u16string aside;
  if (SameText(path, machine_.modulePath) && machine_.tempDirectory.size() > 2 && path.size() > 2 &&
      SameText(path.substr(0, 2), machine_.tempDirectory.substr(0, 2)))
    aside = machine_.tempDirectory + u"velquin-setup-" + Decimal(os::GetCurrentProcessId()) + u".exe";
  plan_.changes.push_back(RemoveFileChange(AccessPath(machine_, path), aside));
  if (place_.user && SameText(path, machine_.modulePath)) RemoveAtNextSignIn(AsideOf(plan_.changes.back()));
  Say(u"removed " + path);
}

// Only an administrator may have a file deleted at the next restart: the
// user's own RunOnce entry deletes this program, and its folders once
// empty, at the user's next sign-in.
void UninstallPlanner::RemoveAtNextSignIn(const std::u16string& file) {
  std::u16string command =
      Quoted(machine_.windowsDirectory + u"\\System32\\cmd.exe") + u" /c del /f /q " + Quoted(file);
  for (const char16_t* folder : {record::kProgramDir, record::kProgramsDir})
    if (record_.Has(folder)) command += u" & rd " + Quoted(record_.Get(folder));
  const RegistryKey runOnce{os::kCurrentUser, u"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 0};
  plan_.changes.push_back(SetValueChange(runOnce, u"Velquin", TextData(command), ReadRegistryValue(runOnce, u"Velquin")));
}

// Last, the record itself and the keys made for it.
void UninstallPlanner::RemoveRecord() {
  const RegistryKey key = place_.RecordKey();
  for (const auto& [name, text] : record_.values)
    plan_.changes.push_back(DeleteValueChange(key, name, TextData(text)));
  plan_.changes.push_back(DeleteKeyChange(key, true));
  const std::u16string created = record_.Get(record::kCreatedKey);
  if (created.empty()) return;
  plan_.changes.push_back(DeleteKeyChange(place_.Key(u"Tarrowind\\Velquin"), true));
  if (SameText(created, RegistryKeyText(place_.Key(u"Tarrowind")))) plan_.changes.push_back(DeleteKeyChange(place_.Key(u"Tarrowind"), true));
}

}  // namespace

Plan PlanUninstall(const SetupMachine& machine, const Switches& switches) {
  return UninstallPlanner(machine, switches).Make();
}

}  // namespace velquin
