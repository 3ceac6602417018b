// Recognising a browser's temporary source-view file, and the class of
// the installed browser's version.
#pragma once

#include <optional>
#include <string>

#include "platform/messages.h"

namespace velquin {

// The cache directory the browser registers, unexpanded; empty when none.
std::string BrowserCacheDirectory();
// The path stands directly in the temporary directory, or anywhere below
// the cache directory.
bool IsBrowserTempFile(const std::string& path);
// How the launcher was started, from the raw command line: its own path
// quoted.
bool CommandLineStartsQuoted(const std::string& commandLine);

// "major.minor" of the file's version resource; "0.0" when it has none.
std::string FileVersionText(const std::string& path);
// The class, 0 or 2..7, and the message a failure shows (empty with a
// class): read without showing it, so that a run can decide first and show
// the message where its turn comes.
struct BrowserVersionReading {
  int versionClass = 0;
  MessageText message;
};
// The version is read with the system locale's decimal separator.
BrowserVersionReading ReadBrowserVersionClass(char decimalSeparator);
// The same, showing the message: 0 (with it) or 2..7.
int BrowserVersionClass(char decimalSeparator);

// The decimal number the text spells, with the given separator, as a 32-bit
// float; nothing when the text is not such a number.
std::optional<float> ParseDecimalNumber(const std::string& text, char separator);
// The class of n = 100 times the version number, or 0 when unclassified.
int VersionClassOf(long long n);
// 100 times the number, rounded to the nearest integer, halves to even.
long long HundredfoldRounded(float number);

}  // namespace velquin
