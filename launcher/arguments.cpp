#include "launcher/arguments.h"

#include "launcher/state.h"
#include "platform/kept_notepad.h"

namespace velquin {
namespace {

unsigned char ByteAt(const std::string& text, std::size_t i) {
  return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

}  // namespace

Argument NextArgument(const std::string& commandLine, std::size_t position) {
  std::size_t i = position;
  for (;;) {
    while (ByteAt(commandLine, i) >= 0x01 && ByteAt(commandLine, i) <= 0x20) ++i;
    if (ByteAt(commandLine, i) == '"' && ByteAt(commandLine, i + 1) == '"') {
      i += 2;
      continue;
    }
    break;
  }
  std::string text;
  while (ByteAt(commandLine, i) > 0x20) {
    if (commandLine[i] == '"') {
      const std::size_t close = commandLine.find('"', i + 1);
      const std::size_t end = close == std::string::npos ? commandLine.size() : close;
      text.append(commandLine, i + 1, end - i - 1);
      i = close == std::string::npos ? end : close + 1;
    } else {
      text += commandLine[i++];
    }
  }
  return Argument{text, i};
}

namespace {

// Started in Notepad's place by the system's redirect, the launcher sees
// the caller's command line whole after its own path, Notepad's own name
// first, as a path or as typed in a console. Where that first argument
// begins (the blanks before it skipped); npos for any other start.
std::size_t CallerStart() {
  std::size_t position = NextArgument(RawCommandLine, 0).position;
  const Argument first = NextArgument(RawCommandLine, position);
  if (first.text.empty() || LauncherNamedNotepad || !IsNotepadCommand(first.text)) return std::string::npos;
  while (ByteAt(RawCommandLine, position) >= 0x01 && ByteAt(RawCommandLine, position) <= 0x20) ++position;
  return position;
}

}  // namespace

CommandLineArguments SplitCommandLine() {
  CommandLineArguments split;
  std::size_t position = NextArgument(RawCommandLine, 0).position;
  const Argument first = NextArgument(RawCommandLine, position);
  // Notepad's name is not part of what Notepad was given.
  const bool dropFirst = CallerStart() != std::string::npos;
  if (dropFirst) position = first.position;
  for (Argument step = first; !step.text.empty(); step = NextArgument(RawCommandLine, step.position))
    if (!(dropFirst && step.position == first.position)) split.arguments.push_back(step.text);
  while (ByteAt(RawCommandLine, position) >= 0x01 && ByteAt(RawCommandLine, position) <= 0x20) ++position;
  split.start = position;
  return split;
}

std::string CallerCommandLine() {
  const std::size_t start = CallerStart();
  return start == std::string::npos ? RawCommandLine : RawCommandLine.substr(start);
}

std::vector<std::string> AllArguments() { return SplitCommandLine().arguments; }

std::size_t ArgumentsStart() { return SplitCommandLine().start; }

std::string ArgumentAt(int index) {
  const std::vector<std::string> arguments = AllArguments();
  return index >= 1 && static_cast<std::size_t>(index) <= arguments.size() ? arguments[index - 1] : std::string();
}

}  // namespace velquin
