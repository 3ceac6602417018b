// A fresh fake machine per test, with the usual Windows folders, and
// helpers to write settings and run the launcher.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/launcher.h"
#include "launcher/state.h"
#include "tests/fake/fake_os.h"

namespace velquin::testing {

inline constexpr const char* kSettingKey = "HKCU\\Software\\Tarrowind\\Velquin\\Setting";

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    fake::Machine& m = fake::machine();
    fake::AddDirectory(m.windowsDirectory);
    fake::AddDirectory(m.systemDirectory);
    fake::AddDirectory(m.tempPath);
    m.startup.hasTitle = true;
    m.startup.title = "unit";
  }

  static void Set(const std::string& name, const std::string& ansi) { fake::SetString(kSettingKey, name, ansi); }

  // Runs the whole launcher on this raw command line; the exit code.
  static int Run(const std::string& commandLine) {
    fake::Machine& m = fake::machine();
    m.commandLine = commandLine;
    m.modulePath = "C:\\Velquin\\notepad.exe";
    return LauncherMain();
  }

  // Loads the process-wide values for calling one step directly.
  static void Prepare(const std::string& commandLine) {
    fake::machine().commandLine = commandLine;
    ResetProcessState();
  }

  static std::vector<fake::Event> Events(fake::Event::Kind kind) {
    std::vector<fake::Event> out;
    for (const fake::Event& e : fake::machine().events)
      if (e.kind == kind) out.push_back(e);
    return out;
  }

  static std::vector<std::string> Starts() {
    std::vector<std::string> out;
    for (const fake::Event& e : Events(fake::Event::Start)) out.push_back(e.commandLine);
    return out;
  }

  static std::vector<std::string> BoxTexts() {
    std::vector<std::string> out;
    for (const fake::Event& e : Events(fake::Event::Box)) out.push_back(e.text);
    return out;
  }
};

}  // namespace velquin::testing
