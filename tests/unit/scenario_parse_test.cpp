// Lines the scenario format adds for particular files: raw registry data of
// any type and a command line given as bytes (hostile.scn), a stub
// program's stay and exit code, and the directory the launcher is started in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/scenario/scenario.h"

namespace {

struct ParseRow {
  const char* line;  // a setup or run line of a scenario
  bool parses;
  std::uint32_t rawType;
  std::string bytes;  // raw data, or the command line of runbytes
  int staysMs = 0, exitCode = 0;  // program lines
  const char* why = "";  // a line refused: part of the error it gives
};

TEST(ScenarioParse, RawValuesCommandLineBytesAndProgramExits) {
  const ParseRow rows[] = {
      {"reg HKCU\\K\\V = raw 1 43 3a", true, 1, "C:"},
      {"reg HKCU\\K\\V = raw 7 4100 00", true, 7, std::string("A\0\0", 3)},
      {"reg HKCU\\K\\V = raw 1 ", true, 1, ""},
      {"reg HKCU\\K\\V = raw 4294967295 ff", true, 0xFFFFFFFFu, "\xff"},
      {"reg HKCU\\K\\V = raw 4294967296 ff", false, 0, ""},
      {"reg HKCU\\K\\V = raw 1 4", false, 0, ""},
      {"reg HKCU\\K\\V = raw 1 4 1", false, 0, ""},
      {"reg HKCU\\K\\V = raw 1 zz", false, 0, ""},
      {"reg HKCU\\K\\V = raw x 41", false, 0, ""},
      {"runbytes 22 43 22 20 81", true, 0, "\"C\" \x81"},
      {"runbytes ", false, 0, ""},
      {"runbytes 2", false, 0, ""},
      {"program C:\\Tools\\ed.exe", true, 0, "", 0, 0},
      {"program C:\\Tools\\ed.exe exits 3", true, 0, "", 0, 3},
      {"program C:\\Tools\\ed.exe exits 0", true, 0, "", 0, 0},
      {"program C:\\Tools\\ed.exe exits 255", true, 0, "", 0, 255},
      {"program C:\\Tools\\ed.exe stays 300", true, 0, "", 300, 0},
      {"program C:\\Tools\\ed.exe stays 300 exits 7", true, 0, "", 300, 7},
      {"program C:\\Tools\\ed.exe exits 256", false, 0, "", 0, 0, "exits takes an exit code from 0 to 255"},
      {"program C:\\Tools\\ed.exe exits -1", false, 0, "", 0, 0, "0 to 255"},
      {"program C:\\Tools\\ed.exe exits ", false, 0, "", 0, 0, "0 to 255"},
      {"program C:\\Tools\\ed.exe exits x", false, 0, "", 0, 0, "0 to 255"},
      {"program C:\\Tools\\ed.exe exits 3 stays 300", false, 0, "", 0, 0, "0 to 255"},
      {"program C:\\Tools\\ed.exe stays x exits 3", false, 0, "", 0, 0, "stays takes milliseconds"},
      {"program C:\\Tools\\ed.exe version 1.2 exits 3", false, 0, "", 0, 0, "not version"},
  };
  for (const ParseRow& row : rows) {
    const std::string line = row.line;
    const bool isRun = line.rfind("runbytes", 0) == 0;
    const std::string file = "== s\n" + line + "\n" + (isRun ? "" : "run x\n");
    std::vector<std::string> errors;
    const std::vector<scn::Scenario> parsed = scn::ParseScenarios("f", file, &errors);
    EXPECT_EQ(errors.empty(), row.parses) << line;
    if (!errors.empty()) {
      EXPECT_NE(errors[0].find(row.why), std::string::npos) << errors[0];
    }
    if (!row.parses || parsed.size() != 1) continue;
    if (line.rfind("program ", 0) == 0) {
      ASSERT_EQ(parsed[0].setup.size(), 1u) << line;
      EXPECT_EQ(parsed[0].setup[0].path, "C:\\Tools\\ed.exe") << line;
      EXPECT_EQ(parsed[0].setup[0].staysMs, row.staysMs) << line;
      EXPECT_EQ(parsed[0].setup[0].exitCode, row.exitCode) << line;
    } else if (isRun) {
      EXPECT_TRUE(parsed[0].commandLineBytes) << line;
      EXPECT_EQ(parsed[0].commandLine, row.bytes) << line;
    } else {
      ASSERT_EQ(parsed[0].setup.size(), 1u) << line;
      EXPECT_EQ(parsed[0].setup[0].value.rawType, row.rawType) << line;
      EXPECT_EQ(parsed[0].setup[0].value.rawBytes, row.bytes) << line;
    }
  }
}

}  // namespace

namespace {

TEST(ScenarioParse, HexBytesReadBackAsTheyAreWritten) {
  std::string bytes;
  ASSERT_TRUE(scn::ParseHexBytes("00 7f 80 FF", &bytes));
  EXPECT_EQ(scn::HexBytes(bytes), "00 7f 80 ff");
  EXPECT_EQ(scn::HexBytes(""), "");
}

}  // namespace

namespace {

TEST(ScenarioParse, CwdIsAFullPathAndDefaultsToTheDriveRoot) {
  struct Row {
    const char* setup;  // empty: no cwd line
    bool parses;
    const char* cwd;
  };
  const Row rows[] = {
      {"", true, "C:\\"},
      {"cwd C:\\Downloads", true, "C:\\Downloads"},
      {"cwd D:\\", true, "D:\\"},
      {"cwd Downloads", false, ""},
      {"cwd C:", false, ""},
      {"cwd ", false, ""},
  };
  for (const Row& row : rows) {
    std::vector<std::string> errors;
    const std::string file = std::string("== s\n") + row.setup + "\nrun x\n";
    const std::vector<scn::Scenario> parsed = scn::ParseScenarios("f", file, &errors);
    EXPECT_EQ(errors.empty(), row.parses) << row.setup;
    if (row.parses && parsed.size() == 1) {
      EXPECT_EQ(parsed[0].cwd, row.cwd) << row.setup;
    }
  }
}

}  // namespace
