#include "launcher/editor_command.h"

namespace velquin {

std::string EditorCommandLine(const std::string& editor, const std::string& extra, bool fileFirst,
                              const std::string& file) {
  const std::string program = editor.find_first_of(" \t") == std::string::npos ? editor : "\"" + editor + "\"";
  const std::string quoted = "\"" + file + "\"";
  if (extra.empty()) return program + " " + quoted;
  return fileFirst ? program + " " + quoted + " " + extra : program + " " + extra + " " + quoted;
}

}  // namespace velquin
