#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "setup/file_hash.h"
#include "setup/setup.h"
#include "setup/setup_machine.h"
#include "tests/fake/fake_os.h"
#include "tests/scenario/nested_launcher.h"

namespace velquin {
namespace {

const std::string kIfeo = "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\notepad.exe";
const std::string kRecord = "HKLM\\SOFTWARE\\Tarrowind\\Velquin\\Install";
const std::string kShortcut = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Velquin の設定.lnk";
const std::string kUserShortcut = "C:\\users\\ann\\Start Menu\\Programs\\Velquin の設定.lnk";
const std::string kPackage = "C:\\pkg\\";
// Windows names the installed launcher by its full path, quoted.
const std::string kLauncher = "\"C:\\Program Files\\Velquin\\velquin.exe\"";
const std::string kPolicy = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\CI\\Policy";

// The machines the setup meets: the package check's, and more.
struct Shape {
  const char* what;
  std::uint16_t native = os::kMachineAmd64;
  std::uint32_t build = 19045;
  bool wow64Notepad = true;  // SysWOW64 holds a notepad.exe
  bool windows11Ifeo = false;  // the store app's IFEO entries
  bool protectedNotepads = false;  // only TrustedInstaller may write them
  bool thirtyTwoBitSetup = false;  // the i686 setup under WOW64
  std::uint32_t smartAppControl = 0;  // Windows 11's state; Windows 10 has none
  bool signedBuilds = false;  // the package's launchers carry a signature Windows accepts
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::vector<unsigned char> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// UTF-16LE data with its NUL, as RegSetValueExW takes text.
std::vector<unsigned char> WideText(const std::string& utf8) {
  const std::u16string wide = fake::Utf16(utf8) + u'\0';
  std::vector<unsigned char> bytes;
  for (char16_t c : wide) bytes.push_back(static_cast<unsigned char>(c & 0xFF)), bytes.push_back(static_cast<unsigned char>(c >> 8));
  return bytes;
}

fake::Program Build(const std::string& file) {
  fake::Program program;
  program.hasVersion = true;
  program.versionTexts = {{"\\StringFileInfo\\041103A4\\CompanyName", "Tarrowind"},
                          {"\\StringFileInfo\\041103A4\\OriginalFilename", file}};
  return program;
}

class SetupTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }

  static void Environment(const std::string& name, const std::string& value) {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    fake::machine().environment[upper] = {name, value};
  }

  static void AddPackageFile(const std::string& name, const std::string& originalName) {
    fake::FileNode& node = fake::AddProgram(kPackage + name, Build(originalName));
    node.contents = "build of " + name;
  }

  static void MakeMachine(const Shape& shape) {
    fake::Machine& m = fake::machine();
    m.nativeMachine = shape.native;
    m.processMachine = shape.thirtyTwoBitSetup && shape.native != os::kMachineI386 ? os::kMachineI386 : os::kMachineUnknown;
    m.modulePath = kPackage + (shape.thirtyTwoBitSetup ? "velquin-setup.exe" : "velquin-setup64.exe");
    Environment("ProgramFiles", shape.native == os::kMachineI386 || !shape.thirtyTwoBitSetup ? "C:\\Program Files"
                                                                                              : "C:\\Program Files (x86)");
    if (shape.native != os::kMachineI386) Environment("ProgramW6432", "C:\\Program Files");
    Environment("LOCALAPPDATA", "C:\\users\\ann\\AppData\\Local");
    Environment("TEMP", "C:\\users\\ann\\Temp");
    // What every Windows has before any install.
    for (const char* folder : {"C:\\Program Files", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
                               "C:\\users\\ann\\Start Menu\\Programs"})
      fake::AddDirectory(folder);
    if (shape.native != os::kMachineI386) fake::AddDirectory("C:\\Program Files (x86)");
    for (const char* key : {"HKLM\\SOFTWARE\\Classes\\Applications", "HKLM\\SOFTWARE\\RegisteredApplications",
                            "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                            "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options",
                            "HKCU\\Software\\Classes", "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion"})
      fake::AddKeyUtf8(key);
    fake::AddDirectory("C:\\users\\ann\\AppData\\Local");
    fake::AddDirectory("C:\\users\\ann\\Temp");
    fake::SetStringUtf8("HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "CurrentBuild", std::to_string(shape.build));
    if (shape.build >= 22000) fake::SetDword(kPolicy, "VerifiedAndReputablePolicyState", shape.smartAppControl);
    for (const auto& [name, original] : std::vector<std::pair<std::string, std::string>>{
             {"velquin.exe", "velquin.exe"},
             {"velquin64.exe", "velquin.exe"},
             {"velquin-settings.exe", "velquin-settings.exe"},
             {"velquin-settings64.exe", "velquin-settings.exe"},
             {"velquin-setup.exe", "velquin-setup.exe"},
             {"velquin-setup64.exe", "velquin-setup.exe"}})
      AddPackageFile(name, original);
    for (const char* launcher : {"velquin.exe", "velquin64.exe"})
      fake::machine().files[fake::FileKeyOfAnsi(kPackage + launcher)].trustedSignature = shape.signedBuilds;
    // The settings program makes and removes its shortcut.
    for (const char* settings : {"velquin-settings.exe", "velquin-settings64.exe"})
      fake::machine().files[fake::FileKeyOfAnsi(kPackage + settings)].program->run = [](const std::string& line) {
        const bool user = line.find(" /user") != std::string::npos;
        const std::string link = user ? kUserShortcut : kShortcut;
        if (line.find("/add-shortcut") != std::string::npos) fake::AddFile(fake::Utf16(link)).contents = "link";
        else fake::machine().files.erase(fake::FileKeyOfAnsi(fake::ToAnsi(link)));
        return 0u;
      };
    const std::vector<std::pair<std::string, std::string>> notepads = {
        {"C:\\windows\\notepad.exe", "windows notepad"},
        {"C:\\windows\\system32\\notepad.exe", "system notepad"},
        {"C:\\windows\\SysWOW64\\notepad.exe", "wow64 notepad"}};
    for (const auto& [path, contents] : notepads) {
      if (path.find("SysWOW64") != std::string::npos && (shape.native == os::kMachineI386 || !shape.wow64Notepad)) continue;
      fake::FileNode& node = fake::AddProgram(path);
      node.contents = contents;
      node.systemProtected = shape.protectedNotepads;
      if (shape.protectedNotepads) node.owner = fake::kTrustedInstaller, node.access = "RX";
    }
    if (shape.native != os::kMachineI386) fake::AddDirectory("C:\\windows\\SysWOW64");
    // The administrators' tools take over a protected file and give it
    // back: its owner, and its rights as icacls saves and restores them.
    fake::AddProgram("C:\\windows\\system32\\takeown.exe").program->run = [](const std::string& line) {
      return Tool(line, [](fake::FileNode& node, const std::string&) { node.owner = "S-1-5-32-544"; });
    };
    fake::AddProgram("C:\\windows\\system32\\icacls.exe").program->run = [](const std::string& line) {
      return Tool(line, [](fake::FileNode& node, const std::string& rest) {
        const std::string saved = rest.substr(rest.find('"') + 1, rest.rfind('"') - rest.find('"') - 1);
        if (rest.find("/save") != std::string::npos) {
          fake::AddFile(fake::Utf16(saved)).contents = node.access.empty() ? (node.systemProtected ? "RX" : "F") : node.access;
        } else if (rest.find("/restore") != std::string::npos) {
          // Onto the folder's files named in the saved rights: here the one notepad.exe.
          fake::FileNode& notepad = fake::machine().files[fake::FileKeyOfAnsi(node.path + "\\notepad.exe")];
          notepad.access = fake::FindFile(saved)->contents;
          notepad.systemProtected = notepad.access != "F";
        } else if (rest.find("/setowner") != std::string::npos) {
          node.owner = rest.find("TrustedInstaller") != std::string::npos ? fake::kTrustedInstaller
                                                                          : rest.substr(rest.find('*') + 1);
        } else {
          node.access = rest.substr(rest.rfind(':') + 1);
          node.systemProtected = node.access != "F";
        }
      });
    };
    fake::AddProgram("C:\\windows\\system32\\cmd.exe").program->run = [](const std::string& line) {
      fake::machine().files.erase(fake::FileKeyOfAnsi(line.substr(line.rfind('"', line.size() - 2) + 1,
                                                                  line.size() - 2 - line.rfind('"', line.size() - 2))));
      return 0u;
    };
    if (shape.windows11Ifeo) {
      fake::SetDword(kIfeo, "UseFilter", 1);
      fake::SetDword(kIfeo, "AppExecutionAliasRedirect", 1);
      fake::SetStringUtf8(kIfeo, "AppExecutionAliasRedirectPackages", "*");
      const char* paths[] = {"C:\\Windows\\System32\\notepad.exe", "C:\\Windows\\SysWOW64\\notepad.exe",
                             "C:\\Windows\\notepad.exe"};
      for (int i = 0; i < 3; ++i) {
        const std::string sub = kIfeo + "\\" + std::to_string(i);
        fake::SetStringUtf8(sub, "FilterFullPath", paths[i]);
        fake::SetDword(sub, "AppExecutionAliasRedirect", 1);
        fake::SetStringUtf8(sub, "AppExecutionAliasRedirectPackages", "*");
      }
    }
  }

  // A tool run on the file (or folder) named in quotes after its own name,
  // found without regard to case, as Windows finds it; rest is what follows.
  template <typename Act>
  static std::uint32_t Tool(const std::string& line, Act act) {
    const std::size_t open = line.find('"', line.find('"', 1) + 1), close = line.find('"', open + 1);
    const std::string target = line.substr(open + 1, close - open - 1), rest = line.substr(close + 1);
    for (auto& [key, node] : fake::machine().files)
      if (Lower(node.path) == Lower(target)) {
        act(node, rest);
        return 0u;
      }
    return 1u;
  }
  static int Run(const std::string& arguments, const std::string& version = "9.8.7.6") {
    fake::machine().consoleOut.clear();
    return RunSetup(u"\"" + fake::Utf16(fake::machine().modulePath) + u"\" " + fake::Utf16(arguments), fake::Utf16(version));
  }
  // As a detection script runs it: the installed setup program, away from the package.
  static int RunInstalled(const std::string& arguments,
                          const std::string& installed = "C:\\Program Files\\Velquin\\velquin-setup.exe") {
    const std::string package = fake::machine().modulePath;
    fake::machine().modulePath = installed;
    const auto running = fake::machine().files.find(fake::FileKeyOfAnsi(installed));
    if (running != fake::machine().files.end()) running->second.running = true;
    const int code = Run(arguments);
    fake::machine().modulePath = package;
    return code;
  }
  // The package's custom actions run under msiexec.exe.
  static void StartedByMsiexec() {
    fake::machine().otherProcesses.push_back({fake::machine().parentProcessId, 1, 0, "C:\\windows\\system32\\msiexec.exe"});
  }
  // The package's files where it puts them, and its custom action running.
  static void RunFromThePackage() {
    const std::string folder = "C:\\Program Files\\Velquin\\";
    for (const auto& [name, from] : std::vector<std::pair<std::string, std::string>>{
             {"velquin.exe", "velquin64.exe"},
             {"velquin32.exe", "velquin.exe"},
             {"velquin-settings.exe", "velquin-settings64.exe"},
             {"velquin-setup.exe", "velquin-setup64.exe"}})
    {
      const fake::FileNode built = *fake::FindFile(kPackage + from);
      fake::AddProgram(folder + name, *built.program).contents = built.contents;
    }
    fake::machine().modulePath = folder + "velquin-setup.exe";
    StartedByMsiexec();
  }
  static std::string Output() { return fake::machine().consoleOut; }
  static void SmartAppControlOn() { fake::SetDword(kPolicy, "VerifiedAndReputablePolicyState", kSmartAppControlOn); }
  static std::string State() { return fake::DumpRegistry() + fake::DumpFiles(); }
  static std::string Contents(const std::string& path) {
    const fake::FileNode* node = fake::FindFile(fake::Utf16(path));
    return node ? node->contents : "(missing)";
  }
  static std::string Text(const std::string& key, const std::string& name) {
    const fake::RegValue* value = fake::FindValueUtf8(key, name);
    if (!value) return "(absent)";
    const std::vector<unsigned char> data = fake::WideDataOf(*value);
    std::u16string wide;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) wide += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    while (!wide.empty() && wide.back() == u'\0') wide.pop_back();
    return fake::FromUtf16(wide);
  }
};

const Shape kShapes[] = {
    {"Windows 10 with a 32-bit Notepad"},
    {"Windows 10 without SysWOW64's Notepad", os::kMachineAmd64, 19045, false},
    {"Windows 11 with the store app's entries", os::kMachineAmd64, 22631, true, true},
    {"Windows 11 with protected Notepads", os::kMachineAmd64, 22631, true, true, true},
    {"32-bit Windows 10", os::kMachineI386, 19045, false},
    {"ARM64 Windows 10", os::kMachineArm64, 19045},
    {"ARM64 Windows 11", os::kMachineArm64, 22631, true, true},
    {"the 32-bit setup on 64-bit Windows 11", os::kMachineAmd64, 22631, true, true, false, true},
    {"Windows 11 with Smart App Control on and signed builds", os::kMachineAmd64, 22631, true, true, false, false,
     kSmartAppControlOn, true},
    {"Windows 11 with Smart App Control in evaluation", os::kMachineAmd64, 22631, true, true, false, false,
     kSmartAppControlEvaluation},
};

// Each machine and form: installed, installed again (nothing changes),
// uninstalled (the machine byte for byte as before), uninstalled again.
TEST_F(SetupTest, InstallRepairAndUninstallGiveTheMachineBack) {
  for (const Shape& shape : kShapes) {
    for (const char* form : {"/redirect", "/replace"}) {
      SetUp();
      MakeMachine(shape);
      const std::string what = std::string(shape.what) + " " + form;
      const std::string before = State();
      ASSERT_EQ(Run(form), kSetupDone) << what << "\n" << Output();
      // Only an unsigned launcher under evaluation is a word of warning.
      EXPECT_EQ(Output().find("Smart App Control is in evaluation: Windows may turn it on later") != std::string::npos,
                shape.smartAppControl == kSmartAppControlEvaluation && !shape.signedBuilds)
          << what << "\n" << Output();
      const std::string installed = State();
      EXPECT_EQ(Contents("C:\\windows\\system32\\notepa~.exe"), "system notepad") << what;
      EXPECT_EQ(Contents("C:\\windows\\notepa~.exe"), "windows notepad") << what;
      EXPECT_EQ(Text(kRecord, "Mode"), std::string(form + 1)) << what;
      EXPECT_EQ(Contents(kShortcut), "link") << what;
      // The build Windows runs natively (or emulated) where notepad.exe is.
      const bool x64 = shape.native == os::kMachineAmd64 || (shape.native == os::kMachineArm64 && shape.build >= 22000);
      const std::string native = x64 ? "build of velquin64.exe" : "build of velquin.exe";
      EXPECT_EQ(Contents("C:\\Program Files\\Velquin\\velquin.exe"), native) << what;
      const std::string debugger = Text(kIfeo, "Debugger");
      if (std::string(form) == "/redirect") {
        EXPECT_EQ(debugger, kLauncher) << what;
        EXPECT_EQ(Contents("C:\\windows\\system32\\notepad.exe"), "system notepad") << what;
        if (shape.windows11Ifeo) {
          EXPECT_EQ(Text(kIfeo + "\\0", "Debugger"), debugger) << what;
        }
      } else {
        EXPECT_EQ(debugger, "(absent)") << what;
        EXPECT_EQ(Contents("C:\\windows\\system32\\notepad.exe"), native) << what;
        if (shape.native != os::kMachineI386 && shape.wow64Notepad) {
          EXPECT_EQ(Contents("C:\\windows\\SysWOW64\\notepad.exe"), "build of velquin.exe") << what;
        }
      }
      if (shape.windows11Ifeo) {
        EXPECT_EQ(Text(kIfeo + "\\1", "AppExecutionAliasRedirect"), "") << what;
      }
      EXPECT_EQ(Run(form), kSetupDone) << what;
      EXPECT_NE(Output().find("already installed"), std::string::npos) << what << "\n" << Output();
      EXPECT_EQ(State(), installed) << what << ": the second install";
      EXPECT_EQ(Run("/check /quiet"), kSetupDone) << what << "\n" << Output();
      ASSERT_EQ(Run("/uninstall"), kSetupDone) << what << "\n" << Output();
      EXPECT_EQ(State(), before) << what << ": after uninstall";
      EXPECT_EQ(Run("/uninstall"), kSetupDone) << what;
      EXPECT_EQ(State(), before) << what << ": the second uninstall";
      const fake::Machine& m = fake::machine();
      EXPECT_TRUE(m.openKeys.empty() && m.openFinds.empty() && m.openFiles.empty() && m.openProcesses.empty())
          << what << ": a handle was left open";
    }
  }
}

// A Windows update resets what an install changed: the same install puts
// it back, and nothing else.
TEST_F(SetupTest, RunAgainRepairsWhatAnUpdateReset) {
  struct Row {
    const char* what;
    const char* form;
    std::function<void()> update;
    bool repairRefused = false;  // the repair cannot put it right; the uninstall still goes
  };
  const Row rows[] = {
      {"the system's Notepad back", "/replace",
       [] {
         fake::FileNode& notepad = fake::machine().files[fake::FileKeyOfAnsi("C:\\windows\\system32\\notepad.exe")];
         notepad.contents = "updated";
         notepad.program = fake::Program{};
       }},
      {"UseFilter on again", "/redirect", [] { fake::SetDword(kIfeo, "UseFilter", 1); }},
      {"the Debugger gone", "/redirect",
       [] { fake::FindKeyUtf8(kIfeo)->values.erase(fake::KeyTextOfUtf8("DEBUGGER")); }},
      {"the Default apps entry gone", "/replace",
       [] { fake::FindKeyUtf8("HKLM\\SOFTWARE\\RegisteredApplications")->values.clear(); }},
      {"a feature update's reset of the redirect", "/redirect",
       [] {
         fake::SetDword(kIfeo, "UseFilter", 1);
         fake::SetDword(kIfeo + "\\1", "AppExecutionAliasRedirect", 1);
         fake::FindKeyUtf8(kIfeo)->values.erase(fake::KeyTextOfUtf8("DEBUGGER"));
       }},
      {"an earlier release's short-name Debugger", "/redirect",
       [] {
         for (const std::string& key : {kIfeo, kIfeo + "\\0", kIfeo + "\\1", kIfeo + "\\2", kRecord})
           if (fake::FindValueUtf8(key, "Debugger")) {
             fake::SetStringUtf8(key, "Debugger", "C:\\PROGRA~1\\Velquin\\velquin.exe");
           }
       }},
      {"an installed program gone", "/redirect",
       [] { fake::machine().files.erase(fake::FileKeyOfAnsi("C:\\Program Files\\Velquin\\velquin-settings.exe")); }},
      {"Smart App Control turned on over the unsigned launcher", "/redirect",
       [] { SmartAppControlOn(); }, true},
  };
  for (const Row& row : rows) {
    SetUp();
    MakeMachine(kShapes[2]);
    ASSERT_EQ(Run(row.form), kSetupDone) << row.what;
    const std::string installed = State();
    EXPECT_EQ(RunInstalled("/check /quiet"), kSetupDone) << row.what << "\n" << Output();
    EXPECT_EQ(Output(), "Velquin 9.8.7.6 (" + std::string(row.form) + ") is installed as recorded.\r\n") << row.what;
    row.update();
    EXPECT_EQ(Run("/check"), kSetupRepairDue) << row.what;
    EXPECT_NE(Output().find(": a repair is due:\r\n  "), std::string::npos) << row.what << "\n" << Output();
    EXPECT_EQ(RunInstalled("/check /quiet"), kSetupRepairDue) << row.what;
    EXPECT_EQ(Output().find("\r\n"), Output().size() - 2) << row.what << ": one line\n" << Output();
    EXPECT_EQ(Run(std::string(row.form) + " /quiet"), row.repairRefused ? kSetupRefused : kSetupDone) << row.what;
    if (!row.repairRefused) {
      EXPECT_EQ(Output(), "") << row.what;
      EXPECT_EQ(State(), installed) << row.what;
      EXPECT_EQ(Run("/check"), kSetupDone) << row.what << "\n" << Output();
    }
    EXPECT_EQ(Run("/uninstall"), kSetupDone) << row.what;
    EXPECT_EQ(Run("/check"), kSetupNotInstalled) << row.what;
  }
}

// After a replace install Windows may put its own notepad.exe back (a
// cumulative update, sfc), protected or not: the uninstall leaves that file
// alone and gives back only what is still velquin.exe, taking over what is
// protected again. A record of a release that kept no hash is judged by the
// version resource.
TEST_F(SetupTest, UninstallAfterWindowsPutItsNotepadBack) {
  const std::string system32 = "C:\\windows\\system32\\notepad.exe";
  struct Row {
    const char* what;
    bool hashKept;
    std::function<void(fake::FileNode&)> update;
    const char* contents;  // System32's notepad.exe after the uninstall
    bool protectedAfter;
    const char* foundOwner = fake::kTrustedInstaller;  // and its rights, as the install found them
    const char* foundAccess = "RX";
  };
  const Row rows[] = {
      {"restored and protected", true,
       [](fake::FileNode& n) { n.contents = "restored notepad", n.program = fake::Program{}, n.systemProtected = true; },
       "restored notepad", true},
      {"updated, writable", true, [](fake::FileNode& n) { n.contents = "newer notepad", n.program = fake::Program{}; },
       "newer notepad", false},
      {"still ours, protected again", true, [](fake::FileNode& n) { n.systemProtected = true; }, "system notepad", true},
      {"restored, a record without hashes", false,
       [](fake::FileNode& n) { n.contents = "restored notepad", n.program = fake::Program{}, n.systemProtected = true; },
       "restored notepad", true},
      {"still ours, a record without hashes", false, [](fake::FileNode&) {}, "system notepad", true},
      {"still ours, protected again, found with an owner and rights of its own", true,
       [](fake::FileNode& n) { n.systemProtected = true, n.owner = fake::kTrustedInstaller, n.access = "RX"; },
       "system notepad", true, "S-1-5-18", "R"},
      {"a copy of the recorded program, no version read, no hashes", false,
       [](fake::FileNode& n) { n.program = fake::Program{}; }, "system notepad", true},
  };
  for (const Row& row : rows) {
    SetUp();
    MakeMachine(kShapes[3]);
    fake::FileNode& found = fake::machine().files[fake::FileKeyOfAnsi(system32)];
    found.owner = row.foundOwner, found.access = row.foundAccess;
    ASSERT_EQ(Run("/replace"), kSetupDone) << row.what << "\n" << Output();
    ASSERT_EQ(Text(kRecord, "Hash_S"), fake::FromUtf16(Sha256Text(Bytes("build of velquin64.exe")))) << row.what;
    if (!row.hashKept)
      for (const char* role : {"Hash_W", "Hash_S", "Hash_X"}) fake::FindKeyUtf8(kRecord)->values.erase(fake::KeyTextOfUtf8(role));
    row.update(fake::machine().files[fake::FileKeyOfAnsi(system32)]);
    EXPECT_EQ(Run("/uninstall"), kSetupDone) << row.what << "\n" << Output();
    const fake::FileNode* notepad = fake::FindFile(system32);
    ASSERT_NE(notepad, nullptr) << row.what;
    EXPECT_EQ(notepad->contents, row.contents) << row.what;
    EXPECT_EQ(notepad->systemProtected, row.protectedAfter) << row.what;
    if (std::string(row.contents) == "system notepad") {
      EXPECT_EQ(notepad->owner + " " + notepad->access, std::string(row.foundOwner) + " " + row.foundAccess) << row.what;
    }
    EXPECT_EQ(Contents("C:\\windows\\notepad.exe"), "windows notepad") << row.what;
    EXPECT_EQ(fake::FindFile("C:\\windows\\system32\\notepa~.exe"), nullptr) << row.what;
    EXPECT_EQ(fake::FindKeyUtf8(kRecord), nullptr) << row.what;
  }
}

TEST(FileHashTest, Sha256OfKnownTexts) {
  const std::pair<std::string, std::string> rows[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
  };
  for (const auto& [text, digest] : rows) EXPECT_EQ(fake::FromUtf16(Sha256Text(Bytes(text))), digest) << text;
}

// Nothing is changed when the install is refused, asked what it would do,
// or stopped by a failing write.
TEST_F(SetupTest, RefusedOrFailedRunsChangeNothing) {
  struct Row {
    const char* what;
    const char* arguments;
    std::function<void()> prepare;
    int exit;
    const char* said;
    bool leavesChanges = false;  // a put-back failed, and is said
  };
  const Row rows[] = {
      {"another program's Debugger", "/redirect",
       [] { fake::SetStringUtf8(kIfeo, "Debugger", "C:\\Other\\tool.exe"); }, kSetupRefused,
       "Windows already runs another program instead of notepad.exe"},
      {"another program's Debugger in a matching subkey", "/redirect",
       [] { fake::SetStringUtf8(kIfeo + "\\2", "Debugger", "C:\\Other\\tool.exe"); }, kSetupRefused, "Debugger = C:\\Other\\tool.exe"},
      {"notepad.exe already velquin.exe", "/replace",
       [] { fake::machine().files[fake::FileKeyOfAnsi("C:\\windows\\notepad.exe")].program = Build("velquin.exe"); },
       kSetupRefused, "is already velquin.exe"},
      {"a notepa~.exe of someone else's, replacing", "/replace", [] { fake::AddFile("C:\\windows\\notepa~.exe"); },
       kSetupRefused, "notepa~.exe already exists"},
      {"the classic Notepad removed", "/redirect",
       [] { fake::machine().files.erase(fake::FileKeyOfAnsi("C:\\windows\\system32\\notepad.exe")); }, kSetupRefused,
       "the classic Notepad"},
      {"a package file missing", "/redirect",
       [] { fake::machine().files.erase(fake::FileKeyOfAnsi(kPackage + "velquin.exe")); }, kSetupRefused,
       "a file of the package is missing"},
      {"installed the other way", "/redirect", [] { fake::SetStringUtf8(kRecord, "Mode", "replace"); }, kSetupRefused,
       "already installed (/replace)"},
      {"a record it cannot read", "/uninstall", [] { fake::SetDword(kRecord, "Mode", 1); }, kSetupRefused,
       "holds a value that is no text"},
      {"not an administrator", "/redirect", [] { fake::machine().isAdmin = false; }, kSetupNotAdmin,
       "must run as administrator"},
      {"not an administrator, uninstalling", "/uninstall", [] { fake::machine().isAdmin = false; }, kSetupNotAdmin,
       "uninstall.cmd must run as administrator"},
      {"/package from the zip", "/redirect /package", [] {}, kSetupRefused, "is for the Windows Installer package's own use"},
      {"/package under a program named msiexec.exe elsewhere", "/uninstall /package",
       [] { fake::machine().otherProcesses.push_back({4000, 1, 0, "C:\\pkg\\msiexec.exe"}); }, kSetupRefused,
       "is for the Windows Installer package's own use"},
      {"Smart App Control on, an unsigned launcher", "/redirect", [] { SmartAppControlOn(); }, kSetupRefused,
       "Smart App Control is on and would block every start of Notepad through velquin.exe: C:\\pkg\\velquin64.exe"},
      {"Smart App Control on, replacing", "/replace", [] { SmartAppControlOn(); }, kSetupRefused, "Smart App Control is on"},
      {"Smart App Control on, for the user", "/user", [] { SmartAppControlOn(); }, kSetupRefused, "Smart App Control is on"},
      {"Smart App Control on, the package's custom action", "/redirect /package",
       [] { RunFromThePackage(), SmartAppControlOn(); }, kSetupRefused,
       "through velquin.exe: C:\\Program Files\\Velquin\\velquin.exe has no signature that Windows accepts."},
      {"a usage mistake", "/redirect /replace", [] {}, kSetupUsage, "Usage:"},
      {"the elevated uninstall's own window waits for Enter", "/uninstall /elevated", [] {}, kSetupDone,
       "no installation is recorded. Nothing was changed.\r\nPress Enter to close this window."},
      {"/whatif", "/redirect /whatif", [] {}, kSetupDone, "UseFilter = REG_DWORD 0x0 (was REG_DWORD 0x1)"},
      {"a write refused near the end", "/redirect",
       [] { fake::AddKeyUtf8("HKLM\\SOFTWARE\\RegisteredApplications").failSet = true; }, kSetupStopped,
       "what it had changed is put back"},
      {"a write refused near the end, and the shortcut's removal failing", "/redirect",
       [] {
         fake::AddKeyUtf8("HKLM\\SOFTWARE\\RegisteredApplications").failSet = true;
         fake::machine().files[fake::FileKeyOfAnsi(kPackage + "velquin-settings64.exe")].program->run =
             [](const std::string& line) {
               if (line.find("/add-shortcut") != std::string::npos) fake::AddFile(fake::Utf16(kShortcut)).contents = "link";
               return line.find("/add-shortcut") != std::string::npos ? 0u : 1u;
             };
       },
       kSetupStopped, "could not be put back; see to them by hand:\r\n  run \"C:\\Program Files\\Velquin\\velquin-settings.exe\" /add-shortcut\r\n", true},
      {"the rights refused once a protected Notepad is taken over", "/replace",
       [] {
         fake::FileNode& notepad = fake::machine().files[fake::FileKeyOfAnsi("C:\\windows\\system32\\notepad.exe")];
         notepad.systemProtected = true, notepad.owner = fake::kTrustedInstaller, notepad.access = "RX";
         auto& icacls = fake::machine().files[fake::FileKeyOfAnsi("C:\\windows\\system32\\icacls.exe")].program->run;
         icacls = [tool = icacls](const std::string& line) {
           return line.find("/grant *") != std::string::npos ? 1u : tool(line);
         };
       },
       kSetupStopped, "take over C:\\windows\\System32\\notepad.exe for the administrators (takeown, icacls)"},
      {"a copy refused half-way", "/replace",
       [] { fake::machine().files[fake::FileKeyOfAnsi("C:\\windows\\SysWOW64\\notepad.exe")].failWrite = true; },
       kSetupStopped, "copy C:\\pkg\\velquin.exe to C:\\windows\\SysWOW64\\notepad.exe"},
  };
  for (const Row& row : rows) {
    SetUp();
    MakeMachine(kShapes[2]);
    row.prepare();
    const std::string before = State();
    EXPECT_EQ(Run(row.arguments), row.exit) << row.what << "\n" << Output();
    EXPECT_NE(Output().find(row.said), std::string::npos) << row.what << "\n" << Output();
    // Each refusal once, though both registry views show the key.
    std::set<std::string> lines;
    for (std::size_t at = 0, end; (end = Output().find("\r\n", at)) != std::string::npos; at = end + 2)
      EXPECT_TRUE(lines.insert(Output().substr(at, end - at)).second) << row.what << ": said twice\n" << Output();
    EXPECT_EQ(State() == before, !row.leavesChanges) << row.what;
    EXPECT_EQ(Output().find("is put back"), row.leavesChanges ? std::string::npos : Output().find("is put back")) << row.what;
  }
}

// Registry text of any content is data: subkey names with "_" and blanks,
// values with the characters batch files misread and text outside the
// code page come back exactly.
TEST_F(SetupTest, ValuesAndSubkeysOfAnyContentComeBackExactly) {
  MakeMachine(kShapes[2]);
  const std::string odd = kIfeo + "\\my_sub key 𠮷";
  fake::SetStringUtf8(odd, "FilterFullPath", "C:\\WINDOWS\\system32\\NOTEPAD.EXE");
  fake::SetValueUtf8(odd, "AppExecutionAliasRedirect", os::kRegSz, WideText("100% !wow! ^caret \"quoted\" é"));
  fake::SetValueUtf8(kIfeo, "AppExecutionAliasRedirect", os::kRegBinary, Bytes(std::string("\x01\x00\xff", 3)));
  // reg.exe's form would misread these: a list holding "\0", a text without its NUL.
  std::vector<unsigned char> list = WideText("a\\0b");
  list.push_back(0), list.push_back(0);
  fake::SetValueUtf8(kIfeo + "\\1", "AppExecutionAliasRedirect", os::kRegMultiSz, list);
  std::vector<unsigned char> unterminated = WideText("on");
  unterminated.resize(unterminated.size() - 2);
  fake::SetValueUtf8(kIfeo + "\\2", "AppExecutionAliasRedirect", os::kRegSz, unterminated);
  const std::string before = State();
  ASSERT_EQ(Run("/redirect"), kSetupDone) << Output();
  EXPECT_EQ(Text(odd, "Debugger"), kLauncher);
  EXPECT_EQ(Text(kRecord, "Was_64_my_sub key 𠮷_AppExecutionAliasRedirect"),
            "REG_SZ 100% !wow! ^caret \"quoted\" é");
  EXPECT_EQ(Text(kRecord, "Was_64_-_AppExecutionAliasRedirect"), "REG_BINARY 0100FF");
  EXPECT_EQ(Text(kRecord, "Was_64_2_AppExecutionAliasRedirect"), "hex(1) 6F006E00");
  ASSERT_EQ(Run("/uninstall"), kSetupDone) << Output();
  EXPECT_EQ(State(), before);
}

// The first release's own install (its record and what it did, as its
// install.cmd left them) comes off with today's uninstall, and today's
// install undoes it first and installs afresh.
TEST_F(SetupTest, AnEarlierReleasesInstallComesOffCleanly) {
  for (const bool upgrade : {false, true}) {
    SetUp();
    MakeMachine(kShapes[0]);
    const std::string before = State();
    const std::string dir = "C:\\Program Files (x86)\\Velquin";
    fake::AddProgram(dir + "\\velquin.exe", Build("velquin.exe")).contents = "first release";
    for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
             {"CreatedKey", "HKLM\\SOFTWARE\\Tarrowind"},
             {"Mode", "redirect"},
             {"Copy_W", "C:\\windows\\notepa~.exe"},
             {"Copy_S", "C:\\windows\\system32\\notepa~.exe"},
             {"ProgramDir", dir},
             {"Program", dir + "\\velquin.exe"},
             {"IfeoKey_64", "1"},
             {"Debugger_64", "C:\\PROGRA~2\\Velquin\\velquin.exe"},
             {"IfeoKey_32", "1"},
             {"Debugger_32", "C:\\PROGRA~2\\Velquin\\velquin.exe"}})
      fake::SetStringUtf8(kRecord, name, text);
    fake::SetStringUtf8(kIfeo, "Debugger", "C:\\PROGRA~2\\Velquin\\velquin.exe");
    fake::AddFile("C:\\windows\\notepa~.exe").contents = "windows notepad";
    fake::AddFile("C:\\windows\\system32\\notepa~.exe").contents = "system notepad";
    // A refusal of the new install comes before the earlier one is undone.
    fake::FileNode& notepad = fake::machine().files[fake::FileKeyOfAnsi("C:\\windows\\notepad.exe")];
    const fake::FileNode system = notepad;
    notepad.program = Build("velquin.exe");
    const std::string earlierInstall = State();
    EXPECT_EQ(Run("/redirect"), kSetupRefused) << Output();
    EXPECT_EQ(State(), earlierInstall) << "a refused install over the earlier release";
    fake::machine().files[fake::FileKeyOfAnsi("C:\\windows\\notepad.exe")] = system;
    if (upgrade) {
      // /whatif shows the undoing, then the install on the machine it leaves.
      const std::string undone = State();
      ASSERT_EQ(Run("/redirect /whatif"), kSetupDone) << Output();
      EXPECT_EQ(State(), undone);
      const std::size_t then = Output().find("and then installed afresh (/redirect):");
      EXPECT_NE(Output().find("Debugger = REG_SZ " + kLauncher + " (was absent)", then),
                std::string::npos) << Output();
      // The copy it kept goes with the undoing: the new one is made afresh.
      EXPECT_NE(Output().find("  copy C:\\windows\\notepad.exe to C:\\windows\\notepa~.exe\r\n", then), std::string::npos);
      ASSERT_EQ(Run("/redirect"), kSetupDone) << Output();
      EXPECT_NE(Output().find("undid the earlier release's installation (/redirect)"), std::string::npos) << Output();
      EXPECT_EQ(Text(kIfeo, "Debugger"), kLauncher);
      EXPECT_EQ(Text(kRecord, "Uninstaller"), "C:\\Program Files\\Velquin\\velquin-setup.exe");
      EXPECT_EQ(fake::FindFile(dir + "\\velquin.exe"), nullptr);
    }
    ASSERT_EQ(Run("/uninstall"), kSetupDone) << Output();
    EXPECT_EQ(State(), before) << (upgrade ? "upgraded, then uninstalled" : "uninstalled");
  }
}

// A release over another: a newer one replaces the programs and the
// registration and keeps the record of the system's own state, the same
// one repairs, an older one refuses; uninstall then gives the machine back.
TEST_F(SetupTest, ANewerReleaseUpgradesAndAnOlderOneRefuses) {
  struct Row {
    const char* installed;  // the record's Version; "-": a record without one
    int exit;
    const char* said;
    bool newFiles;
    bool editorOpen = false;  // launchers of the old build wait for their editors
  };
  const Row rows[] = {
      {"9.7.10.0", kSetupDone, "upgraded (/replace) to 9.8.7.6 from 9.7.10.0.", true},
      {"9.7.10.0", kSetupDone, "upgraded (/replace) to 9.8.7.6 from 9.7.10.0.", true, true},
      {"-", kSetupDone, "upgraded (/replace) to 9.8.7.6.", true},
      {"9.8.7.6", kSetupDone, "already installed (/replace). Nothing was changed.", false},
      {"9.8.10", kSetupRefused, "Velquin 9.8.10 is installed, which is newer than this release (9.8.7.6).", false},
  };
  for (const Row& row : rows) {
    SetUp();
    MakeMachine(kShapes[3]);
    const std::string before = State();
    ASSERT_EQ(Run("/replace", row.installed[0] == '-' ? "1.0" : row.installed), kSetupDone) << Output();
    if (row.installed[0] == '-') fake::FindKeyUtf8(kRecord)->values.erase(fake::KeyTextOfUtf8("VERSION"));
    const auto newPackage = [](bool on) {
      for (auto& [key, node] : fake::machine().files)
        if (node.path.rfind(kPackage, 0) == 0) node.contents = on ? "new " + node.contents : node.contents.substr(4);
    };
    newPackage(true);
    const std::string installed = State();
    const char* const launchers[] = {"C:\\Program Files\\Velquin\\velquin.exe", "C:\\windows\\system32\\notepad.exe"};
    for (const char* path : launchers) fake::machine().files[fake::FileKeyOfAnsi(path)].running = row.editorOpen;
    EXPECT_EQ(Run("/replace"), row.exit) << row.installed;
    EXPECT_NE(Output().find(row.said), std::string::npos) << row.installed << "\n" << Output();
    if (row.newFiles) {
      EXPECT_EQ(Contents("C:\\Program Files\\Velquin\\velquin.exe"), "new build of velquin64.exe") << row.installed;
      EXPECT_EQ(Contents("C:\\windows\\system32\\notepad.exe"), "new build of velquin64.exe") << row.installed;
      EXPECT_EQ(Contents("C:\\windows\\system32\\notepa~.exe"), "system notepad") << row.installed;
      EXPECT_EQ(Text(kRecord, "Version"), "9.8.7.6") << row.installed;
      EXPECT_EQ(Text("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velquin", "DisplayVersion"), "9.8.7.6");
      // The old builds still running go at the next restart.
      EXPECT_EQ(fake::machine().removeAtRestart.size(), row.editorOpen ? 2u : 0u) << row.installed;
      for (const std::string& path : fake::machine().removeAtRestart) fake::machine().files.erase(fake::FileKeyOfAnsi(path));
    } else {
      EXPECT_EQ(State(), installed) << row.installed;
    }
    ASSERT_EQ(Run("/uninstall"), kSetupDone) << row.installed << "\n" << Output();
    newPackage(false);
    EXPECT_EQ(State(), before) << row.installed << ": after uninstall";
  }
}

// Once installed, Windows starts the launcher for every system notepad.exe
// (through the redirect, or as the file itself) and the launcher opens the
// editor; once uninstalled, the same starts reach Notepad.
TEST_F(SetupTest, NotepadStartsReachTheLauncherWhileInstalled) {
  for (const Shape& shape : {kShapes[0], kShapes[2]}) {
    for (const char* form : {"/redirect", "/replace"}) {
      SetUp();
      MakeMachine(shape);
      for (const char* build : {"velquin.exe", "velquin64.exe"})
        fake::machine().files[fake::FileKeyOfAnsi(kPackage + build)].program->launcher = true;
      fake::AddProgram("C:\\Tools\\ed.exe");
      fake::SetStringUtf8("HKCU\\Software\\Tarrowind\\Velquin\\Setting", "Editor", "C:\\Tools\\ed.exe");
      fake::AddFile("C:\\Docs\\a.txt");
      ASSERT_EQ(Run(form), kSetupDone) << Output();
      for (const bool installed : {true, false}) {
        if (!installed) {
          ASSERT_EQ(Run("/uninstall"), kSetupDone) << Output();
        }
        for (const char* notepad :
             {"C:\\windows\\notepad.exe", "C:\\windows\\system32\\notepad.exe", "C:\\windows\\SysWOW64\\notepad.exe"}) {
          const std::string what = std::string(shape.what) + " " + form + (installed ? " " : " uninstalled ") + notepad;
          const std::string caller = std::string(notepad) + " C:\\Docs\\a.txt";
          std::vector<std::string> launched, started;
          scn::RunLaunchersAgainOnTheFake();
          const auto launcher = fake::machine().runLauncher;
          fake::machine().runLauncher = [&](const std::string& real, const std::string& ansi, bool wide,
                                            const std::string& module) {
            launched.push_back(real);
            return launcher(real, ansi, wide, module);
          };
          fake::machine().events.clear();
          os::ProcessHandles handles;
          ASSERT_TRUE(os::StartProcess(caller, {}, &handles)) << what;
          for (const fake::Event& event : fake::machine().events)
            if (event.kind == fake::Event::Start) started.push_back(event.commandLine);
          if (!installed) {
            EXPECT_EQ(launched, std::vector<std::string>{}) << what;
            EXPECT_EQ(started, std::vector<std::string>{caller}) << what;
            continue;
          }
          EXPECT_EQ(launched, std::vector<std::string>{std::string(form) == "/redirect" ? kLauncher + " " + caller : caller})
              << what;
          EXPECT_EQ(started, (std::vector<std::string>{caller, "C:\\Tools\\ed.exe \"C:\\Docs\\a.txt\""})) << what;
        }
      }
    }
  }
}

// The form for one user: the user's own keys and folders, nothing of the
// machine's, and no administrator needed.
TEST_F(SetupTest, TheUsersOwnInstallTouchesOnlyTheUser) {
  MakeMachine(kShapes[2]);
  fake::machine().isAdmin = false;
  const std::string before = State();
  const std::string machineKeys = fake::DumpRegistry();
  ASSERT_EQ(Run("/user"), kSetupDone) << Output();
  const std::string local = "C:\\users\\ann\\AppData\\Local\\Programs\\Velquin";
  EXPECT_EQ(Contents(local + "\\velquin.exe"), "build of velquin64.exe");
  EXPECT_EQ(Text("HKCU\\Software\\Classes\\Velquin.Text\\shell\\open\\command", ""),
            "C:\\users\\ann\\AppData\\Local\\Programs\\Velquin\\velquin.exe C:\\windows\\notepad.exe \"%1\"");
  EXPECT_EQ(Text("HKCU\\Software\\RegisteredApplications", "Velquin"), "Software\\Tarrowind\\Velquin\\Capabilities");
  EXPECT_EQ(Text("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velquin", "UninstallString"),
            "\"" + local + "\\velquin-setup.exe\" /uninstall /user");
  EXPECT_EQ(Contents(kUserShortcut), "link");
  EXPECT_EQ(Contents("C:\\windows\\system32\\notepad.exe"), "system notepad");
  EXPECT_EQ(fake::FindValueUtf8(kIfeo, "Debugger"), nullptr);
  EXPECT_EQ(fake::FindKeyUtf8(kRecord), nullptr);
  ASSERT_EQ(Run("/uninstall /user"), kSetupDone) << Output();
  EXPECT_EQ(State(), before);
  (void)machineKeys;
  // Apps & features runs the installed setup program, which cannot delete
  // itself: it waits in %TEMP% (or beside itself, where %TEMP% is on
  // another drive) for the user's RunOnce entry.
  const std::string runOnce = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
  for (const auto& [temp, left] : std::vector<std::pair<std::string, std::string>>{
           {"C:\\users\\ann\\Temp", "C:\\users\\ann\\Temp\\velquin-setup-4242.exe"},
           {"D:\\Temp", local + "\\velquin-setup.exe.velquin-removed"}}) {
    SetUp();
    MakeMachine(kShapes[2]);
    fake::machine().isAdmin = false;
    fake::AddDirectory("D:\\Temp");
    Environment("TEMP", temp);
    ASSERT_EQ(Run("/user"), kSetupDone) << Output();
    ASSERT_EQ(RunInstalled("/uninstall /user /quiet", local + "\\velquin-setup.exe"), kSetupDone) << temp << "\n" << Output();
    EXPECT_EQ(Text(runOnce, "Velquin"), "\"C:\\windows\\System32\\cmd.exe\" /c del /f /q \"" + left + "\" & rd \"" + local +
                                            "\" & rd \"C:\\users\\ann\\AppData\\Local\\Programs\"")
        << temp;
    EXPECT_EQ(Contents(left), "build of velquin-setup64.exe") << temp;
  }
}

// Under the Windows Installer package, which has put the programs in their
// folder and owns them and the Apps & features entry: the setup makes only
// the system's changes, and each side refuses the other's install.
TEST_F(SetupTest, UnderThePackageOnlyTheSystemsChangesAreTheSetups) {
  for (const char* form : {"/redirect", "/replace"}) {
    SetUp();
    MakeMachine(kShapes[2]);
    RunFromThePackage();
    const std::string what = std::string("the package's ") + form;
    const std::string before = State();
    // Windows Installer writes its own key first, the properties staged in
    // it: one given, one an earlier package set, one neither.
    const std::string staged = "HKLM\\SOFTWARE\\Tarrowind\\Velquin\\Package\\Properties";
    const std::string defaults = "HKLM\\SOFTWARE\\Tarrowind\\Velquin\\Setting";
    fake::SetStringUtf8("HKLM\\SOFTWARE\\Tarrowind\\Velquin\\Package", "Form", form + 1);
    for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
             {"Staged", "1"}, {"Editor", "C:\\Tools\\ed.exe"}, {"Kept_Editor", "C:\\Tools\\old.exe"},
             {"NoWait", ""}, {"Kept_NoWait", "1"}, {"IeExt", ""}, {"Kept_IeExt", ""}})
      fake::SetStringUtf8(staged, name, text);
    ASSERT_EQ(Run(std::string(form) + " /package /quiet"), kSetupDone) << what << "\n" << Output();
    EXPECT_EQ(Text(defaults, "Editor") + " " + Text(defaults, "NoWait") + " " + Text(defaults, "IeExt"),
              "C:\\Tools\\ed.exe 1 (absent)") << what;
    fake::SetStringUtf8(staged, "Editor", "C:\\Tools\\other.exe");  // a repair's own property
    EXPECT_EQ(Text(kRecord, "Package"), "1") << what;
    EXPECT_EQ(Text(kRecord, "Program"), "(absent)") << what;
    EXPECT_EQ(fake::FindKeyUtf8("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velquin"), nullptr) << what;
    EXPECT_EQ(Contents(kShortcut), "link") << what;
    if (std::string(form) == "/redirect") {
      EXPECT_EQ(Text(kIfeo, "Debugger"), kLauncher) << what;
    } else {
      EXPECT_EQ(Contents("C:\\windows\\SysWOW64\\notepad.exe"), "build of velquin.exe") << what;
    }
    const std::string installed = State();
    EXPECT_EQ(Run("/uninstall"), kSetupRefused) << what;
    EXPECT_EQ(Run(form), kSetupRefused) << what;
    EXPECT_EQ(State(), installed) << what << ": install.cmd's forms refused";
    EXPECT_EQ(Run(std::string(form) + " /package /quiet"), kSetupDone) << what << ": a repair";
    EXPECT_EQ(State(), installed) << what << ": the repair";
    // Windows Installer removes its own key before the uninstall runs.
    for (const char16_t* key : {u"SOFTWARE\\Tarrowind\\Velquin\\Package\\Properties", u"SOFTWARE\\Tarrowind\\Velquin\\Package"})
      ASSERT_EQ(os::DeleteKeyW(os::kLocalMachine, key, os::kView64), os::kSuccess) << what;
    ASSERT_EQ(Run("/uninstall /package /quiet"), kSetupDone) << what << "\n" << Output();
    EXPECT_EQ(State(), before) << what << ": after uninstall";
  }
  // The package over install.cmd's install is refused; its uninstall leaves that one.
  SetUp();
  MakeMachine(kShapes[2]);
  ASSERT_EQ(Run("/redirect"), kSetupDone);
  StartedByMsiexec();
  const std::string scripted = State();
  EXPECT_EQ(Run("/redirect /package"), kSetupRefused);
  EXPECT_NE(Output().find("Run its uninstall.cmd before installing the Windows Installer package"), std::string::npos)
      << Output();
  EXPECT_EQ(Run("/uninstall /package"), kSetupDone);
  EXPECT_EQ(State(), scripted);
}

}  // namespace
}  // namespace velquin
