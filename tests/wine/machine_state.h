// Everything a scenario changes on the Wine machine, recorded as it is made
// so that it can be taken back before the next scenario: directories made
// (removed with whatever the launcher put in them), entries that appeared
// in directories that were already there, files of the prefix overwritten
// (restored from a copy), registry keys made and values replaced.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace machine {

class Journal {
 public:
  explicit Journal(std::wstring backupDirectory) : backupDirectory_(std::move(backupDirectory)) {}
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  // Creates the directory and its missing parents.
  bool MakeDirectories(const std::wstring& path);
  // Writes a whole file, parents made as needed, keeping a copy of a file
  // of the machine's own that it replaces.
  bool WriteFile(const std::wstring& path, const std::string& bytes);
  // Creates the key and its missing parents.
  bool MakeKey(HKEY root, const std::wstring& path);
  // Sets a value, keeping what the machine had there before.
  bool SetValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const std::string& data);

  // Takes back everything recorded, latest first, and forgets it.
  void Undo();

 private:
  void WatchDirectory(const std::wstring& directory);
  bool KeyExists(HKEY root, const std::wstring& path) const;

  struct Listing {
    std::wstring directory;
    std::set<std::wstring> names;  // upper-cased
  };
  struct Backup {
    std::wstring original, copy;
  };
  struct Key {
    HKEY root;
    std::wstring path;
  };
  struct Value {
    HKEY root;
    std::wstring path, name;
    bool existed;
    DWORD type;
    std::string data;
  };

  std::wstring backupDirectory_;
  std::vector<std::wstring> madeDirectories_;
  std::vector<Listing> listings_;
  std::vector<Backup> backups_;
  std::vector<Key> madeKeys_;
  std::vector<Value> replacedValues_;
};

// Removes a file or a directory with everything in it.
void RemoveTree(const std::wstring& path);
std::wstring ParentOf(const std::wstring& path);

}  // namespace machine
