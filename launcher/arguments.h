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

// The raw command line's arguments, the program's own path not counted. A
// launcher that is not itself named notepad.exe drops a first argument
// naming Notepad (the form the system's redirect gives it), with or without
// its folder and ".exe".
struct CommandLineArguments {
  std::vector<std::string> arguments;
  // Where they begin in the raw command line: after the launcher's own path
  // (and the redirect's Notepad path), the blanks before them skipped.
  std::size_t start = 0;
};
CommandLineArguments SplitCommandLine();

// The command line of the program that started Notepad: after the
// launcher's own path when the system's redirect started it (its first
// argument names Notepad), otherwise the launcher's own. Whether Notepad's
// start was quoted, as a browser quotes it, is read there.
std::string CallerCommandLine();

std::vector<std::string> AllArguments();
std::string ArgumentAt(int index);
std::size_t ArgumentsStart();

}  // namespace velquin
