#include "launcher/arguments.h"

#include "launcher/state.h"
#include "platform/text.h"

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

std::vector<std::string> AllArguments() {
  std::vector<std::string> arguments;
  Argument step = NextArgument(RawCommandLine, 0);
  for (;;) {
    step = NextArgument(RawCommandLine, step.position);
    if (step.text.empty()) break;
    arguments.push_back(step.text);
  }
  // Started in Notepad's place by the system's redirect, the launcher sees
  // Notepad's own path first: that is not part of what Notepad was given.
  if (!LauncherNamedNotepad && !arguments.empty() && IsNotepadPath(arguments.front()))
    arguments.erase(arguments.begin());
  return arguments;
}

bool IsNotepadPath(const std::string& path) {
  return LowerCaseText(path.substr(DirectoryPart(path).size())) == "notepad.exe";
}

std::size_t ArgumentsStart() {
  std::size_t position = NextArgument(RawCommandLine, 0).position;
  const Argument first = NextArgument(RawCommandLine, position);
  if (!LauncherNamedNotepad && IsNotepadPath(first.text)) position = first.position;
  while (ByteAt(RawCommandLine, position) >= 0x01 && ByteAt(RawCommandLine, position) <= 0x20) ++position;
  return position;
}

std::string ArgumentAt(int index) {
  const std::vector<std::string> arguments = AllArguments();
  return index >= 1 && static_cast<std::size_t>(index) <= arguments.size() ? arguments[index - 1] : std::string();
}

}  // namespace velquin
