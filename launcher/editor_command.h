// The editor's command line in its three forms: the file name alone after
// the editor, before the extra arguments, or after them.
#pragma once

#include <cstddef>
#include <string>

namespace velquin {

// Every text the launcher builds by a format (a numbered name, the command
// line) holds at most this many characters; a longer one ends the run.
inline constexpr std::size_t kFormattedTextLimit = 4096;

// A program's path as a command line begins with it: quoted only when it
// holds a space or tab, since the system would otherwise try
// "C:\Program.exe" first.
std::string ProgramInCommand(const std::string& path);

// The file is always quoted; the editor as ProgramInCommand has it.
std::string EditorCommandLine(const std::string& editor, const std::string& extra, bool fileFirst,
                              const std::string& file);

}  // namespace velquin
