// The Windows Installer package's properties, made from the settings table:
// one for each value the settings window shows, named as the value in
// capitals (EDITOR, NOWAIT, ...). The package stages each as data in its
// own key, beside the machine's default an earlier package set (read before
// that package is removed), and the setup program makes it the machine's
// default; never in a command line.
#pragma once

#include <string>
#include <vector>

namespace velquin {

// A WiX include: the searches, and the component that stages the values.
std::string MsiPropertiesInclude();
// The properties' names, for SecureCustomProperties.
std::vector<std::string> MsiPropertyNames();

}  // namespace velquin
