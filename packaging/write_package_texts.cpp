// Writes the package's texts that the build makes from the settings table
// into the folder given, for scripts/package: settings.reg, the Windows
// Installer package's properties (msi-properties.wxi, with msi-secure, their
// names for SecureCustomProperties) and the Group Policy templates laid out
// as a PolicyDefinitions folder (velquin.admx, ja-JP\velquin.adml,
// en-US\velquin.adml).
#include <cstdio>
#include <fstream>
#include <string>

#include "packaging/msi_properties.h"
#include "packaging/policy_templates.h"
#include "packaging/settings_reg.h"

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
    std::fprintf(stderr, "usage: velquin_write_package_texts FOLDER (with PolicyDefinitions\\ja-JP and \\en-US in it)\n");
    return 2;
  }
  const std::string folder = argv[1];
  std::string secure;
  for (const std::string& name : velquin::MsiPropertyNames()) secure += (secure.empty() ? "" : ";") + name;
  bool written = Write(folder + "/settings.reg", velquin::SettingsRegText()) &&
                 Write(folder + "/msi-properties.wxi", velquin::MsiPropertiesInclude()) &&
                 Write(folder + "/msi-secure", secure + "\n") &&
                 Write(folder + "/PolicyDefinitions/velquin.admx", velquin::PolicyAdmxText());
  for (const char* language : {"ja-JP", "en-US"})
    written = written && Write(folder + "/PolicyDefinitions/" + language + "/velquin.adml", velquin::PolicyAdmlText(language));
  return written ? 0 : 1;
}
