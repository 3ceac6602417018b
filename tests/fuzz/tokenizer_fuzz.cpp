// The command-line tokenizer over arbitrary bytes, against a model written
// from the rules, and the argument list the launcher builds from it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "launcher/arguments.h"
#include "launcher/state.h"
#include "platform/kept_notepad.h"
#include "platform/text.h"
#include "tests/fake/fake_os.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using fuzzcheck::Shown;

unsigned char At(const std::string& s, std::size_t i) { return i < s.size() ? static_cast<unsigned char>(s[i]) : 0; }

struct ModelStep {
  std::size_t start;  // first byte of the argument, after separators and "" pairs
  std::string text;
  std::size_t position;
};

// One step by the rules, written as a small state machine.
ModelStep Model(const std::string& s, std::size_t i) {
  for (;;) {
    if (At(s, i) >= 0x01 && At(s, i) <= 0x20) {
      ++i;
    } else if (At(s, i) == '"' && At(s, i + 1) == '"') {
      i += 2;
    } else {
      break;
    }
  }
  ModelStep step{i, "", i};
  bool quoted = false;
  std::size_t j = i;
  while (j < s.size()) {
    const unsigned char c = At(s, j);
    if (c == '"') {
      quoted = !quoted;
      ++j;
      continue;
    }
    if (!quoted && c <= 0x20) break;
    step.text += static_cast<char>(c);
    ++j;
  }
  step.position = j;
  return step;
}

std::string WithoutQuotes(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != '"') out += c;
  return out;
}

void CheckSteps(const std::string& line) {
  std::vector<std::string> all;
  std::size_t position = 0;
  for (std::size_t guard = 0;; ++guard) {
    FUZZ_CHECK(guard <= line.size() + 1, "the tokenizer keeps returning arguments: " + Shown(line));
    const velquin::Argument step = velquin::NextArgument(line, position);
    const ModelStep model = Model(line, position);
    FUZZ_CHECK(step.text == model.text && step.position == model.position,
               "line " + Shown(line) + " at " + std::to_string(position) + ": got [" + Shown(step.text) + "] -> " +
                   std::to_string(step.position) + ", rules give [" + Shown(model.text) + "] -> " +
                   std::to_string(model.position));
    FUZZ_CHECK(step.position >= position && step.position <= line.size(), Shown(line));
    // What was skipped is separators and empty quoted pairs only.
    for (std::size_t k = position; k < model.start; ++k)
      FUZZ_CHECK((At(line, k) >= 0x01 && At(line, k) <= 0x20) || At(line, k) == '"', Shown(line));
    // The argument is its raw stretch without the quote bytes; a byte up to
    // 0x20 in it stands inside quotes; the stretch ends at a separator.
    const std::string raw = line.substr(model.start, step.position - model.start);
    FUZZ_CHECK(WithoutQuotes(raw) == step.text, Shown(line));
    bool quoted = false;
    for (unsigned char c : raw) {
      if (c == '"') quoted = !quoted;
      else if (c <= 0x20) FUZZ_CHECK(quoted, "unquoted separator inside an argument: " + Shown(line));
    }
    FUZZ_CHECK(step.position == line.size() || At(line, step.position) <= 0x20, Shown(line));
    if (step.text.empty()) {
      FUZZ_CHECK(step.position == line.size(), "an empty argument before the end: " + Shown(line));
      break;
    }
    FUZZ_CHECK(step.position > position, Shown(line));
    all.push_back(step.text);
    position = step.position;
  }

  // The launcher's list: the program path dropped, and, for a launcher not
  // named notepad.exe, a first argument naming notepad.exe.
  velquin::RawCommandLine = line;
  for (bool named : {true, false}) {
    velquin::LauncherNamedNotepad = named;
    std::vector<std::string> expected(all.size() > 1 ? all.begin() + 1 : all.end(), all.end());
    if (!named && !expected.empty() && velquin::IsNotepadCommand(expected.front())) expected.erase(expected.begin());
    const std::vector<std::string> arguments = velquin::AllArguments();
    FUZZ_CHECK(arguments == expected, Shown(line));
    const int n = static_cast<int>(expected.size());
    for (int i : {-1, 0, 1, 2, n, n + 1}) {
      const std::string want = i >= 1 && i <= n ? expected[i - 1] : std::string();
      FUZZ_CHECK(velquin::ArgumentAt(i) == want, Shown(line) + " index " + std::to_string(i));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fake::Reset();
  std::string bytes(reinterpret_cast<const char*>(data), size);
  // GetCommandLineA's text ends at its first NUL; the bytes after it are
  // tried as a Shift-JIS command line of their own.
  const std::size_t nul = bytes.find('\0');
  fake::machine().codePage = 1252;
  CheckSteps(bytes.substr(0, nul));
  if (nul != std::string::npos) {
    fake::machine().codePage = 932;
    const std::string rest = bytes.substr(nul + 1);
    CheckSteps(rest.substr(0, rest.find('\0')));
  }
  return 0;
}
