#include "platform/run_text.h"

#include "platform/os.h"
#include "platform/wtf8.h"

namespace velquin {

bool WideRun = false;

std::string TakeCommandLine() {
  const std::u16string wide = os::WideCommandLine();
  bool lost = false;
  // Without best fit, "é" does not pass as "e", nor a full-width quote as
  // a quote: any such character makes the run wide. A failed conversion
  // (a UTF-8 system code page) leaves the run as it always was.
  os::WideCharToMultiByte(os::kCodePageAnsi, os::kNoBestFitChars, wide, &lost);
  WideRun = lost;
  return WideRun ? Wtf8FromUtf16(wide) : os::AnsiCommandLine();
}

std::string FromAnsiText(const std::string& ansi) {
  return WideRun ? Wtf8FromUtf16(os::MultiByteToWideChar(os::kCodePageAnsi, ansi)) : ansi;
}

std::u16string WideText(const std::string& text) {
  return WideRun ? Utf16FromWtf8(text) : os::MultiByteToWideChar(os::kCodePageAnsi, text);
}

std::string FromWideText(const std::u16string& wide) { return Wtf8FromUtf16(wide); }

std::size_t TextLength(const std::string& text) { return WideRun ? Utf16FromWtf8(text).size() : text.size(); }

}  // namespace velquin
