// How this run holds its text. Normally it is the ANSI code page's bytes, as
// the system's A calls give and take them. A command line that code page
// cannot hold (a name with "é" under code page 932, Japanese under 1252)
// makes a wide run: the launcher's text is then the command line's UTF-16
// held as WTF-8, and every call that takes a name takes it in UTF-16, so
// that the real file is found, renamed, deleted and opened, never the
// look-alike the ANSI conversion would make of it.
#pragma once

#include <cstddef>
#include <string>

namespace velquin {

extern bool WideRun;  // set once, from the command line, before anything reads text

// Decides the run's form and returns the command line in it: exactly the
// A call's text whenever the code page holds the whole command line.
std::string TakeCommandLine();

// The system's ANSI text (settings, directories) in the run's form.
std::string FromAnsiText(const std::string& ansi);
// The run's text in UTF-16, as boxes and the W calls take it.
std::u16string WideText(const std::string& text);
// UTF-16 in the run's form; only a wide run reads such text.
std::string FromWideText(const std::u16string& wide);
// What the 4096 limit counts: bytes, or UTF-16 units in a wide run.
std::size_t TextLength(const std::string& text);

}  // namespace velquin
