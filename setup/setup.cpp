#include "setup/setup.h"

#include <vector>

#include "platform/os.h"
#include "platform/owners.h"
#include "setup/console.h"
#include "setup/plan.h"
#include "setup/setup_machine.h"
#include "setup/switches.h"

namespace velquin {
namespace {

const char16_t* const kUsage[] = {
    u"Usage: velquin-setup.exe /redirect | /replace | /user [/quiet] [/whatif]",
    u"       velquin-setup.exe /uninstall [/user] [/quiet] [/whatif]",
    u"       velquin-setup.exe /check [/user] [/quiet]",
    u"  (/package: run by the Windows Installer package, which owns the program's files)",
    u"  /redirect   let Windows run velquin.exe whenever notepad.exe is started",
    u"  /replace    put velquin.exe in the place of notepad.exe",
    u"  /user       for this user alone, without an administrator: Default apps and Open with",
    u"  /uninstall  undo what the install did, as it recorded it",
    u"  /quiet      print only errors and refusals",
    u"  /whatif     print every change it would make, with what each replaces, and change nothing",
    u"  /check      exit 0 when all is as installed, 5 when a repair is due (each difference listed), 6 when not installed",
    u"The machine-wide forms keep the system's Notepad as notepa~.exe. See README.ja.md.",
};

class SetupRun {
 public:
  SetupRun(const Switches& switches, const std::u16string& version)
      : switches_(switches), version_(version), machine_(ReadSetupMachine()) {}

  int Install();
  int Uninstall();
  int Check() const;
  // /package from anywhere but the package's own custom action: it would
  // take the folder it runs from for the package's.
  std::optional<int> NotFromThePackage() const;

 private:
  bool MachineWide() const { return switches_.form != InstallForm::User; }
  void Say(const std::u16string& line) const {
    if (!switches_.quiet) WriteLine(line);
  }
  int NotAdministrator(const std::u16string& script) const;
  int Refused(const Plan& plan) const;
  void ShowPlan(const std::vector<SystemChange>& changes) const;
  // Applies a plan; on a failure says which change failed, all before it put back.
  bool Apply(const Plan& plan, const std::u16string& what) const;
  // /whatif shows the plan; otherwise it is applied and its lines said.
  int Carry(const Plan& plan, const std::u16string& what) const;
  void OpenDefaultApps() const;
  std::optional<int> RunElevated() const;

  const Switches switches_;
  const std::u16string version_;
  const SetupMachine machine_;
};

int SetupRun::NotAdministrator(const std::u16string& script) const {
  WriteLine(u"Velquin: " + script + u" must run as administrator.");
  WriteLine(u"Open a command prompt with \"Run as administrator\" and start it there.");
  WriteLine(u"Nothing was changed.");
  return kSetupNotAdmin;
}

int SetupRun::Refused(const Plan& plan) const {
  for (const std::u16string& line : plan.refusals) WriteLine(line);
  WriteLine(u"Nothing was changed.");
  return kSetupRefused;
}

void SetupRun::ShowPlan(const std::vector<SystemChange>& changes) const {
  if (changes.empty()) WriteLine(u"Velquin: nothing to change.");
  for (const SystemChange& change : changes) WriteLine(u"  " + DescribeChange(change));
}

bool SetupRun::Apply(const Plan& plan, const std::u16string& what) const {
  const ApplyResult result = ApplySystemChanges(plan.changes);
  if (result.failed && result.notPutBack.empty()) {
    WriteLine(u"Velquin: the " + what + u" stopped at this change, and what it had changed is put back:");
    WriteLine(u"  " + DescribeChange(plan.changes[*result.failed]));
    return false;
  }
  if (result.failed) {
    WriteLine(u"Velquin: the " + what + u" stopped at this change:");
    WriteLine(u"  " + DescribeChange(plan.changes[*result.failed]));
    WriteLine(u"Velquin: and these changes it had made could not be put back; see to them by hand:");
    for (const std::size_t index : result.notPutBack) WriteLine(u"  " + DescribeChange(plan.changes[index]));
    return false;
  }
  for (const std::u16string& folder : result.leftFolders) Say(u"Velquin: " + folder + u" holds other files: left in place.");
  return true;
}

int SetupRun::Carry(const Plan& plan, const std::u16string& what) const {
  if (switches_.whatIf) {
    ShowPlan(plan.changes);
    return kSetupDone;
  }
  if (!Apply(plan, what)) return kSetupStopped;
  for (const std::u16string& line : plan.said) Say(line);
  return kSetupDone;
}

// Windows lets only the user choose the default: say how, and open the
// page (Velquin's own from Windows 11 on). Wine has no Settings app.
void SetupRun::OpenDefaultApps() const {
  std::u16string page = u"ms-settings:defaultapps";
  if (machine_.build >= 22000)
    page += MachineWide() ? u"?registeredAppMachine=Velquin" : u"?registeredAppUser=Velquin";
  Say(u"Velquin: to open text files with Velquin, choose it in Settings > Apps > Default apps (" + page + u").");
  if (switches_.quiet || switches_.package || machine_.wine) return;
  os::ShellRunW(0, u"open", page, u"", u"", 1);
}

int SetupRun::Install() {
  if (MachineWide() && !machine_.administrator) return NotAdministrator(u"install.cmd");
  Plan plan = PlanInstall(machine_, switches_, version_);
  if (!plan.refusals.empty()) return Refused(plan);
  const std::u16string mode = FormName(switches_.form);
  if (plan.undoesEarlier) {
    if (switches_.whatIf) {
      WriteLine(u"Velquin: the earlier release's installation would be undone, as it recorded it:");
      ShowPlan(plan.changes);
      WriteLine(u"Velquin: and then installed afresh (/" + mode + u"):");
      ShowPlan(plan.following);
      return kSetupDone;
    }
    if (!Apply(plan, u"undoing of the earlier release's installation")) {
      WriteLine(u"Velquin: the earlier release's installation was not undone.");
      return kSetupStopped;
    }
    Say(u"Velquin: undid the earlier release's installation (/" + mode + u")");
    plan = PlanInstall(machine_, switches_, version_);
    if (!plan.refusals.empty()) return Refused(plan);
  }
  const int code = Carry(plan, u"installation");
  if (code == kSetupDone && !switches_.whatIf && !plan.repair) OpenDefaultApps();
  return code;
}

// Apps & features starts the uninstall without elevation: the same program
// again, as administrator, through the UAC prompt.
std::optional<int> SetupRun::RunElevated() const {
  if (!switches_.elevate || switches_.elevated) return std::nullopt;
  const std::u16string arguments = std::u16string(u"/uninstall /elevated") + (switches_.quiet ? u" /quiet" : u"");
  ProcessOwner process(os::ShellRunProcessW(u"runas", machine_.modulePath, arguments));
  if (!process.valid()) {
    WriteLine(u"Velquin: the uninstall was not allowed to run as administrator. Nothing was changed.");
    return kSetupNotAdmin;
  }
  std::uint32_t code = kSetupStopped;
  os::WaitForSingleObject(process.get(), os::kWaitInfinite);
  if (!os::GetExitCodeProcess(process.get(), &code)) code = kSetupStopped;
  return static_cast<int>(code);
}

int SetupRun::Uninstall() {
  if (MachineWide() && !machine_.administrator) {
    if (std::optional<int> code = RunElevated()) return *code;
    return NotAdministrator(u"uninstall.cmd");
  }
  const Plan plan = PlanUninstall(machine_, switches_);
  if (!plan.refusals.empty()) return Refused(plan);
  return Carry(plan, u"uninstall");
}

std::optional<int> SetupRun::NotFromThePackage() const {
  if (StartedByWindowsInstaller(machine_)) return std::nullopt;
  WriteLine(u"Velquin: /package is for the Windows Installer package's own use. Use install.cmd and uninstall.cmd,");
  WriteLine(u"or install and remove the package with msiexec.");
  WriteLine(u"Nothing was changed.");
  return kSetupRefused;
}

// The repair's own plan for the form recorded: what it would change is
// the difference.
int SetupRun::Check() const {
  const Record record = ReadRecord(PlaceOf(machine_, switches_).RecordKey());
  if (!record.Has(record::kMode)) {
    WriteLine(u"Velquin is not installed" + std::u16string(switches_.form == InstallForm::User ? u" for this user." : u"."));
    return kSetupNotInstalled;
  }
  Switches installed = switches_;
  installed.package = record.Package();
  const std::u16string mode = record.Get(record::kMode);
  for (const InstallForm form : {InstallForm::Redirect, InstallForm::Replace, InstallForm::User})
    if (SameText(mode, FormName(form))) installed.form = form;
  const Plan plan = PlanInstall(machine_, installed, version_);
  const std::u16string name = u"Velquin " + plan.version + u" (/" + mode + (installed.package ? u", package)" : u")");
  if (plan.undoesEarlier) {
    WriteLine(name + u": an earlier release's install; install.cmd /" + mode + u" takes it over.");
    return kSetupRepairDue;
  }
  if (plan.refusals.empty() && plan.changes.empty()) {
    WriteLine(name + u" is installed as recorded.");
    return kSetupDone;
  }
  WriteLine(name + u": a repair is due:");
  if (switches_.quiet) return kSetupRepairDue;
  for (const std::u16string& line : plan.refusals) WriteLine(u"  " + line);
  for (const SystemChange& change : plan.changes) WriteLine(u"  " + DescribeChange(change));
  return kSetupRepairDue;
}

}  // namespace

int RunSetup(const std::u16string& commandLine, const std::u16string& version) {
  const std::optional<Switches> switches = ParseSwitches(SplitCommandLine(commandLine));
  if (!switches) {
    for (const char16_t* line : kUsage) WriteLine(line);
    return kSetupUsage;
  }
  SetupRun run(*switches, version);
  if (switches->package) {
    if (const std::optional<int> refused = run.NotFromThePackage()) return *refused;
  }
  if (switches->check) return run.Check();
  if (!switches->uninstall) return run.Install();
  const int code = run.Uninstall();
  // The elevated run has a console window of its own (Apps & features).
  if (switches->elevated && !switches->quiet) WaitForEnter();
  return code;
}

}  // namespace velquin
