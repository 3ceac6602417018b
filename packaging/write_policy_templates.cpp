// Writes the Group Policy templates into the folder given, laid out as a
// PolicyDefinitions folder: velquin.admx, ja-JP\velquin.adml and
// en-US\velquin.adml. The build makes them from the settings table for
// scripts/package.
#include <cstdio>
#include <fstream>
#include <string>

#include "packaging/policy_templates.h"

namespace {

bool Write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velquin_write_policy_templates FOLDER (with ja-JP and en-US in it)\n");
    return 2;
  }
  const std::string folder = argv[1];
  bool written = Write(folder + "/velquin.admx", velquin::PolicyAdmxText());
  for (const char* language : {"ja-JP", "en-US"})
    written = Write(folder + "/" + language + "/velquin.adml", velquin::PolicyAdmlText(language)) && written;
  return written ? 0 : 1;
}
