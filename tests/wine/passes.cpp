#include "passes.h"

#include <vector>

namespace passes {

std::string UnixLocaleOf(const Pass& pass) {
  if (pass.codepage == 932) return "ja_JP.UTF-8";
  return pass.decimal == ',' ? "de_DE.UTF-8" : "en_US.UTF-8";
}

Verdict Judge(const scn::Scenario& s, const Pass& pass, std::string* skipReason) {
  std::string why;
  bool limitsAccess = false, redirects = false;
  for (const scn::SetupItem& item : s.setup) {
    limitsAccess = limitsAccess || item.kind == scn::SetupItem::Access;
    redirects = redirects || item.kind == scn::SetupItem::Redirect;
  }
  if (s.system95)
    why = "Wine runs only the nt family";
  else if (limitsAccess)
    why = "Wine keeps no key security for one user: the fake decides";
  else if (redirects)
    why = "Wine applies no redirect: the fake decides";
  else if (s.decimal != '.' && s.decimal != ',')
    why = std::string("no Wine locale has the decimal separator '") + s.decimal + "'";
  else if (s.codepage == 932 && s.decimal == ',')
    why = "no Wine locale has code page 932 with ',' as decimal separator";
  if (!why.empty()) {
    if (pass.codepage != 932 || pass.decimal != '.') return Verdict::NotThisPass;
    *skipReason = why;
    return Verdict::Skip;
  }
  if (s.codepage != pass.codepage || s.decimal != pass.decimal) return Verdict::NotThisPass;
  return Verdict::Run;
}

}  // namespace passes

namespace passes {

std::string OnlyThisPass(const std::string& fileName, const std::string& content, const Pass& pass) {
  std::vector<std::string> errors;
  const std::vector<scn::Scenario> scenarios = scn::ParseScenarios(fileName, content, &errors);
  const bool defaultPass = pass.codepage == 932 && pass.decimal == '.';
  // keep[i]: whether line i + 1 stays.
  std::vector<bool> keep;
  size_t lines = 1;
  for (char c : content) lines += c == '\n';
  keep.assign(lines, defaultPass);
  for (size_t i = 0; i < scenarios.size(); ++i) {
    std::string reason;
    const bool mine = Judge(scenarios[i], pass, &reason) != Verdict::NotThisPass;
    const size_t first = static_cast<size_t>(scenarios[i].line) - 1;
    const size_t end = i + 1 < scenarios.size() ? static_cast<size_t>(scenarios[i + 1].line) - 1 : lines;
    for (size_t l = first; l < end && l < lines; ++l) keep[l] = mine;
  }
  std::string out;
  size_t line = 0, begin = 0;
  while (begin <= content.size()) {
    size_t end = content.find('\n', begin);
    const bool last = end == std::string::npos;
    if (last) end = content.size();
    if (keep[line]) out.append(content, begin, end - begin);
    if (!last) out += '\n';
    begin = end + 1;
    ++line;
  }
  return out;
}

}  // namespace passes
