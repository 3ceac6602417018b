#include "launcher/editor_command.h"

namespace velquin {

std::string ProgramInCommand(const std::string& path) {
  return path.find_first_of(" \t") == std::string::npos ? path : "\"" + path + "\"";
}

std::string EditorCommandLine(const std::string& editor, const std::string& extra, bool fileFirst,
                              const std::string& file) {
  const std::string program = ProgramInCommand(editor);
  const std::string quoted = "\"" + file + "\"";
  if (extra.empty()) return program + " " + quoted;
  return fileFirst ? program + " " + quoted + " " + extra : program + " " + extra + " " + quoted;
}

}  // namespace velquin
