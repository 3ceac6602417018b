#include <set>

#include "platform/foresight.h"
#include "platform/kept_notepad.h"
#include "platform/os.h"
#include "platform/owners.h"
#include "setup/file_hash.h"
#include "setup/ifeo.h"
#include "setup/plan.h"
#include "setup/registration.h"

namespace velquin {
namespace {

// A role's folder on this machine and the build it gets.
struct Role {
  std::u16string id, folder, source;
};

// Opened only to ask, and closed at once.
bool Writable(const SetupMachine& machine, const std::u16string& path) {
  return FileOwner(os::OpenFileForWritingW(AccessPath(machine, path))).valid();
}

class InstallPlanner {
 public:
  InstallPlanner(const SetupMachine& machine, const Switches& switches, const std::u16string& version)
      : machine_(machine), switches_(switches), version_(version), place_(PlaceOf(machine, switches)),
        record_(ReadRecord(place_.RecordKey())), files_(PackageFilesOf(machine, switches.package)) {}

  Plan Make();

 private:
  bool Redirect() const { return switches_.form == InstallForm::Redirect; }
  bool User() const { return switches_.form == InstallForm::User; }
  bool Package() const { return switches_.package; }
  std::u16string Mode() const { return FormName(switches_.form); }
  std::u16string SystemFolder() const { return machine_.windowsDirectory + u"\\System32"; }
  void Refuse(const std::u16string& line) { plan_.refusals.push_back(u"Velquin: " + line); }
  void Say(const std::u16string& line) { plan_.said.push_back(u"Velquin: " + line); }
  bool Recorded(const std::u16string& name) const { return record_.Has(name) || Find(written_, name); }
  static bool Find(const std::vector<std::u16string>& names, const std::u16string& name) {
    for (const std::u16string& known : names)
      if (SameText(known, name)) return true;
    return false;
  }
  // Recorded before the change it describes, so that an uninstall can undo
  // an install that stopped.
  void Put(const std::u16string& name, const std::u16string& text) {
    const std::u16string* before = record_.Find(name);
    plan_.changes.push_back(SetValueChange(place_.RecordKey(), name, TextData(text),
                                           before ? std::optional<RegistryData>(TextData(*before)) : std::nullopt));
    written_.push_back(name);
  }
  // Only a value that differs: a repair's changes are its difference.
  void PutChanged(const std::u16string& name, const std::u16string& text) {
    if (record_.Get(name) != text || !record_.Has(name)) Put(name, text);
  }
  void Set(const RegistryKey& key, const std::u16string& name, const RegistryData& data) {
    std::optional<RegistryData> current = ReadRegistryValue(key, name);
    if (current && *current == data) return;
    plan_.changes.push_back(SetValueChange(key, name, data, std::move(current)));
  }
  void Copy(const std::u16string& from, const std::u16string& to, const std::u16string& restoreFrom = {}) {
    // An upgrade's old build may be running (a launcher waiting for its
    // editor): it is set aside, which Windows allows, rather than written over.
    if (upgrade_ && FileExists(machine_, to)) plan_.changes.push_back(RemoveFileChange(AccessPath(machine_, to)));
    plan_.changes.push_back(CopyFileChange(AccessPath(machine_, from), AccessPath(machine_, to),
                                           restoreFrom.empty() ? restoreFrom : AccessPath(machine_, restoreFrom)));
  }

  void CheckPackage();
  // The launcher asked about: /check's the one installed, an install's the
  // package's build it puts in place.
  std::u16string Launcher() const { return switches_.check ? place_.programDir + u"\\velquin.exe" : files_.launcher; }
  // What Smart App Control blocks: it is there, with no signature Windows accepts.
  bool Unsigned() const { return FileExists(machine_, Launcher()) && !SignatureTrusted(machine_, Launcher()); }
  void CheckSmartAppControl();
  void CheckRole(const Role& role);
  bool HeldByOthers(const std::u16string& path) const;
  void MachineDefaults();
  Plan UndoEarlier();
  void CheckView(const IfeoView& view);
  bool IsOurs(const std::optional<RegistryData>& debugger) const;
  void RecordVendorKey();
  void CopyRole(const Role& role);
  void ProgramFiles();
  void ProgramFile(const std::u16string& name, const std::u16string& source, const std::u16string& target);
  void ReplaceRole(const Role& role);
  void IfeoTargets(const IfeoView& view, bool write);
  void Target(const IfeoView& view, bool write, const std::u16string& subkey, const std::u16string& name,
              const RegistryData& wanted);
  void Registration();
  void Results();
  // Said of a change a repair or an upgrade makes.
  void Redone(const std::u16string& what) {
    Say((upgrade_ ? u"upgraded: " : u"repaired: ") + what);
    repaired_ = true;
  }

  const SetupMachine& machine_;
  const Switches& switches_;
  const std::u16string version_;
  const InstallPlace place_;
  const Record record_;
  const PackageFiles files_;
  Plan plan_;
  std::vector<std::u16string> written_;
  std::vector<Role> roles_;
  std::vector<std::u16string> ours_;  // the Debugger texts this or an earlier install wrote
  std::set<std::u16string> refusedDebuggers_;  // subkey and text, lower case
  std::u16string program_, verb_, debugger_;
  bool repaired_ = false;
  bool upgrade_ = false;
};

Plan InstallPlanner::Make() {
  const bool earlier = record_.Earlier();
  if (!record_.readable) {
    Refuse(u"the record under " + RegistryKeyText(place_.RecordKey()) + u" holds a value that is no text.");
  } else if (record_.Has(record::kMode) && Package() && !record_.Package()) {
    // Its files are where the package put its own: the package leaves them.
    Refuse(u"already installed with install.cmd (/" + record_.Get(record::kMode) +
           u"). Run its uninstall.cmd before installing the Windows Installer package.");
  } else if (record_.Has(record::kMode) && !Package() && record_.Package()) {
    Refuse(u"installed by the Windows Installer package. Repair or remove it in Settings > Apps > Installed apps.");
  } else if (record_.Has(record::kMode) && !SameText(record_.Get(record::kMode), Mode())) {
    Refuse(u"already installed (/" + record_.Get(record::kMode) + u"). Run uninstall.cmd before installing with /" + Mode() +
           u".");
  }
  const std::u16string installed = record_.Get(record::kVersion);
  if (plan_.refusals.empty() && record_.Has(record::kMode) && !earlier && CompareReleases(installed, version_) > 0) {
    Refuse(u"Velquin " + installed + u" is installed, which is newer than this release (" + version_ + u").");
    plan_.refusals.push_back(u"Uninstall it first to install this one.");
  }
  plan_.repair = record_.Has(record::kMode) && !earlier && plan_.refusals.empty();
  if (!plan_.refusals.empty()) return plan_;
  // A newer release over an older one: its files, notepad.exe's stand-in
  // and the registration are replaced; the record of the system's own
  // state and the user's settings stay.
  upgrade_ = plan_.repair && CompareReleases(installed, version_) < 0;
  // What is installed, as /check names it: the record's release, else what
  // Apps & features shows.
  plan_.version = installed;
  if (plan_.version.empty() && plan_.repair && !Package()) {
    const std::optional<RegistryData> shown =
        ReadRegistryValue(AppsEntry(place_), u"DisplayVersion");
    if (shown && shown->type == os::kRegSz) plan_.version = TextOf(*shown);
  }
  if (plan_.version.empty()) plan_.version = version_;

  if (!User()) {
    const std::u16string wow64 = machine_.windowsDirectory + u"\\SysWOW64";
    const Role all[] = {{kRoles[0], machine_.windowsDirectory, files_.launcher},
                        {kRoles[1], SystemFolder(), files_.launcher},
                        {kRoles[2], wow64, files_.launcher32}};
    for (const Role& role : all)
      if (role.id != kRoles[2] || (machine_.windows64 && FolderExists(machine_, wow64))) roles_.push_back(role);
  }
  CheckPackage();
  CheckSmartAppControl();
  if (!plan_.refusals.empty()) return plan_;
  if (earlier) return UndoEarlier();

  // Every check comes before the first change.
  if (plan_.repair && record_.Has(record::kDebugger)) ours_.push_back(record_.Get(record::kDebugger));
  std::vector<IfeoView> views;
  if (!User()) views = ReadIfeoViews(machine_);
  if (!plan_.repair)
    for (const Role& role : roles_) CheckRole(role);
  if (Redirect())
    for (const IfeoView& view : views) CheckView(view);
  program_ = place_.programDir + u"\\velquin.exe";
  if (!plan_.refusals.empty()) return plan_;

  if (!plan_.repair) {
    RecordVendorKey();
    Put(record::kMode, Mode());
    if (Package()) Put(record::kPackage, u"1");
    for (const Role& role : roles_) CopyRole(role);
  }
  if (!plan_.repair || upgrade_) Put(record::kVersion, version_);
  ProgramFiles();
  // Windows names the launcher by its full path, quoted where it has a
  // space. The launcher takes a start for a browser's when the caller
  // quoted Notepad, which it reads after its own path once the first
  // argument names Notepad: so the verbs name Notepad unquoted after it,
  // and a double-click reads as a redirected, unquoted start.
  const std::u16string launcher = program_.find(u' ') == std::u16string::npos ? program_ : Quoted(program_);
  const std::u16string notepad = machine_.windowsDirectory + u"\\notepad.exe";
  verb_ = launcher + u" " + (notepad.find(u' ') == std::u16string::npos ? notepad : u"notepad.exe");
  if (switches_.form == InstallForm::Replace) {
    for (const Role& role : roles_) ReplaceRole(role);
  } else if (Redirect()) {
    debugger_ = launcher;
    // An earlier release's record may hold the short form it wrote.
    if (plan_.repair) PutChanged(record::kDebugger, debugger_);
    else Put(record::kDebugger, debugger_);
  }
  if (!User()) {
    // The values of both views are recorded before the first is written.
    for (const IfeoView& view : views) IfeoTargets(view, false);
    // On 64-bit Windows the two views are one key (since Windows 7): it is
    // written once, through the native view.
    if (!views.empty()) IfeoTargets(views.front(), true);
  }
  const std::size_t registered = plan_.changes.size();
  Registration();
  if (plan_.repair && plan_.changes.size() != registered) Redone(u"the Default apps and Apps & features entries");
  // A repair, which anyone may start with any properties, never changes
  // every user's defaults.
  if (Package() && !plan_.repair) MachineDefaults();
  Results();
  if (machine_.smartAppControl == kSmartAppControlEvaluation && !switches_.check && Unsigned())
    Say(u"Smart App Control is in evaluation: Windows may turn it on later, and then it blocks every start of Notepad "
        u"unless velquin.exe is signed.");
  return plan_;
}

void InstallPlanner::CheckPackage() {
  // /check compares and copies nothing: it runs where the package is not.
  if (!switches_.check)
    for (const std::u16string& file : {files_.launcher, files_.launcher32, files_.settings, files_.setup})
    if (!FileExists(machine_, file)) {
      Refuse(u"a file of the package is missing next to the setup program (" + file + u").");
      return;
    }
  if (User()) return;
  if (!FileExists(machine_, SystemFolder() + u"\\notepad.exe")) {
    Refuse(u"the classic Notepad (" + SystemFolder() + u"\\notepad.exe) is missing.");
    plan_.refusals.push_back(u"On Windows 11 it is an optional feature: add \"Notepad (system)\" in");
    plan_.refusals.push_back(u"Settings > System > Optional features > View features, then run install.cmd again.");
  }
}

// With Smart App Control on, Windows runs no program without an accepted
// signature (or reputation): every start of Notepad would fail at
// velquin.exe. /check lists it as one line.
void InstallPlanner::CheckSmartAppControl() {
  if (machine_.smartAppControl != kSmartAppControlOn || !Unsigned()) return;
  Refuse(u"Smart App Control is on and would block every start of Notepad through velquin.exe: " + Launcher() +
         u" has no signature that Windows accepts.");
  if (!switches_.check)
    plan_.refusals.push_back(u"Install a signed release, or turn Smart App Control off (Windows Security > App & browser control).");
}

void InstallPlanner::CheckRole(const Role& role) {
  const std::u16string notepad = role.folder + u"\\notepad.exe";
  if (FileExists(machine_, notepad) && IsVelquinProgram(machine_, notepad))
    Refuse(notepad + u" is already velquin.exe, not the system's Notepad.");
  const std::u16string kept = KeptNotepadIn(role.folder);
  if (switches_.form == InstallForm::Replace && FileExists(machine_, kept))
    Refuse(kept + u" already exists. Remove it, or use /redirect, which keeps it.");
}

// An earlier release's install is undone exactly as it recorded it, and
// this one is planned on the machine as that will leave it: a refusal of
// either comes before the undoing.
Plan InstallPlanner::UndoEarlier() {
  Plan undo = PlanUninstall(machine_, switches_);
  if (!undo.refusals.empty()) return undo;
  Plan next;
  {
    const Foresight undone(undo.changes);
    next = PlanInstall(machine_, switches_, version_);
  }
  if (!next.refusals.empty()) return next;
  undo.undoesEarlier = true;
  undo.said.clear();
  undo.following = std::move(next.changes);
  return undo;
}

bool InstallPlanner::IsOurs(const std::optional<RegistryData>& debugger) const {
  if (!debugger || debugger->type != os::kRegSz) return false;
  for (const std::u16string& text : ours_)
    if (TextOf(*debugger) == text) return true;
  return false;
}

// Another program's Debugger, on the key or in a subkey that Windows uses
// for a system notepad.exe, is never overwritten.
void InstallPlanner::CheckView(const IfeoView& view) {
  std::vector<std::u16string> places{u"-"};
  for (const IfeoPlace& sub : view.matching) places.push_back(sub.subkey);
  for (const std::u16string& subkey : places) {
    const std::optional<RegistryData> debugger = view.Value(subkey, kDebugger);
    if (!debugger || IsOurs(debugger)) continue;
    // On 64-bit Windows both views show one key: the refusal is said once.
    std::u16string refused = subkey + u"\n" + TextOf(*debugger);
    os::LowerCaseBufferW(&refused[0], static_cast<std::uint32_t>(refused.size()));
    if (!refusedDebuggers_.insert(refused).second) continue;
    Refuse(u"Windows already runs another program instead of notepad.exe:");
    plan_.refusals.push_back(u"  \"" + RegistryKeyText(view.KeyOf(subkey)) + u"\" Debugger = " + TextOf(*debugger));
    plan_.refusals.push_back(u"Velquin does not overwrite it. Remove that program's redirect first.");
  }
}

void InstallPlanner::RecordVendorKey() {
  std::u16string created;
  for (const char16_t* key : {u"Tarrowind\\Velquin", u"Tarrowind"})
    if (!HeldByOthers(key)) created = RegistryKeyText(place_.Key(key));
  if (!created.empty()) Put(record::kCreatedKey, created);
}

// Whether a key was there before this install: Windows Installer writes the
// package's own key (Package, with what it stages) before the package's
// install runs, and that alone does not count.
bool InstallPlanner::HeldByOthers(const std::u16string& path) const {
  const RegistryKey key = place_.Key(path);
  if (!RegistryKeyExists(key)) return false;
  if (!Package() || !RegistryValueNames(key).empty()) return true;
  for (const std::u16string& subkey : RegistrySubkeyNames(key)) {
    const std::u16string below = path + u"\\" + subkey;
    if (SameText(below, kPackageKey)) continue;
    if (!StartsWithText(kPackageKey, below + u"\\") || HeldByOthers(below)) return true;
  }
  return false;
}

// The package's properties, one a value the settings window shows, which
// Windows Installer stages as data in the package's key: each becomes the
// machine's default. A property given wins; one not given keeps the value
// an earlier package set (which the package read before it was removed).
void InstallPlanner::MachineDefaults() {
  const RegistryKey staged = place_.Key(std::u16string(kPackageKey) + u"\\Properties");
  const RegistryKey defaults = place_.DefaultsKey();
  const auto text = [&staged](const std::u16string& name) {
    const std::optional<RegistryData> data = ReadRegistryValue(staged, name);
    return data && data->type == os::kRegSz ? TextOf(*data) : std::u16string();
  };
  for (const std::u16string& name : RegistryValueNames(staged)) {
    if (SameText(name, u"Staged") || StartsWithText(name, u"Kept_")) continue;
    std::u16string wanted = text(name);
    if (wanted.empty()) wanted = text(u"Kept_" + name);
    if (wanted.empty()) continue;
    const std::optional<RegistryData> before = ReadRegistryValue(defaults, name);
    if (before && *before == TextData(wanted)) continue;
    const std::u16string made = std::u16string(record::kMadeKey) + u"Tarrowind\\Velquin\\Setting";
    if (!RegistryKeyExists(defaults) && !Recorded(made)) Put(made, u"1");
    Put(record::kDefault + name, before ? DataText(*before) : u"-");
    Set(defaults, name, TextData(wanted));
    Say(u"every user's default " + name + u" is now " + wanted);
  }
}

void InstallPlanner::CopyRole(const Role& role) {
  const std::u16string copy = KeptNotepadIn(role.folder);
  if (FileExists(machine_, copy)) {
    Say(u"keeping the existing " + copy);
    return;
  }
  std::u16string from = role.folder + u"\\notepad.exe";
  if (!FileExists(machine_, from)) from = SystemFolder() + u"\\notepad.exe";
  Put(record::kCopy + role.id, copy);
  Copy(from, copy);
  Say(u"copied " + from + u" to " + copy);
}

// The program folder holds velquin.exe, the settings program and the setup
// program: Apps & features and the Default apps verbs name them, the Start
// menu the settings program.
void InstallPlanner::ProgramFiles() {
  const std::u16string& folder = place_.programDir;
  // The package's files are the package's own.
  if (!Package() && !FolderExists(machine_, folder)) {
    const std::u16string parent = FolderOf(folder);
    if (User() && !FolderExists(machine_, parent)) {
      if (!plan_.repair) Put(record::kProgramsDir, parent);
      plan_.changes.push_back(DirectoryChange(SystemChange::Kind::MakeDirectory, parent));
    }
    if (!plan_.repair) Put(record::kProgramDir, folder);
    plan_.changes.push_back(DirectoryChange(SystemChange::Kind::MakeDirectory, AccessPath(machine_, folder)));
  }
  if (!Package())
    for (const ProgramFileRow& file : kProgramFiles) ProgramFile(file.recordName, files_.*file.source, folder + u"\\" + file.name);
  if (plan_.repair) return;
  // The shortcut's name is not ASCII: the settings program makes it, and
  // removes it again.
  Put(record::kShortcut, u"1");
  const std::u16string settings = Quoted(folder + u"\\velquin-settings.exe");
  const std::u16string scope = User() ? u" /user" : u"";
  plan_.changes.push_back(RunChange(settings + u" /add-shortcut" + scope, settings + u" /remove-shortcut" + scope));
  Say(u"added the settings program to the Start menu");
}

void InstallPlanner::ProgramFile(const std::u16string& name, const std::u16string& source, const std::u16string& target) {
  if (plan_.repair && !upgrade_ && FileExists(machine_, target)) return;
  if (!plan_.repair) Put(name, target);
  Copy(source, target);
  if (!plan_.repair) {
    Say(u"copied " + source.substr(source.rfind(u'\\') + 1) + u" to " + target);
    return;
  }
  Redone(target);
}

void InstallPlanner::ReplaceRole(const Role& role) {
  const std::u16string notepad = role.folder + u"\\notepad.exe";
  if (!FileExists(machine_, notepad)) return;
  // A Windows update puts the system's file back over velquin.exe; an
  // upgrade puts the new build over the old.
  if (plan_.repair && (!record_.Has(record::kReplaced + role.id) ||
                       (!upgrade_ && StillReplaced(machine_, record_, role.id, notepad))))
    return;
  if (!Writable(machine_, notepad)) {
    // Protected by the system: the administrators take it over, once its
    // owner and rights are kept for the uninstall to give back.
    const FoundRights found{FileOwnerSid(machine_, notepad), place_.programDir + u"\\notepad-" + role.id + u".acl"};
    PutChanged(record::kOwner + role.id, found.owner.empty() ? u"1" : found.owner);
    PutChanged(record::kAccess + role.id, found.aclFile);
    plan_.changes.push_back(TakeOverChange(machine_, notepad, found, true));
  }
  if (!plan_.repair) Put(record::kReplaced + role.id, notepad);
  // What the uninstall finds there if Windows has not put its own back.
  const std::u16string hash = FileHash(machine_, role.source);
  if (!hash.empty()) PutChanged(record::kHash + role.id, hash);
  Copy(role.source, notepad, plan_.repair ? std::u16string() : KeptNotepadIn(role.folder));
  if (plan_.repair) {
    Redone(u"velquin.exe stands in " + notepad + u" again");
  } else {
    Say(u"velquin.exe now stands in " + notepad);
  }
}

// The IFEO state of one view, as the form installed needs it.
//   redirect: Debugger on the key, so that Windows uses it with UseFilter 0;
//             UseFilter 0 and the key's store redirect off; and, should an
//             update set UseFilter again, a Debugger in each matching subkey.
//   replace:  the store redirect off wherever Windows would use it.
// Without UseFilter only the redirect's Debugger on the key is written. No
// subkey is ever made.
void InstallPlanner::IfeoTargets(const IfeoView& view, bool write) {
  if (!write && Redirect() && !plan_.repair && !view.keyExists) Put(record::kIfeoKey + view.name, u"1");
  const RegistryData debugger = TextData(debugger_);
  const RegistryData off = DwordData(0);
  if (Redirect()) Target(view, write, u"-", kDebugger, debugger);
  if (!view.key.values.count(kUseFilter)) return;
  if (Redirect()) Target(view, write, u"-", kUseFilter, off);
  if (view.Value(u"-", kStoreRedirect)) Target(view, write, u"-", kStoreRedirect, off);
  for (const IfeoPlace& sub : view.matching) {
    if (Redirect()) Target(view, write, sub.subkey, kDebugger, debugger);
    if (view.Value(sub.subkey, kStoreRedirect)) Target(view, write, sub.subkey, kStoreRedirect, off);
  }
}

void InstallPlanner::Target(const IfeoView& view, bool write, const std::u16string& subkey, const std::u16string& name,
                            const RegistryData& wanted) {
  const std::optional<RegistryData> current = view.Value(subkey, name);
  if (current && *current == wanted) return;
  if (!write) {
    const std::u16string record = MakeWasName(view.name, subkey, name);
    if (!Recorded(record)) Put(record, current ? DataText(*current) : u"-");
    return;
  }
  plan_.changes.push_back(SetValueChange(view.KeyOf(subkey), name, wanted, current));
  if (plan_.repair) Redone(name + u" of " + RegistryKeyText(view.KeyOf(subkey)));
}

// Every key is Velquin's own; a repair writes again each value that differs.
void InstallPlanner::Registration() {
  if (!plan_.repair) {
    if (!RegistryKeyExists(SharedValue(place_).key)) Put(record::kRegAppsKey, u"1");
    for (const char16_t* parent : kRegistrationParents)
      if (!RegistryKeyExists(place_.Key(parent))) Put(record::kMadeKey + std::u16string(parent), u"1");
    Put(record::kRegistered, u"1");
  }
  // The installed copies where they are and stay (a /check runs without
  // the package); an upgrade's are the package's.
  const auto sizeOf = [this](const std::u16string& installed, const std::u16string& source) {
    return FileSize(machine_, FileExists(machine_, installed) && !upgrade_ ? installed : source);
  };
  const std::u16string& folder = place_.programDir;
  RegistrationFacts facts{program_, verb_, version_, 0};
  if (!Package())
    for (const ProgramFileRow& file : kProgramFiles) facts.programBytes += sizeOf(folder + u"\\" + file.name, files_.*file.source);
  for (const RegisteredValue& value : RegistrationValues(place_, facts)) Set(value.key, value.name, value.data);
}

void InstallPlanner::Results() {
  const std::u16string mode = u"(/" + Mode() + u")";
  if (upgrade_) {
    const std::u16string installed = record_.Get(record::kVersion);
    Say(u"upgraded " + mode + u" to " + version_ + (installed.empty() ? u"" : u" from " + installed) + u".");
    return;
  }
  if (plan_.repair) {
    if (repaired_) Say(u"repaired " + mode + u": what a Windows update had reset is back.");
    else Say(u"already installed " + mode + u". Nothing was changed.");
    return;
  }
  if (Redirect()) Say(u"Windows now runs " + debugger_ + u" whenever notepad.exe is started.");
  if (User())
    Say(u"installed " + mode + u". velquin-setup.exe /uninstall /user, or Settings > Apps > Installed apps, undoes it.");
  else
    Say(u"installed " + mode + u". uninstall.cmd, or Settings > Apps > Installed apps, undoes it.");
}

}  // namespace

InstallPlace PlaceOf(const SetupMachine& machine, const Switches& switches) {
  InstallPlace place;
  place.user = switches.form == InstallForm::User;
  place.package = switches.package;
  if (place.user) {
    place.root = os::kCurrentUser;
    place.software = u"Software";
    place.programDir = machine.localAppData + u"\\Programs\\Velquin";
  } else {
    place.view = NativeView(machine);
    place.software = u"SOFTWARE";
    place.programDir = switches.package ? FolderOf(machine.modulePath) : machine.programFiles + u"\\Velquin";
  }
  return place;
}

PackageFiles PackageFilesOf(const SetupMachine& machine, bool package) {
  const std::u16string& from = machine.packageDirectory;
  // The Windows Installer package puts its own build under the names the
  // programs have, and on 64-bit Windows the i686 launcher beside them.
  if (package)
    return {from + u"velquin.exe", from + (machine.windows64 ? u"velquin32.exe" : u"velquin.exe"),
            from + u"velquin-settings.exe", machine.modulePath};
  const bool native64 = Runs64BitBuild(machine);
  return {from + (native64 ? u"velquin64.exe" : u"velquin.exe"), from + u"velquin.exe",
          from + (native64 ? u"velquin-settings64.exe" : u"velquin-settings.exe"),
          from + (native64 ? u"velquin-setup64.exe" : u"velquin-setup.exe")};
}

Plan PlanInstall(const SetupMachine& machine, const Switches& switches, const std::u16string& version) {
  return InstallPlanner(machine, switches, version).Make();
}

}  // namespace velquin
