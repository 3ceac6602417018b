#include "setup/setup_machine.h"

#include <optional>
#include <vector>

#include "platform/foresight.h"
#include "platform/os.h"
#include "platform/owners.h"
#include "setup/record.h"

namespace velquin {
namespace {

constexpr std::uint16_t kArchitectureAmd64 = 9, kArchitectureArm64 = 12;

template <typename Query>
std::u16string QueryText(Query query) {
  std::vector<char16_t> buffer(260);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const std::uint32_t count = query(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    if (count == 0) return std::u16string();
    if (count < buffer.size()) return std::u16string(buffer.data(), count);
    buffer.resize(count + 1);
  }
  return std::u16string();
}

std::u16string Environment(const std::u16string& name) {
  return QueryText([&name](char16_t* buffer, std::uint32_t size) { return os::GetEnvironmentVariableW(name, buffer, size); });
}

std::u16string WithSlash(std::u16string path) {
  if (!path.empty() && path.back() != u'\\') path += u'\\';
  return path;
}

std::uint32_t ReadBuild(std::uint32_t view) {
  const std::optional<RegistryData> data =
      ReadRegistryValue({os::kLocalMachine, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", view}, u"CurrentBuild");
  if (!data || (data->type != os::kRegSz && data->type != os::kRegExpandSz)) return 0;
  std::uint32_t build = 0;
  for (const char16_t c : TextOf(*data)) {
    if (c < u'0' || c > u'9' || build > 100000000) return 0;
    build = build * 10 + static_cast<std::uint32_t>(c - u'0');
  }
  return build;
}

// VerifiedAndReputablePolicyState; SYSTEM is one key in both views.
std::uint32_t ReadSmartAppControl() {
  const std::optional<RegistryData> data = ReadRegistryValue(
      {os::kLocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\CI\\Policy", 0}, u"VerifiedAndReputablePolicyState");
  for (const std::uint32_t state : {kSmartAppControlOn, kSmartAppControlEvaluation})
    if (data && *data == DwordData(state)) return state;
  return 0;
}

std::u16string ParentImage() {
  const std::uint32_t self = os::GetCurrentProcessId();
  std::uint32_t parent = 0;
  {
    const SnapshotOwner snapshot(os::CreateProcessSnapshot());
    if (!snapshot.valid()) return std::u16string();
    os::ProcessEntry entry;
    for (bool more = os::Process32FirstW(snapshot.get(), &entry); more; more = os::Process32NextW(snapshot.get(), &entry))
      if (entry.processId == self) parent = entry.parentProcessId;
  }
  const ProcessOwner process(os::OpenProcessToQuery(parent));
  if (parent == 0 || !process.valid()) return std::u16string();
  return QueryText([&process](char16_t* buffer, std::uint32_t size) {
    const std::uint32_t count = os::QueryProcessImageNameW(process.get(), buffer, size);
    // Too small a buffer fails as any failure does: a few larger ones are tried.
    return count == 0 ? size * 2 : count;
  });
}

}  // namespace

SetupMachine ReadSetupMachine() {
  SetupMachine machine;
  machine.windowsDirectory =
      QueryText([](char16_t* buffer, std::uint32_t size) { return os::QueryWindowsDirectoryW(buffer, size); });
  std::uint16_t process = 0, native = 0;
  if (os::IsWow64Process2(&process, &native)) {
    machine.nativeMachine = native;
    machine.wow64Process = process != os::kMachineUnknown;
  } else {
    // Before Windows 10 1709 there is no ARM64 Windows that runs this.
    const std::uint16_t architecture = os::NativeProcessorArchitecture();
    machine.nativeMachine = architecture == kArchitectureAmd64   ? os::kMachineAmd64
                            : architecture == kArchitectureArm64 ? os::kMachineArm64
                                                                 : os::kMachineI386;
    machine.wow64Process = sizeof(void*) == 4 && machine.nativeMachine != os::kMachineI386;
  }
  machine.windows64 = machine.nativeMachine != os::kMachineI386;
  machine.build = ReadBuild(NativeView(machine));
  // ProgramW6432 names the native folder to 32-bit and 64-bit programs alike.
  machine.programFiles = Environment(u"ProgramW6432");
  if (machine.programFiles.empty()) machine.programFiles = Environment(u"ProgramFiles");
  machine.localAppData = Environment(u"LOCALAPPDATA");
  machine.tempDirectory = WithSlash(Environment(u"TEMP"));
  machine.modulePath =
      QueryText([](char16_t* buffer, std::uint32_t size) { return os::QueryModuleFileNameW(buffer, size); });
  machine.packageDirectory = WithSlash(FolderOf(machine.modulePath));
  machine.wine = RegistryKeyExists({os::kLocalMachine, u"Software\\Wine", 0});
  machine.administrator = os::IsUserAnAdmin();
  machine.parentImage = ParentImage();
  machine.smartAppControl = ReadSmartAppControl();
  return machine;
}

bool StartedByWindowsInstaller(const SetupMachine& machine) {
  for (const char16_t* folder : {u"\\System32\\msiexec.exe", u"\\SysWOW64\\msiexec.exe"})
    if (SameText(machine.parentImage, machine.windowsDirectory + folder)) return true;
  return false;
}

std::u16string AccessPath(const SetupMachine& machine, const std::u16string& path) {
  if (!machine.wow64Process) return path;
  const std::u16string system32 = machine.windowsDirectory + u"\\System32";
  if (!StartsWithText(path, system32)) return path;
  if (path.size() != system32.size() && path[system32.size()] != u'\\') return path;
  return machine.windowsDirectory + u"\\Sysnative" + path.substr(system32.size());
}

std::uint32_t NativeView(const SetupMachine& machine) { return machine.windows64 ? os::kView64 : 0; }

bool Runs64BitBuild(const SetupMachine& machine) {
  if (machine.nativeMachine == os::kMachineAmd64) return true;
  return machine.nativeMachine == os::kMachineArm64 && machine.build >= 22000;
}

bool SameText(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  std::u16string left = a, right = b;
  os::LowerCaseBufferW(&left[0], static_cast<std::uint32_t>(left.size()));
  os::LowerCaseBufferW(&right[0], static_cast<std::uint32_t>(right.size()));
  return left == right;
}

bool StartsWithText(const std::u16string& text, const std::u16string& prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

std::u16string FolderOf(const std::u16string& path) {
  const std::size_t cut = path.rfind(u'\\');
  return cut == std::u16string::npos ? std::u16string() : path.substr(0, cut);
}

std::u16string Decimal(std::uint64_t value) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

std::u16string Quoted(const std::u16string& path) { return u"\"" + path + u"\""; }

std::u16string ReadPath(const SetupMachine& machine, const std::u16string& path) {
  return ForeseenFile(AccessPath(machine, path));
}

bool FileExists(const SetupMachine& machine, const std::u16string& path) {
  const std::u16string read = ReadPath(machine, path);
  if (read.empty()) return false;
  const std::uint32_t attributes = os::FileAttributesW(read);
  return attributes != os::kNoAttributes && (attributes & os::kAttributeDirectory) == 0;
}

bool FolderExists(const SetupMachine& machine, const std::u16string& path) {
  if (const std::optional<bool> foreseen = ForeseenFolder(AccessPath(machine, path))) return *foreseen;
  const std::uint32_t attributes = os::FileAttributesW(AccessPath(machine, path));
  return attributes != os::kNoAttributes && (attributes & os::kAttributeDirectory) != 0;
}

std::uint64_t FileSize(const SetupMachine& machine, const std::u16string& path) {
  os::FindData data;
  const std::u16string read = ReadPath(machine, path);
  if (read.empty()) return 0;
  const FindSearch search(os::FindFirstW(read, &data));
  return search.valid() ? data.size : 0;
}

std::u16string FileOwnerSid(const SetupMachine& machine, const std::u16string& path) {
  std::vector<unsigned char> descriptor(256);
  std::uint32_t needed = 0;
  const std::u16string access = AccessPath(machine, path);
  if (!os::GetFileSecurityW(access, os::kOwnerSecurity, descriptor.data(), 256, &needed)) {
    if (needed <= 256) return std::u16string();
    descriptor.resize(needed);
    if (!os::GetFileSecurityW(access, os::kOwnerSecurity, descriptor.data(), needed, &needed)) return std::u16string();
  }
  // Self-relative: the owner's offset at 4; a SID is its revision, the
  // count of its parts, a 48-bit authority (big-endian), then the parts.
  const auto at = [&descriptor](std::size_t offset, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value * 256 + descriptor[offset + static_cast<std::size_t>(i)];
    return value;
  };
  if (descriptor.size() < 20) return std::u16string();
  const std::size_t sid = at(4, 4);
  if (sid == 0 || sid + 8 > descriptor.size() || sid + 8 + 4 * std::size_t{descriptor[sid + 1]} > descriptor.size())
    return std::u16string();
  std::uint64_t authority = 0;
  for (std::size_t i = 2; i < 8; ++i) authority = authority * 256 + descriptor[sid + i];
  std::u16string text = u"S-" + Decimal(descriptor[sid]) + u"-" + Decimal(authority);
  for (std::size_t part = 0; part < descriptor[sid + 1]; ++part) text += u"-" + Decimal(at(sid + 8 + 4 * part, 4));
  return text;
}

namespace {

using Steps = std::vector<std::pair<std::u16string, std::u16string>>;

Steps TakeOverSteps(const SetupMachine& machine, const std::u16string& path, const FoundRights& found, bool save) {
  const std::u16string tools = machine.windowsDirectory + u"\\System32\\";
  const std::u16string takeown = Quoted(AccessPath(machine, tools + u"takeown.exe"));
  const std::u16string icacls = Quoted(AccessPath(machine, tools + u"icacls.exe"));
  const std::u16string file = icacls + u" " + Quoted(path);
  const std::u16string owner = found.owner.empty() ? u"\"NT SERVICE\\TrustedInstaller\"" : u"*" + found.owner;
  Steps steps;
  // icacls restores saved rights onto the files of a folder by their names.
  if (save && !found.aclFile.empty())
    steps.emplace_back(file + u" /save " + Quoted(found.aclFile),
                       Quoted(AccessPath(machine, tools + u"cmd.exe")) + u" /c del /f /q " + Quoted(found.aclFile));
  steps.emplace_back(takeown + u" /f " + Quoted(path) + u" /a", file + u" /setowner " + owner);
  steps.emplace_back(file + u" /grant *S-1-5-32-544:F",
                     found.aclFile.empty() ? file + u" /grant:r *S-1-5-32-544:RX"
                                           : icacls + u" " + Quoted(FolderOf(path)) + u" /restore " + Quoted(found.aclFile));
  return steps;
}

}  // namespace

SystemChange TakeOverChange(const SetupMachine& machine, const std::u16string& path, const FoundRights& found, bool save) {
  return TakeOverChange(path, TakeOverSteps(machine, path, found, save), false);
}

SystemChange GiveBackChange(const SetupMachine& machine, const std::u16string& path, const FoundRights& found) {
  Steps steps;
  const Steps takeOver = TakeOverSteps(machine, path, found, true);
  for (auto step = takeOver.rbegin(); step != takeOver.rend(); ++step) steps.emplace_back(step->second, step->first);
  return TakeOverChange(path, std::move(steps), true);
}

bool SignatureTrusted(const SetupMachine& machine, const std::u16string& path) {
  const std::u16string access = ReadPath(machine, path);
  return !access.empty() && os::VerifyFileTrustW(access) == 0;
}

bool IsVelquinProgram(const SetupMachine& machine, const std::u16string& path) {
  const std::u16string access = ReadPath(machine, path);
  if (access.empty()) return false;
  const std::uint32_t size = os::QueryFileVersionInfoSizeW(access);
  std::vector<unsigned char> block;
  if (size == 0 || !os::QueryFileVersionInfoW(access, size, &block)) return false;
  std::u16string company, original;
  return os::VerQueryTextW(block, u"\\StringFileInfo\\041103A4\\CompanyName", &company) && company == u"Tarrowind" &&
         os::VerQueryTextW(block, u"\\StringFileInfo\\041103A4\\OriginalFilename", &original) &&
         SameText(original, u"velquin.exe");
}

}  // namespace velquin
