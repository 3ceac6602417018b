// Path splitting and case-insensitive search over the run's text. On ANSI
// text the path helpers take a double-byte lead byte and the byte after it
// as one character, so a second byte of 0x5C is never a backslash; a wide
// run's text is UTF-8, lower-cased through UTF-16.
#pragma once

#include <string>

namespace velquin {

std::string DirectoryPart(const std::string& path);
std::string ExtensionPart(const std::string& path);
std::string WithExtension(const std::string& path, const std::string& extension);
// The extension without its leading dot.
std::string ExtensionWithoutDot(const std::string& path);
std::string StripLastDot(const std::string& path);
// Where the character that ends just before byte end starts: a double-byte
// character or a UTF-8 sequence is taken whole. 0 when end is 0.
std::string::size_type CharacterStartBefore(const std::string& text, std::string::size_type end);

std::string LowerCaseText(const std::string& text);
// 1-based position of needle in haystack, both lower-cased; 0 when absent or
// when either is empty.
int TextPos(const std::string& needle, const std::string& haystack);
bool ContainsText(const std::string& needle, const std::string& haystack);

}  // namespace velquin
