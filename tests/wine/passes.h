// Wine takes a process's ANSI code page and locale from the unix locale it
// was started in, and a program it starts inherits that: one Wine session
// serves one locale. The scenarios are therefore run in passes, one per
// locale, each reporting only its own scenarios.
#pragma once

#include <string>

#include "tests/scenario/scenario.h"

namespace passes {

struct Pass {
  int codepage = 932;
  char decimal = '.';
};

// The unix locale that gives a pass's code page and decimal separator.
std::string UnixLocaleOf(const Pass& pass);

enum class Verdict { Run, Skip, NotThisPass };
// Scenarios Wine cannot run are skipped in the default pass only, so that
// each is reported once over all passes.
Verdict Judge(const scn::Scenario& scenario, const Pass& pass, std::string* skipReason);

}  // namespace passes

namespace passes {

// The file's text with the lines of every scenario that this pass neither
// runs nor skips blanked out, line numbers kept; lines before the first
// scenario stay in the default pass only, so each error is reported once.
std::string OnlyThisPass(const std::string& fileName, const std::string& content, const Pass& pass);

}  // namespace passes
