// Writes settings.reg to the path given: the build makes it from the
// settings table for scripts/package.
#include <cstdio>
#include <fstream>

#include "packaging/settings_reg.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velquin_write_settings_reg OUTPUT\n");
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary);
  out << velquin::SettingsRegText();
  out.close();
  return out ? 0 : 1;
}
