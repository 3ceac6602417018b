// UTF-16 text held in 8-bit strings: UTF-8, with a lone surrogate (which a
// Windows file name may hold) kept as its own three bytes, so that every
// UTF-16 text comes back exactly.
#pragma once

#include <string>

namespace velquin {

std::string Wtf8FromUtf16(const std::u16string& wide);
// A broken sequence becomes U+FFFD, one per byte that does not fit.
std::u16string Utf16FromWtf8(const std::string& text);

}  // namespace velquin
