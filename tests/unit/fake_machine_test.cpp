// The fake machine the setup program is tested on must behave as Windows
// does where setup depends on it, or setup's tests prove nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "tests/fake/fake_os.h"

namespace velquin {
namespace {

class FakeMachineTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }
};

std::vector<unsigned char> BytesOf(const std::u16string& text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  return std::vector<unsigned char>(bytes, bytes + text.size() * 2);
}

// Where a key made through a root lands, by view flag and process; the A
// open must agree with the W create.
TEST_F(FakeMachineTest, KeysLandInTheViewTheSystemChooses) {
  const std::uint16_t native = os::kMachineUnknown, wow64 = os::kMachineI386;
  struct Row {
    const char* what;
    std::uint16_t nativeMachine, processMachine;
    os::KeyHandle root;
    const char* path;
    std::uint32_t view;
    const char* physical;
  };
  const Row rows[] = {
      {"native, no flag", os::kMachineAmd64, native, os::kLocalMachine,
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velquin", 0,
       "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velquin"},
      {"native, 32-bit flag", os::kMachineAmd64, native, os::kLocalMachine,
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velquin", os::kView32,
       "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velquin"},
      {"32-bit process, no flag", os::kMachineAmd64, wow64, os::kLocalMachine, "SOFTWARE\\Tarrowind", 0,
       "HKLM\\SOFTWARE\\WOW6432Node\\Tarrowind"},
      {"32-bit process, 64-bit flag", os::kMachineAmd64, wow64, os::kLocalMachine, "SOFTWARE\\Tarrowind",
       os::kView64, "HKLM\\SOFTWARE\\Tarrowind"},
      {"32-bit process on ARM64", os::kMachineArm64, wow64, os::kLocalMachine, "SOFTWARE\\RegisteredApplications", 0,
       "HKLM\\SOFTWARE\\WOW6432Node\\RegisteredApplications"},
      {"first component in any case", os::kMachineAmd64, native, os::kLocalMachine, "software\\Tarrowind",
       os::kView32, "HKLM\\software\\WOW6432Node\\Tarrowind"},
      {"Image File Execution Options shared", os::kMachineAmd64, wow64, os::kLocalMachine,
       "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\velquin.exe", 0,
       "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\velquin.exe"},
      {"its parent redirected", os::kMachineAmd64, wow64, os::kLocalMachine,
       "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
       "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion"},
      {"Classes shared", os::kMachineAmd64, native, os::kLocalMachine, "SOFTWARE\\Classes\\.vqn", os::kView32,
       "HKLM\\SOFTWARE\\Classes\\.vqn"},
      {"Classes\\CLSID redirected", os::kMachineAmd64, native, os::kLocalMachine, "SOFTWARE\\Classes\\CLSID\\{1}",
       os::kView32, "HKLM\\SOFTWARE\\WOW6432Node\\Classes\\CLSID\\{1}"},
      {"outside SOFTWARE", os::kMachineAmd64, wow64, os::kLocalMachine, "SYSTEM\\Tarrowind", 0,
       "HKLM\\SYSTEM\\Tarrowind"},
      {"HKCU never", os::kMachineAmd64, wow64, os::kCurrentUser, "SOFTWARE\\Tarrowind", os::kView32,
       "HKCU\\SOFTWARE\\Tarrowind"},
      {"32-bit Windows has one view", os::kMachineI386, native, os::kLocalMachine, "SOFTWARE\\Tarrowind",
       os::kView32, "HKLM\\SOFTWARE\\Tarrowind"},
  };
  for (const Row& row : rows) {
    fake::Reset();
    fake::machine().nativeMachine = row.nativeMachine;
    fake::machine().processMachine = row.processMachine;
    os::KeyHandle key = 0;
    bool created = false;
    const std::u16string path = fake::Utf16(row.path);
    ASSERT_EQ(os::CreateKeyW(row.root, path, os::kKeyAllAccess | row.view, &key, &created), os::kSuccess) << row.what;
    EXPECT_TRUE(created) << row.what;
    EXPECT_EQ(fake::machine().openKeys[key], row.physical) << row.what;
    EXPECT_NE(fake::FindKeyUtf8(row.physical), nullptr) << row.what;
    EXPECT_EQ(fake::machine().keys.size(),
              static_cast<std::size_t>(std::count(row.physical, row.physical + std::strlen(row.physical), '\\')))
        << row.what << ": only the key and its parents";
    os::KeyHandle again = 0;
    ASSERT_EQ(os::OpenKey(row.root, row.path, os::kKeyRead | row.view, &again), os::kSuccess) << row.what;
    EXPECT_EQ(fake::machine().openKeys[again], row.physical) << row.what;
    EXPECT_EQ(os::DeleteKeyW(row.root, path, row.view), os::kSuccess) << row.what;
    EXPECT_EQ(fake::FindKeyUtf8(row.physical), nullptr) << row.what;
  }
}

TEST_F(FakeMachineTest, KeyDeletionRefusesWhatWindowsRefuses) {
  struct Row {
    const char* what;
    std::function<void(fake::RegKeyNode&)> prepare;
    long status;
  };
  const Row rows[] = {
      {"a key with values", [](fake::RegKeyNode&) {}, os::kSuccess},
      {"a key with a subkey", [](fake::RegKeyNode&) { fake::AddKey("HKCU\\Software\\Doomed\\Child"); },
       os::kAccessDenied},
      {"a locked key", [](fake::RegKeyNode& key) { key.failSet = true; }, os::kAccessDenied},
      {"a key without DELETE", [](fake::RegKeyNode& key) { key.grants = os::kKeyRead; }, os::kAccessDenied},
      {"no key", [](fake::RegKeyNode&) { fake::machine().keys.clear(); }, os::kFileNotFound},
  };
  for (const Row& row : rows) {
    fake::Reset();
    fake::SetDword("HKCU\\Software\\Doomed", "Count", 1);
    row.prepare(*fake::FindKeyUtf8("HKCU\\Software\\Doomed"));
    EXPECT_EQ(os::DeleteKeyW(os::kCurrentUser, u"Software\\Doomed", 0), row.status) << row.what;
    EXPECT_EQ(fake::FindKeyUtf8("HKCU\\Software\\Doomed") == nullptr, row.status != os::kAccessDenied) << row.what;
  }
}

// A W name the code page cannot hold is its own key, comes back as written,
// and no A call reaches it under its look-alike.
TEST_F(FakeMachineTest, NamesOutsideTheCodePageComeBackExactly) {
  struct Row {
    const char16_t* name;
    bool ansiReaches;  // the A form of the name finds the value
  };
  const Row rows[] = {{u"é", false}, {u"ü", false}, {u"\U00020BB7", false}, {u"¥x", false},
                      {u"日本", true}, {u"Plain", true}};
  // Embedded NULs and no trailing one: the bytes must come back as they went.
  const std::u16string data(u"a\0\U00020BB7\0\0", 6);
  for (const Row& row : rows) {
    fake::Reset();
    const std::u16string name = row.name;
    const std::string what = fake::FromUtf16(name);
    os::KeyHandle key = 0;
    bool created = false;
    ASSERT_EQ(os::CreateKeyW(os::kCurrentUser, u"Software\\" + name, os::kKeyAllAccess, &key, &created),
              os::kSuccess);
    EXPECT_TRUE(created) << what;
    const std::vector<unsigned char> bytes = BytesOf(data);
    ASSERT_EQ(os::SetValueW(key, name, os::kRegMultiSz, bytes.data(), static_cast<std::uint32_t>(bytes.size())),
              os::kSuccess);
    os::KeyHandle parent = 0;
    ASSERT_EQ(os::OpenKeyW(os::kCurrentUser, u"Software", os::kKeyRead, &parent), os::kSuccess);
    std::u16string listed;
    EXPECT_EQ(os::EnumKeyW(parent, 0, &listed), os::kSuccess);
    EXPECT_EQ(listed, name) << what;
    EXPECT_EQ(os::EnumKeyW(parent, 1, &listed), os::kNoMoreItems) << what;
    EXPECT_EQ(os::EnumValueNameW(key, 0, &listed), os::kSuccess);
    EXPECT_EQ(listed, name) << what;
    EXPECT_EQ(os::EnumValueNameW(key, 1, &listed), os::kNoMoreItems) << what;
    std::uint32_t type = 0, size = 64;
    std::vector<unsigned char> read(size);
    ASSERT_EQ(os::QueryValueW(key, name, &type, read.data(), &size), os::kSuccess) << what;
    read.resize(size);
    EXPECT_EQ(read, bytes) << what;
    EXPECT_EQ(type, os::kRegMultiSz);
    size = 64;
    EXPECT_EQ(os::QueryValue(key, fake::AnsiOfWide(name), &type, read.data(), &size) == os::kSuccess,
              row.ansiReaches)
        << what;
    os::KeyHandle reopened = 0;
    EXPECT_EQ(os::CreateKeyW(os::kCurrentUser, u"Software\\" + name, os::kKeyAllAccess, &reopened, &created),
              os::kSuccess);
    EXPECT_FALSE(created) << what;
    const std::string listing = "HKCU\\Software\\" + what + "\n  \"" + what + "\" 7 [";
    EXPECT_NE(fake::DumpRegistry().find(listing), std::string::npos) << fake::DumpRegistry();
  }
}

// A 32-bit process's file calls, of every kind, see SysWOW64 as System32.
TEST_F(FakeMachineTest, A32BitProcessSeesSysWow64AsSystem32) {
  struct Row {
    const char* what;
    std::uint16_t nativeMachine, processMachine;
    const char* folder;    // as asked
    const char* physical;  // the folder reached; "": none
  };
  const Row rows[] = {
      {"native", os::kMachineAmd64, os::kMachineUnknown, "C:\\windows\\System32", "C:\\windows\\System32"},
      {"32-bit", os::kMachineAmd64, os::kMachineI386, "C:\\windows\\System32", "C:\\windows\\SysWOW64"},
      {"32-bit, any case", os::kMachineAmd64, os::kMachineI386, "c:\\WINDOWS\\system32", "C:\\windows\\SysWOW64"},
      {"32-bit through Sysnative", os::kMachineAmd64, os::kMachineI386, "C:\\windows\\Sysnative",
       "C:\\windows\\System32"},
      {"native has no Sysnative", os::kMachineAmd64, os::kMachineUnknown, "C:\\windows\\Sysnative", ""},
      {"a longer name is no System32", os::kMachineAmd64, os::kMachineI386, "C:\\windows\\System32x",
       "C:\\windows\\System32x"},
      {"32-bit Windows", os::kMachineI386, os::kMachineUnknown, "C:\\windows\\System32", "C:\\windows\\System32"},
  };
  for (const Row& row : rows) {
    fake::Reset();
    fake::machine().nativeMachine = row.nativeMachine;
    fake::machine().processMachine = row.processMachine;
    for (const char* folder : {"C:\\windows\\System32", "C:\\windows\\SysWOW64", "C:\\windows\\System32x"})
      fake::AddFile(std::string(folder) + "\\a.dll").contents = folder;
    fake::AddFile("C:\\new.dll");
    const std::u16string folder = fake::Utf16(row.folder);
    const std::string physical = row.physical;
    const bool found = !physical.empty();
    EXPECT_EQ(os::FileAttributesW(folder + u"\\a.dll"), found ? 0x20 : os::kNoAttributes) << row.what;
    os::FindData data;
    EXPECT_EQ(os::FindFirstW(folder + u"\\a.dll", &data) != os::kInvalidFindHandle, found) << row.what;
    EXPECT_EQ(os::CopyFileOverW(folder + u"\\a.dll", u"C:\\out.dll"), found) << row.what;
    if (!found) continue;
    EXPECT_EQ(data.size, physical.size()) << row.what;
    EXPECT_EQ(fake::FindFile("C:\\out.dll")->contents, physical) << row.what;
    ASSERT_TRUE(os::CopyFileOverW(u"C:\\new.dll", folder + u"\\new.dll")) << row.what;
    EXPECT_NE(fake::FindFile(physical + "\\new.dll"), nullptr) << row.what;
    EXPECT_TRUE(os::RemoveFileW(folder + u"\\new.dll")) << row.what;
    EXPECT_EQ(fake::FindFile(physical + "\\new.dll"), nullptr) << row.what;
  }
}

}  // namespace
}  // namespace velquin
