// The files every scenario guards, checked the same way for both backends:
// a run that deletes, renames, rewrites or adds what no after line names
// fails, naming the path.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/scenario/scenario.h"

namespace {

// A folder tree as a backend would report it, keyed by upper-cased path.
struct Disk {
  std::map<std::string, scn::SeenFile> entries;

  static std::string Key(std::string path) {
    for (char& c : path)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return path;
  }
  void Put(const std::string& path, scn::SeenFile file) {
    file.name = scn::FileNameOf(path);
    entries[Key(path)] = file;
    paths[Key(path)] = path;
  }
  void Remove(const std::string& path) {
    entries.erase(Key(path));
    paths.erase(Key(path));
  }
  scn::AfterProbe Probe() {
    scn::AfterProbe probe;
    probe.fileExists = [this](const std::string& p) { return entries.count(Key(p)) != 0; };
    probe.regValue = [](const scn::RegValueSpec&) { return std::nullopt; };
    probe.fileAt = [this](const std::string& p) -> std::optional<scn::SeenFile> {
      auto found = entries.find(Key(p));
      if (found == entries.end()) return std::nullopt;
      return found->second;
    };
    probe.namesIn = [this](const std::string& folder) {
      std::vector<std::string> names;
      const std::string prefix = Key(folder.back() == '\\' ? folder : folder + "\\");
      for (const auto& [key, path] : paths)
        if (key.compare(0, prefix.size(), prefix) == 0 && key.find('\\', prefix.size()) == std::string::npos)
          names.push_back(path.substr(prefix.size()));
      return names;
    };
    return probe;
  }
  std::map<std::string, std::string> paths;  // key -> path as stored
};

scn::SeenFile File(std::uint64_t size, std::uint64_t time = 100) {
  scn::SeenFile f;
  f.size = size;
  f.content = "c" + std::to_string(size);
  f.lastWrite = time;
  return f;
}

struct GuardRow {
  const char* what;
  const char* afterLines;             // the scenario's after lines
  std::function<void(Disk&)> change;  // what the run did
  const char* failure;                // expected start of the report; empty: passes
};

TEST(ScenarioFiles, ARunThatChangesWhatNoAfterLineNamesFailsNamingThePath) {
  const GuardRow rows[] = {
      {"nothing changed", "", [](Disk&) {}, ""},
      {"the document deleted", "", [](Disk& d) { d.Remove("C:\\Docs\\memo.txt"); },
       "files: C:\\Docs\\memo.txt was removed or moved away"},
      {"the document deleted, as an after line says", "after nofile C:\\Docs\\memo.txt",
       [](Disk& d) { d.Remove("C:\\Docs\\memo.txt"); }, ""},
      {"the editor deleted", "", [](Disk& d) { d.Remove("C:\\Tools\\ed.exe"); },
       "files: C:\\Tools\\ed.exe was removed or moved away"},
      {"the document rewritten to another size", "", [](Disk& d) { d.Put("C:\\Docs\\memo.txt", File(0)); },
       "files: C:\\Docs\\memo.txt changed (size 19 now 0)"},
      {"the document rewritten in place", "",
       [](Disk& d) {
         scn::SeenFile f = File(19);
         f.content = "other";
         d.Put("C:\\Docs\\memo.txt", f);
       },
       "files: C:\\Docs\\memo.txt changed (content rewritten)"},
      {"the document touched", "", [](Disk& d) { d.Put("C:\\Docs\\memo.txt", File(19, 200)); },
       "files: C:\\Docs\\memo.txt changed (last-write time changed)"},
      {"the document's letter case changed", "",
       [](Disk& d) {
         d.Remove("C:\\Docs\\memo.txt");
         d.Put("C:\\Docs\\MEMO.TXT", File(19));
       },
       "files: C:\\Docs\\memo.txt changed (renamed to MEMO.TXT)"},
      {"a file made beside the document", "", [](Disk& d) { d.Put("C:\\Docs\\memo.htm", File(19)); },
       "files: C:\\Docs\\memo.htm was made by the run"},
      {"a renamed document, both names in after lines", "after nofile C:\\Docs\\memo.txt\nafter file C:\\Docs\\memo.htm",
       [](Disk& d) {
         d.Remove("C:\\Docs\\memo.txt");
         d.Put("C:\\Docs\\memo.htm", File(19));
       },
       ""},
      {"a renamed document with only the old name in an after line", "after nofile C:\\Docs\\memo.txt",
       [](Disk& d) {
         d.Remove("C:\\Docs\\memo.txt");
         d.Put("C:\\Docs\\memo.htm", File(19));
       },
       "files: C:\\Docs\\memo.htm was made by the run"},
      {"a file made in the temporary folder", "", [](Disk& d) { d.Put("C:\\TEMP\\x.tmp", File(1)); },
       "files: C:\\TEMP\\x.tmp was made by the run"},
      {"a file the machine had in a named folder deleted", "", [](Disk& d) { d.Remove("C:\\Tools\\readme.txt"); },
       "files: C:\\Tools\\readme.txt was removed or moved away"},
      {"a file made in a folder nothing names", "", [](Disk& d) { d.Put("C:\\Elsewhere\\x", File(1)); }, ""},
  };
  const std::string text =
      "== s\nprogram C:\\Tools\\ed.exe\nfile C:\\Docs\\memo.txt\nrun \"C:\\Velquin\\notepad.exe\" C:\\Docs\\memo.txt\n";
  for (const GuardRow& row : rows) {
    std::vector<std::string> errors;
    const std::vector<scn::Scenario> parsed =
        scn::ParseScenarios("f", text + row.afterLines + "\n", &errors);
    ASSERT_TRUE(errors.empty() && parsed.size() == 1) << row.what;
    Disk disk;
    disk.Put("C:\\TEMP", scn::SeenFile{"", true, 0, "", 0});
    disk.Put("C:\\Tools", scn::SeenFile{"", true, 0, "", 0});
    disk.Put("C:\\Tools\\ed.exe", File(5000));
    disk.Put("C:\\Tools\\readme.txt", File(3));
    disk.Put("C:\\Docs", scn::SeenFile{"", true, 0, "", 0});
    disk.Put("C:\\Docs\\memo.txt", File(19));
    disk.Put("C:\\Velquin\\notepad.exe", File(9000));
    scn::SeenRun seen;
    seen.filesBefore = scn::TakeFilesBefore(parsed[0], disk.Probe());
    row.change(disk);
    const std::string result = scn::CompareRun(parsed[0], seen, disk.Probe());
    if (*row.failure == '\0')
      EXPECT_EQ(result, "") << row.what;
    else
      EXPECT_EQ(result.substr(0, std::string(row.failure).size()), row.failure) << row.what << ": " << result;
  }
}

}  // namespace
