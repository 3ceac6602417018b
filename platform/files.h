// The system directories and the file test, in the run's text.
#pragma once

#include <string>

namespace velquin {

// Each ends in "\"; empty when the system cannot answer.
std::string WindowsDirectory();
std::string SystemDirectory();
// As the system gives it (already ending in "\"); empty when it cannot answer.
std::string TempDirectory();
// The launcher's own path.
std::string ModulePath();

// An entry that is not a directory and whose time fits a DOS date; the
// first match of a wildcard pattern.
bool IsExistingFile(const std::string& path);

}  // namespace velquin
