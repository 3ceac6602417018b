// What the setup program needs to know of the machine it runs on, read once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system_change.h"

namespace velquin {

struct SetupMachine {
  std::u16string windowsDirectory;  // C:\Windows
  bool windows64 = false;           // 64-bit Windows, x86_64 or ARM64
  bool wow64Process = false;        // this program is 32-bit there: System32 is reached as Sysnative
  std::uint16_t nativeMachine = 0;  // os::kMachine*
  std::uint32_t build = 0;          // CurrentBuild, 0 when unreadable
  std::u16string programFiles;      // the native one
  std::u16string localAppData;
  std::u16string tempDirectory;     // ends in "\"
  std::u16string modulePath;        // this program
  std::u16string packageDirectory;  // its folder, ending in "\"
  bool administrator = false;
  bool wine = false;                // no Settings app to open
  std::u16string parentImage;       // the program that started this one, empty when unknown
  // Smart App Control (Windows 11): on, it blocks programs without an
  // accepted signature, velquin.exe started for notepad.exe among them.
  std::uint32_t smartAppControl = 0;  // kSmartAppControl*; 0 off, or a Windows without it
};
inline constexpr std::uint32_t kSmartAppControlOn = 1, kSmartAppControlEvaluation = 2;

SetupMachine ReadSetupMachine();

// Started by Windows Installer (a package's custom action): by msiexec.exe
// of the system's folders.
bool StartedByWindowsInstaller(const SetupMachine& machine);

// The path a file call of this program takes for a path of the native
// system: a 32-bit program reaches the native System32 as Sysnative.
std::u16string AccessPath(const SetupMachine& machine, const std::u16string& path);

// The registry view that holds the native keys.
std::uint32_t NativeView(const SetupMachine& machine);

// Whether the x86_64 build runs natively or emulated: x86_64 Windows, and
// ARM64 from Windows 11 (build 22000) on. Windows 10 on ARM runs only i686.
bool Runs64BitBuild(const SetupMachine& machine);

// Path helpers on UTF-16 text.
bool SameText(const std::u16string& a, const std::u16string& b);  // without regard to case
bool StartsWithText(const std::u16string& text, const std::u16string& prefix);
std::u16string FolderOf(const std::u16string& path);  // without the final "\"
std::u16string Decimal(std::uint64_t value);
std::u16string Quoted(const std::u16string& path);
// Where a question about a file reads it: its content's place once the
// changes foreseen are made (empty: gone), else the file itself.
std::u16string ReadPath(const SetupMachine& machine, const std::u16string& path);
bool FileExists(const SetupMachine& machine, const std::u16string& path);
bool FolderExists(const SetupMachine& machine, const std::u16string& path);
std::uint64_t FileSize(const SetupMachine& machine, const std::u16string& path);  // 0 when missing
// A protected file's owner and rights as the install found them.
struct FoundRights {
  std::u16string owner;    // its SID, "S-1-5-…"; empty: TrustedInstaller, as Windows gives its own files
  std::u16string aclFile;  // its rights as icacls saved them; empty: read and execute for the administrators
};
// The SID of a file's owner; empty when it cannot be read.
std::u16string FileOwnerSid(const SetupMachine& machine, const std::u16string& path);
// A file the system protects (only TrustedInstaller may write it): the
// administrators take it over so that it can be replaced (saving its
// rights to found.aclFile first, where save is set), and give it back the
// owner and rights found; each is the other undone, in reverse, so giving
// back also deletes the saved rights.
SystemChange TakeOverChange(const SetupMachine& machine, const std::u16string& path, const FoundRights& found, bool save);
SystemChange GiveBackChange(const SetupMachine& machine, const std::u16string& path, const FoundRights& found);
// A file whose signature WinVerifyTrust accepts.
bool SignatureTrusted(const SetupMachine& machine, const std::u16string& path);
// A build of the launcher, by its version resource (every release's names
// its maker and file).
bool IsVelquinProgram(const SetupMachine& machine, const std::u16string& path);

}  // namespace velquin
