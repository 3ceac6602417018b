#include "setup.h"

#include <cstdlib>

#include "stub_log.h"
#include "text.h"
#include "version_patch.h"

namespace setup {
namespace {

const char kFileText[] = "a scenario's file\r\n";

std::string WideBytes(const std::wstring& text) {
  // REG_SZ data: the UTF-16 text and its terminating NUL.
  return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
}

std::string SetValue(const scn::RegValueSpec& v, machine::Journal* journal) {
  DWORD type = REG_SZ;
  std::string data;
  if (v.type == "sz" || v.type == "expand") {
    type = v.type == "sz" ? REG_SZ : REG_EXPAND_SZ;
    data = WideBytes(text::ToWide(v.data));
  } else if (v.type == "dword") {
    type = REG_DWORD;
    unsigned long number = std::strtoul(v.data.c_str(), nullptr, 10);
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
  } else if (v.type == "raw") {
    // As RegSetValueExA stores it: text types converted, nothing added.
    type = v.rawType;
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    if (text) {
      const std::wstring wide = text::AnsiToWide(v.rawBytes);
      data.assign(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
    } else {
      data = v.rawBytes;
    }
  } else {
    type = REG_BINARY;
    if (!scn::ParseHexBytes(v.data, &data)) return "bad binary data '" + v.data + "'";
  }
  if (!journal->SetValue(RootOf(v.root), text::ToWide(v.path), text::ToWide(v.name), type, data))
    return "cannot set " + v.root + "\\" + v.path + "\\" + v.name;
  return "";
}

// Noon of the day, local time: the launcher looks at the local date.
bool SetDate(const std::wstring& path, const std::string& date) {
  SYSTEMTIME local{};
  local.wYear = static_cast<WORD>(std::atoi(date.substr(0, 4).c_str()));
  local.wMonth = static_cast<WORD>(std::atoi(date.substr(5, 2).c_str()));
  local.wDay = static_cast<WORD>(std::atoi(date.substr(8, 2).c_str()));
  local.wHour = 12;
  SYSTEMTIME utc;
  FILETIME time;
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc)) utc = local;
  if (!SystemTimeToFileTime(&utc, &time)) return false;
  win::File file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid() && SetFileTime(file.get(), nullptr, nullptr, &time);
}

std::string PlaceProgram(const scn::SetupItem& item, const Programs& programs, machine::Journal* journal,
                         Prepared* prepared) {
  std::string image = programs.stub;
  if (item.hasVersion) {
    image = programs.versionedStub;
    if (!stub::PatchFileVersion(&image, (item.versionMajor << 16) | item.versionMinor, 0))
      return "the versioned stub has no version resource";
  }
  if (!journal->WriteFile(text::ToWide(item.path), image)) return "cannot place program " + item.path;
  if (item.staysMs > 0) {
    if (!prepared->stays.empty()) prepared->stays += "|";
    prepared->stays += stub::StaysEntry(item.staysMs, item.path);
  }
  if (item.exitCode != 0) {
    if (!prepared->exits.empty()) prepared->exits += "|";
    prepared->exits += stub::ExitsEntry(item.exitCode, item.path);
  }
  return "";
}

std::string ApplyItem(const scn::SetupItem& item, const Programs& programs, machine::Journal* journal,
                      Prepared* prepared) {
  const std::wstring path = text::ToWide(item.path);
  switch (item.kind) {
    case scn::SetupItem::Key:
      return journal->MakeKey(RootOf(item.value.root), text::ToWide(item.value.path))
                 ? ""
                 : "cannot make key " + item.value.root + "\\" + item.value.path;
    case scn::SetupItem::Reg:
      return SetValue(item.value, journal);
    case scn::SetupItem::Access:
      return "key access cannot be limited under Wine";
    case scn::SetupItem::Redirect:
      return "Wine applies no redirect";
    case scn::SetupItem::Launcher:
      return journal->WriteFile(path, programs.launcher) ? "" : "cannot place the launcher copy " + item.path;
    case scn::SetupItem::Dir:
      return journal->MakeDirectories(path) ? "" : "cannot make directory " + item.path;
    case scn::SetupItem::Program:
      return PlaceProgram(item, programs, journal, prepared);
    case scn::SetupItem::File:
      if (!journal->WriteFile(path, kFileText)) return "cannot make file " + item.path;
      if (!item.time.empty() && !SetDate(path, item.time)) return "cannot date file " + item.path;
      if (item.locked) {
        win::File lock(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                   nullptr));
        if (!lock.valid()) return "cannot lock file " + item.path;
        prepared->locks.push_back(std::move(lock));
      }
      return "";
  }
  return "unknown setup item";
}

}  // namespace

HKEY RootOf(const std::string& root) { return root == "HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

void RemoveForeignKeys() {
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tarrowind");
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Cache\\Paths");
  // Wine registers its own browser here; scenarios say which browser exists.
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE");
}

std::string Apply(const scn::Scenario& scenario, const Programs& programs, machine::Journal* journal,
                  Prepared* prepared) {
  if (!journal->MakeDirectories(text::ToWide(scenario.temp))) return "cannot make temp " + scenario.temp;
  if (!journal->MakeDirectories(text::ToWide(scenario.cwd))) return "cannot make cwd " + scenario.cwd;
  for (const scn::SetupItem& item : scenario.setup) {
    std::string failure = ApplyItem(item, programs, journal, prepared);
    if (!failure.empty()) return failure;
  }
  const std::string launcher = scn::LauncherPathOf(scenario.commandLine);
  const std::wstring launcherPath = scenario.commandLineBytes ? text::AnsiToWide(launcher) : text::ToWide(launcher);
  if (!journal->WriteFile(launcherPath, programs.launcher)) return "cannot place the launcher at " + launcher;
  return "";
}

}  // namespace setup
