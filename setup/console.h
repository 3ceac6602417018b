// The setup program's output: lines on its console, or in the console's
// code page where the output goes to a file or a pipe.
#pragma once

#include <string>

namespace velquin {

void WriteLine(const std::u16string& line);
// For a console of its own, which closes when the program ends: the user
// reads what was said, then presses Enter.
void WaitForEnter();

}  // namespace velquin
