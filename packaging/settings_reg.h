// settings.reg, made from the settings table: every value at its default
// under its comment lines, a default the machine decides shown only as an
// example in a comment line.
#pragma once

#include <string>

namespace velquin {

// UTF-8 with LF line ends; scripts/package makes it CRLF and Shift-JIS.
std::string SettingsRegText();

}  // namespace velquin
