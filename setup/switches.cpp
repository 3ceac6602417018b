#include "setup/switches.h"

namespace velquin {
namespace {

bool SameSwitch(const std::u16string& argument, const char16_t* name) {
  std::u16string lower = argument;
  for (char16_t& c : lower)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return lower == name;
}

}  // namespace

std::optional<Switches> ParseSwitches(const std::vector<std::u16string>& arguments) {
  Switches switches;
  int forms = 0;
  bool user = false;
  for (const std::u16string& argument : arguments) {
    if (SameSwitch(argument, u"/redirect")) switches.form = InstallForm::Redirect, ++forms;
    else if (SameSwitch(argument, u"/replace")) switches.form = InstallForm::Replace, ++forms;
    else if (SameSwitch(argument, u"/user")) switches.form = InstallForm::User, ++forms, user = true;
    else if (SameSwitch(argument, u"/uninstall")) switches.uninstall = true;
    else if (SameSwitch(argument, u"/quiet")) switches.quiet = true;
    else if (SameSwitch(argument, u"/whatif")) switches.whatIf = true;
    else if (SameSwitch(argument, u"/elevate")) switches.elevate = true;
    else if (SameSwitch(argument, u"/elevated")) switches.elevate = switches.elevated = true;
    else if (SameSwitch(argument, u"/package")) switches.package = true;
    else if (SameSwitch(argument, u"/check")) switches.check = true;
    else return std::nullopt;
  }
  if (forms > 1 || (switches.package && (user || switches.elevate))) return std::nullopt;
  if (switches.check) {
    // The form is the record's; only the quiet switch goes with it.
    if (switches.uninstall || switches.whatIf || switches.package || switches.elevate || (forms == 1 && !user))
      return std::nullopt;
    return switches;
  }
  if (switches.uninstall) {
    // The uninstall takes the form from the record; /user names the user's.
    if (forms == 1 && !user) return std::nullopt;
    return switches;
  }
  if (forms != 1 || switches.elevate) return std::nullopt;
  return switches;
}

std::vector<std::u16string> SplitCommandLine(const std::u16string& commandLine) {
  std::vector<std::u16string> arguments;
  std::size_t i = 0;
  const std::size_t n = commandLine.size();
  // The program's name: up to the next quote when quoted, else to a blank.
  bool quoted = false;
  for (; i < n; ++i) {
    if (commandLine[i] == u'"') quoted = !quoted;
    else if (!quoted && (commandLine[i] == u' ' || commandLine[i] == u'\t')) break;
  }
  for (;;) {
    while (i < n && (commandLine[i] == u' ' || commandLine[i] == u'\t')) ++i;
    if (i >= n) break;
    std::u16string argument;
    bool inQuotes = false;
    for (; i < n; ++i) {
      const char16_t c = commandLine[i];
      if (!inQuotes && (c == u' ' || c == u'\t')) break;
      if (c == u'\\') {
        std::size_t slashes = 0;
        while (i < n && commandLine[i] == u'\\') ++slashes, ++i;
        if (i < n && commandLine[i] == u'"') {
          argument.append(slashes / 2, u'\\');
          if (slashes % 2 == 1) {
            argument += u'"';
            continue;
          }
          --i;  // the quote is read again below
          continue;
        }
        argument.append(slashes, u'\\');
        --i;
        continue;
      }
      if (c == u'"') {
        if (inQuotes && i + 1 < n && commandLine[i + 1] == u'"') {
          argument += u'"';
          ++i;
        } else {
          inQuotes = !inQuotes;
        }
        continue;
      }
      argument += c;
    }
    arguments.push_back(argument);
  }
  return arguments;
}

std::u16string FormName(InstallForm form) {
  switch (form) {
    case InstallForm::Redirect: return u"redirect";
    case InstallForm::Replace: return u"replace";
    case InstallForm::User: return u"user";
  }
  return u"";
}

}  // namespace velquin
