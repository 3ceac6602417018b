// What every target shares: a property check that stops the run with the
// input's story, and splitting an input into fields.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzzcheck {

// Escaped for the report: a failing input is often binary.
inline std::string Shown(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

[[noreturn]] inline void Fail(const char* file, int line, const char* what, const std::string& detail) {
  std::fprintf(stderr, "\nPROPERTY FAILED %s:%d: %s\n  %s\n", file, line, what, detail.c_str());
  std::abort();
}

// Fields separated by one byte; the last field runs to the end.
inline std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    out.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return out;
    start = end + 1;
  }
}

}  // namespace fuzzcheck

#define FUZZ_CHECK(condition, detail) \
  do {                                \
    if (!(condition)) ::fuzzcheck::Fail(__FILE__, __LINE__, #condition, (detail)); \
  } while (0)
