// An in-memory Windows behind platform/os.h: registry, files with times,
// programs, code pages 932 and 1252, the two registry views and the
// System32 redirection of 64-bit Windows, and failures on demand. Every call is
// counted and every outward effect (box, shell open, process start, wait)
// is recorded in order. Files have real (UTF-16) names, kept as UTF-8; the
// A calls see them through the code page, as Windows converts, look-alikes
// included.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/os.h"

namespace fake {

struct RegValue {
  std::string name;  // as first written
  std::uint32_t type = os::kRegSz;
  std::vector<unsigned char> data;
  bool failRead = false;  // the size query answers, the read itself fails
  // Text stored through the W call that the code page cannot hold: the W
  // read gives it, the A read gives data (its ANSI conversion).
  std::optional<std::u16string> wideText;
  // wideText is the whole data as SetValueW took it, its NULs included;
  // otherwise the W read adds the one terminating NUL.
  bool wideWhole = false;
};

// Key paths and value names are kept as ANSI text in the code page; a
// character of a W name that the code page cannot hold exactly stands as
// "\x01" + its code point in upper-case hex + "\x02", which no A call can
// name (KeyTextOfWide, Utf8OfKeyText).
struct RegKeyNode {
  std::string path;  // as first written, root included: HKCU\Software\...
  std::map<std::string, RegValue> values;  // by folded name
  bool failOpen = false;    // access refused
  // RegCreateKeyEx fails on it (also when it exists) with an error other
  // than a refusal: the registry cannot make or open it.
  bool failCreate = false;
  bool failSet = false;     // writes refused
  std::vector<std::string> refusedValues;  // writes and deletions of these names refused
  // The rights this key grants (a REGSAM mask): an open or create asking
  // for more is refused with 5, as a standard user is refused writing to
  // HKEY_LOCAL_MACHINE or to a key a policy locked.
  std::uint32_t grants = os::kKeyAllAccess;
};

struct Program {
  bool hasVersion = false;
  std::uint32_t versionMS = 0;
  int staysMs = 0;
  bool launcher = false;  // a copy of the launcher: a start or shell open of it runs the launcher again
  // Its version texts by sub-block, in UTF-8: "\\StringFileInfo\\041103A4\\CompanyName".
  std::map<std::string, std::string> versionTexts = {};
  // Runs when a process of it is started (any start or shell open); it may
  // change the machine, and gives the exit code. Unset: the code is 0.
  std::function<std::uint32_t(const std::string& commandLineUtf8)> run = nullptr;
};

inline constexpr char kTrustedInstaller[] = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

struct FileNode {
  std::string path;  // as created, the real name in UTF-8
  bool directory = false;
  std::uint64_t lastWriteTime = 0;
  bool locked = false;
  std::optional<Program> program;
  std::string contents;  // its size is the file's
  bool systemProtected = false;  // only TrustedInstaller may write it: copies onto it and deletion refused
  bool failWrite = false;  // a copy onto it fails
  bool failCreate = false;  // a directory nothing new can be made in (files or folders)
  bool running = false;  // a running program's image: it can be renamed, not deleted
  // Signed, with a signature WinVerifyTrust accepts; part of what it holds,
  // so a copy takes it along. Unset, as the release builds are.
  bool trustedSignature = false;
  // Its owner's SID and its rights, as the system's tools set them; unset,
  // a protected file's are TrustedInstaller's and "RX" for the
  // administrators, any other file's the administrators' and "F".
  std::string owner = "";
  std::string access = "";
};

struct Event {
  enum Kind { Box, Shell, Start, Waited, Moved, Deleted, Copied, MadeDirectory, RemovedDirectory, AtRestart } kind = Box;
  std::string text, caption;  // Box: UTF-8
  std::uint32_t style = 0;
  os::WindowHandle owner = 0;
  // Shell, Start, Moved, Deleted and the rest: the A call's text, or the
  // ANSI view of the W call's; real*: what the system really handed on, in
  // UTF-8. Moved, Copied: file is the source, parameters the target.
  std::string verb, file, parameters, directory;
  int show = 0;
  std::string commandLine;
  std::string realFile, realParameters, realCommandLine;
  bool wide = false;  // made through the W call
  os::StartupInfo startup;  // Start
  bool styled = false;      // Box: shown in the context of the program's box manifest
};

struct Machine {
  int codePage = 932;
  std::uint32_t platformId = 2;
  bool versionQueryFails = false;
  std::string decimalSeparator = ".";
  std::string windowsDirectory = "C:\\windows";
  std::string systemDirectory = "C:\\windows\\system32";
  std::string tempPath = "C:\\TEMP\\";
  std::string currentDirectory = "C:\\";  // ends in "\"; where a bare name is found first
  bool directoryQueriesFail = false;
  std::string commandLine;       // as GetCommandLineA gives it
  std::u16string wideCommandLine;  // as GetCommandLineW gives it; empty: commandLine widened
  std::string modulePath;
  os::WindowHandle foregroundWindow = 0x10010;
  os::StartupInfo startup;

  std::map<std::string, RegKeyNode> keys;  // by folded full path
  std::map<std::string, FileNode> files;   // by folded full real path

  // The system's machine and this process's: kMachineUnknown is a native
  // process, kMachineI386 a 32-bit one under WOW64, which sees the 32-bit
  // registry view and SysWOW64 as System32.
  std::uint16_t nativeMachine = os::kMachineAmd64;
  std::uint16_t processMachine = os::kMachineUnknown;
  bool hasIsWow64Process2 = true;  // false: a Windows older than 10 1709
  bool isAdmin = true;
  std::vector<std::string> removeAtRestart;  // MoveFileEx's delayed deletions, real paths in UTF-8
  // The console: without one there are no standard handles; with output
  // led to a file or a pipe WriteConsoleW fails and WriteFile's bytes are
  // kept as they came. Otherwise both keep what the console shows, in UTF-8.
  bool noConsole = false;
  bool outputRedirected = false;
  std::string consoleOut, consoleErr;

  // This process, its parent and its environment (by upper-cased name:
  // the name as set and the value). Creation times are FILETIME values.
  struct Process {
    std::uint32_t processId = 0, parentProcessId = 0;
    std::uint64_t creationTime = 0;
    std::string image = "";  // its program's path, UTF-8
  };
  std::uint32_t processId = 4242, parentProcessId = 4000;
  std::uint64_t creationTime = 133000000000000000ull;
  std::vector<Process> otherProcesses;  // listed after this one
  bool snapshotFails = false;
  std::map<std::string, std::pair<std::string, std::string>> environment;
  // Runs the launcher again for a start or shell open that reached a copy
  // of it or a redirect: its command line (the real text and the ANSI
  // view) and its own path (ANSI); its exit code. Unset: nothing runs.
  std::function<std::uint32_t(const std::string& realCommandLine, const std::string& ansiCommandLine, bool wide,
                              const std::string& modulePath)>
      runLauncher;

  std::vector<Event> events;
  std::map<std::string, int> calls;  // per seam function
  std::size_t wildcardSteps = 0;  // the most any one name's wildcard match took
  std::function<void(const Event&)> onBox;  // runs while a box is open

  // Handles handed out and not yet closed.
  std::map<os::KeyHandle, std::string> openKeys;
  std::map<os::KeyHandle, std::uint32_t> openKeyAccess;  // the rights each handle was opened with
  std::map<os::FindHandle, int> openFinds;
  std::map<os::FileHandle, std::string> openFiles;  // the real path
  std::map<os::FileHandle, std::size_t> readOffsets;  // files open for reading: how far read
  // Processes ("stays", "ends", "ended") and their threads ("thread").
  std::map<os::ProcessHandle, std::string> openProcesses;
  std::map<os::ProcessHandle, std::uint32_t> stayLeftMs;  // a staying process's time still to run
  std::map<os::ProcessHandle, std::uint32_t> exitCodes;
  std::map<os::ProcessHandle, std::uint32_t> queriedProcesses;  // OpenProcess's handles: the process id
  std::map<os::SnapshotHandle, std::size_t> openSnapshots;  // the next entry's index
  std::uintptr_t nextHandle = 0x100;
  bool boxManifest = true;                            // the program carries its box manifest
  std::set<os::ActivationContext> activationContexts;  // made, not yet released
  std::vector<os::ActivationContext> activeContexts;   // activated, innermost last
  std::uint32_t lastError = 0;  // as the last failing call left it
};

Machine& machine();
void Reset();

// Text in the machine's code page from UTF-8 and back.
std::string ToAnsi(const std::string& utf8);
std::string FromAnsi(const std::string& ansi);
std::string FromUtf16(const std::u16string& wide);
std::u16string Utf16(const std::string& utf8);
// UTF-16 in the code page as WideCharToMultiByte makes it: a character
// without an exact form takes its best-fit look-alike (unless noBestFit)
// or "?", and *usedDefault tells whether any took "?".
std::string AnsiOfWide(const std::u16string& wide, bool noBestFit = false, bool* usedDefault = nullptr);
// ANSI bytes as the system widens them (U+30FB for a broken Shift-JIS byte), in UTF-8.
std::string RealOfAnsi(const std::string& ansi);
// Command-line bytes as a started program reads them back: on the NT family
// they pass through UTF-16 on the way, on the 95 family they arrive as given.
std::string CommandLineAsReported(const std::string& bytes);

// Keys and values; paths are "HKCU\..." or "HKLM\...".
RegKeyNode& AddKey(const std::string& path);
void SetValue(const std::string& keyPath, const std::string& name, std::uint32_t type,
              const std::vector<unsigned char>& data);
void SetString(const std::string& keyPath, const std::string& name, const std::string& ansi);
RegValue* FindValue(const std::string& keyPath, const std::string& name);

// The same with real names in UTF-8, as the W calls store them. These paths
// are physical: a 32-bit view's key is written out, HKLM\SOFTWARE\WOW6432Node\...
std::string KeyTextOfWide(const std::u16string& name);
std::string KeyTextOfUtf8(const std::string& name);
std::string Utf8OfKeyText(const std::string& text);
RegKeyNode& AddKeyUtf8(const std::string& path);
RegKeyNode* FindKeyUtf8(const std::string& path);
// Data in the W calls' form: text types as UTF-16LE with their NULs.
void SetValueUtf8(const std::string& keyPath, const std::string& name, std::uint32_t type,
                  const std::vector<unsigned char>& wDataBytes);
void SetStringUtf8(const std::string& keyPath, const std::string& name, const std::string& utf8Text);  // REG_SZ
void SetDword(const std::string& keyPath, const std::string& name, std::uint32_t value);
RegValue* FindValueUtf8(const std::string& keyPath, const std::string& name);
// The bytes RegQueryValueExW gives for the value.
std::vector<unsigned char> WideDataOf(const RegValue& value);
// The whole registry and file system as text, in a fixed order, for
// comparing a machine with itself before and after.
std::string DumpRegistry();
std::string DumpFiles();

// Files and folders, parents made as needed; times are FILETIME values.
// A path given as bytes is ANSI, as the A calls take it; one given in
// UTF-16 is the real name.
FileNode& AddFile(const std::string& path, std::uint64_t lastWriteTime = 0);
FileNode& AddDirectory(const std::string& path);
FileNode& AddProgram(const std::string& path, Program program = {});
const FileNode* FindFile(const std::string& path);
FileNode& AddFile(const std::u16string& path, std::uint64_t lastWriteTime = 0);
FileNode& AddDirectory(const std::u16string& path);
FileNode& AddProgram(const std::u16string& path, Program program = {});
const FileNode* FindFile(const std::u16string& path);
// The machine's key for an ANSI path (how m.files is keyed).
std::string FileKeyOfAnsi(const std::string& path);
std::uint64_t FileTimeOfDate(int year, int month, int day);
std::uint64_t Now();

}  // namespace fake
