// One scenario on the Wine machine: build it, start the launcher the way
// the system would, watch what happens, ask the after-run questions, and
// take the machine back.
#pragma once

#include <string>

#include "machine_state.h"
#include "passes.h"
#include "setup.h"
#include "tests/scenario/scenario.h"

namespace harness {

struct Config {
  setup::Programs programs;
  std::wstring workDirectory;  // the harness's own: stub log, backups
  passes::Pass pass;
  int timeoutMs = 10000;
  // The file the harness's standard error goes to, where Wine writes the
  // process trace of the launcher copies' scenarios; empty: none.
  std::wstring tracePath;
};

class Runner {
 public:
  explicit Runner(Config config);
  ~Runner();
  Runner(const Runner&) = delete;
  Runner& operator=(const Runner&) = delete;

  // What differed, empty when the run matched; *skipReason set when skipped.
  std::string Run(const scn::Scenario& scenario, std::string* skipReason);

 private:
  // *refusedByWine: the launcher reported that Wine refused the editor's start.
  std::string RunPrepared(const scn::Scenario& scenario, const setup::Prepared& prepared, bool* refusedByWine);

  Config config_;
  std::wstring logPath_;
  machine::Journal journal_;
};

}  // namespace harness
