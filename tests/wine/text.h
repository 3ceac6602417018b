// UTF-8 and UTF-16 conversions: scenarios are UTF-8, the harness speaks to
// the system through W-calls only, so no code page comes between them.
#pragma once

#include <string>

namespace text {

std::wstring ToWide(const std::string& utf8);
std::string ToUtf8(const std::wstring& wide);
// Bytes in the ANSI code page, converted as the system's A-calls convert them.
std::wstring AnsiToWide(const std::string& ansi);
// ASCII letters folded: Windows file names compare that way for our paths.
bool EqualNoCase(const std::string& a, const std::string& b);

}  // namespace text
