// Changes to the system as data: the setup program's install and uninstall
// and the settings window's saving compute a list of them, can show it, and
// hand it to one executor. The executor reads what each change replaces
// just before it writes, and when a change fails it puts back, newest
// first, what the changes before it did.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/os.h"

namespace velquin {

struct RegistryKey {
  os::KeyHandle root = os::kLocalMachine;
  std::u16string path;
  std::uint32_t view = 0;  // 0, os::kView64 or os::kView32
};
// A key under this one, in the same hive and view.
inline RegistryKey Subkey(const RegistryKey& key, const std::u16string& path) {
  return {key.root, key.path + u"\\" + path, key.view};
}

// A value's type and data in the W calls' form (text in UTF-16 with its NUL).
struct RegistryData {
  std::uint32_t type = os::kRegSz;
  std::vector<unsigned char> bytes;
  bool operator==(const RegistryData& other) const { return type == other.type && bytes == other.bytes; }
  bool operator!=(const RegistryData& other) const { return !(*this == other); }
};

RegistryData TextData(const std::u16string& text, std::uint32_t type = os::kRegSz);
RegistryData DwordData(std::uint32_t value);

struct SystemChange {
  enum class Kind {
    SetValue,         // key, name, data; makes the key and its parents as needed
    DeleteValue,      // key, name
    DeleteKey,        // key, which holds no subkey by then (onlyIfEmpty: nor a value, else left)
    CopyFile,         // source to path
    MakeDirectory,    // path
    RemoveDirectory,  // path; one that still holds files is left, not a failure
    RemoveFile,       // path
    Run,              // command, with undoCommand to put back what it did
    // path: a file the system protects, taken over by the administrators
    // (or, givesBack, given back its owner and rights): steps in order.
    TakeOver,
  };
  Kind kind = Kind::SetValue;
  RegistryKey key;
  std::u16string name;
  RegistryData data;
  std::optional<RegistryData> before;  // what the value was when planned: shown, not trusted
  std::u16string source, path;
  // CopyFile over an existing file: a copy of its content, which putting
  // back copies over it again. Without one the file is left as copied.
  std::u16string restoreFrom;
  bool replaces = false;  // CopyFile: a file was there when planned: shown, not trusted
  std::u16string command, undoCommand;  // full command lines of programs by full path
  // TakeOver: each step's command and the command that undoes it.
  std::vector<std::pair<std::u16string, std::u16string>> steps;
  bool givesBack = false;
  bool onlyIfEmpty = false;
  // RemoveFile: where the file waits, renamed, until every change has
  // succeeded; beside it unless set. A running program can be renamed (on
  // its volume) but not deleted: it then goes at the next restart.
  std::u16string aside;
};

SystemChange SetValueChange(const RegistryKey& key, const std::u16string& name, const RegistryData& data,
                            std::optional<RegistryData> before);
SystemChange DeleteValueChange(const RegistryKey& key, const std::u16string& name, std::optional<RegistryData> before);
SystemChange DeleteKeyChange(const RegistryKey& key, bool onlyIfEmpty = false);
SystemChange CopyFileChange(const std::u16string& source, const std::u16string& path,
                            const std::u16string& restoreFrom = {});
SystemChange DirectoryChange(SystemChange::Kind kind, const std::u16string& path);
SystemChange RemoveFileChange(const std::u16string& path, const std::u16string& aside = {});
SystemChange RunChange(const std::u16string& command, const std::u16string& undoCommand);
SystemChange TakeOverChange(const std::u16string& path, std::vector<std::pair<std::u16string, std::u16string>> steps,
                            bool givesBack);
// Where a RemoveFile change sets its file aside.
std::u16string AsideOf(const SystemChange& change);

// Reads a value through the W call; nullopt when it is absent or unreadable.
std::optional<RegistryData> ReadRegistryValue(const RegistryKey& key, const std::u16string& name);
bool RegistryKeyExists(const RegistryKey& key);
// The names of a key's subkeys and of its values, as the system lists
// them; none when the key cannot be opened.
std::vector<std::u16string> RegistrySubkeyNames(const RegistryKey& key);
std::vector<std::u16string> RegistryValueNames(const RegistryKey& key);

struct ApplyResult {
  std::optional<std::size_t> failed;  // the change that failed, all before it put back
  std::vector<std::size_t> notPutBack;  // of those, the ones that could not be, newest first
  std::vector<std::u16string> leftFolders;  // folders RemoveDirectory found holding files
};
ApplyResult ApplySystemChanges(const std::vector<SystemChange>& changes);

// A registry path as the system's tools show it: "HKLM\..." / "HKCU\...".
std::u16string RegistryKeyText(const RegistryKey& key);

}  // namespace velquin
