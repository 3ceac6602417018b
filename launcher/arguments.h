// Notepad's command line, split the way the launcher reads it: quotes
// group, an empty quoted pair is dropped, every byte from 0x80 up is an
// ordinary character. Arguments of any length are kept whole.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace velquin {

struct Argument {
  std::string text;       // empty: the end of the command line
  std::size_t position;   // where the next step starts
};

Argument NextArgument(const std::string& commandLine, std::size_t position);

// Over the raw command line, the program's own path not counted.
// A launcher that is not itself named notepad.exe drops a first argument
// naming notepad.exe (the form the system's redirect gives it).
std::vector<std::string> AllArguments();
std::string ArgumentAt(int index);
bool IsNotepadPath(const std::string& path);
// Where the arguments begin in the raw command line: after the launcher's
// own path (and the redirect's Notepad path), the blanks before them skipped.
std::size_t ArgumentsStart();

}  // namespace velquin
