// Scenario files: one run of the launcher each, with the machine it starts
// on and what must happen. Parsed once here and run by two backends (the
// in-memory fake and the real executable under Wine), which report what they
// saw; the comparison and the report lines are shared so both read alike.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>


namespace scn {

struct RegValueSpec {
  std::string root;  // HKCU or HKLM
  std::string path;  // key path under root, no leading or trailing backslash
  std::string name;  // empty: the key's default value
  std::string type;  // sz, expand, dword, binary, raw
  std::string data;  // as written in the file (UTF-8)
  // raw: registry type rawType with exactly rawBytes as data, stored as the
  // system's ANSI call stores them (text types converted, no NUL added).
  std::uint32_t rawType = 0;
  std::string rawBytes;
};

struct SetupItem {
  enum Kind { Key, Reg, File, Dir, Program, Access, Launcher, Redirect } kind = File;
  std::string path;       // file or directory path; Redirect: the Debugger text
  std::string imageName;  // Redirect: the image name it catches
  bool readOnly = false;  // Access: the key grants KEY_READ (else nothing)
  RegValueSpec value;     // Reg
  std::string time;       // File: YYYY-MM-DD, empty for now
  bool locked = false;    // File
  int staysMs = 0;        // Program
  int exitCode = 0;       // Program: the code its process ends with
  bool hasVersion = false;
  unsigned versionMajor = 0, versionMinor = 0;
};

struct Expected {
  enum Kind { BoxError, BoxInfo, Fatal, Shell, Start, Waited } kind = Start;
  std::string text;    // box text (lines joined with \r\n), fatal message, start command, shell file
  std::string kindName;  // fatal
  std::string params;  // shell
  int lines = 0;       // box: '>' lines read so far
};

struct AfterCheck {
  enum Kind { File, NoFile, Reg, NoReg } kind = File;
  std::string path;
  RegValueSpec value;
};

struct Scenario {
  std::string file;
  int line = 0;
  std::string name;
  bool system95 = false;
  int codepage = 932;
  char decimal = '.';
  std::string temp = "C:\\TEMP\\";
  std::string cwd = "C:\\";  // the directory the launcher is started in
  std::vector<SetupItem> setup;
  std::string commandLine;     // in UTF-8, or in the code page when commandLineBytes
  bool commandLineBytes = false;  // given by 'runbytes' as hexadecimal bytes
  std::vector<Expected> events;
  int exitCode = 0;
  std::vector<AfterCheck> after;
};

// "41 42" or "4142" as bytes; false on anything else.
bool ParseHexBytes(const std::string& text, std::string* out);
// Bytes as "41 42", the way both backends report registry data.
std::string HexBytes(const std::string& bytes);

// Parses one file; a malformed line is reported in *errors as "file:line: why".
std::vector<Scenario> ParseScenarios(const std::string& fileName, const std::string& content,
                                     std::vector<std::string>* errors);

// What a backend saw during one run, texts in UTF-8.
struct SeenEvent {
  enum Kind { Box, Shell, Start, Waited } kind = Start;
  std::string caption, text;  // Box
  std::string icon;           // Box: error, info, none, or another word
  std::string file, params;   // Shell
  std::string commandLine;    // Start
};

// A file or directory as a backend sees it.
struct SeenFile {
  std::string name;  // the real name, letter case as stored
  bool directory = false;
  std::uint64_t size = 0;
  std::string content;  // a digest of the bytes; empty for a directory
  std::uint64_t lastWrite = 0;  // FILETIME; not compared for a directory
};

// What a scenario guards, as it stood when the launcher was started: every
// path a setup line made (and the launcher itself), and the names in every
// folder the scenario names.
struct FilesBefore {
  std::vector<std::pair<std::string, std::optional<SeenFile>>> guarded;
  std::vector<std::pair<std::string, std::vector<std::string>>> folders;
};

struct SeenRun {
  std::vector<SeenEvent> events;
  int exitCode = 0;
  std::string failure;  // set when the backend itself could not run the scenario
  FilesBefore filesBefore;
};

struct SeenRegValue {
  std::string type;  // sz, expand, dword, binary, multi, or a number
  std::string data;  // sz/expand: text up to its first NUL; dword: decimal; others: hex bytes
};

// Answers the after-run questions about the backend's machine.
struct AfterProbe {
  std::function<bool(const std::string& path)> fileExists;
  std::function<std::optional<SeenRegValue>(const RegValueSpec& where)> regValue;
  std::function<std::optional<SeenFile>(const std::string& path)> fileAt;
  // The names directly in a folder; empty when there is no such folder.
  std::function<std::vector<std::string>(const std::string& folder)> namesIn;
};

// Taken after the setup, before the launcher starts.
FilesBefore TakeFilesBefore(const Scenario& scenario, const AfterProbe& probe);

// Empty when the run matches the scenario, else what differed; the files
// are compared with seen.filesBefore.
std::string CompareRun(const Scenario& scenario, const SeenRun& seen, const AfterProbe& probe);

// The file name of the program that the command line's first token names.
std::string LauncherPathOf(const std::string& commandLine);
std::string FileNameOf(const std::string& path);
// Paths compare as Windows compares them, letter case aside, without a
// trailing backslash (C:\ keeps its own).
std::string FoldedPath(std::string path);
// The folder that holds a path; empty for a bare name.
std::string FolderOf(const std::string& path);

inline constexpr const char* kProductCaption = "Velquin 2.33.0.1";
inline constexpr const char* kFatalCaption = "ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ";

// Runs every scenario of the files through run(): prints PASS/FAIL/SKIP
// lines and the closing count; returns the number failed.
struct Totals {
  int passed = 0, failed = 0, skipped = 0;
};
using RunOne = std::function<std::string(const Scenario&, std::string* skipReason)>;
Totals RunScenarioFiles(const std::vector<std::string>& files,
                        const std::function<bool(const std::string&, std::string*)>& readFile,
                        const RunOne& run, const std::string& label);

}  // namespace scn
