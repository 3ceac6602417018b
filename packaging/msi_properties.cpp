#include "packaging/msi_properties.h"

#include "packaging/shown_settings.h"
#include "settings/settings.h"

namespace velquin {
namespace {

std::vector<std::string> ShownNames() {
  std::vector<std::string> names;
  for (const ShownSetting& row : ShownSettings()) names.push_back(row.name);
  return names;
}

std::string Capitals(std::string name) {
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return name;
}

}  // namespace

std::vector<std::string> MsiPropertyNames() {
  std::vector<std::string> names;
  for (const std::string& name : ShownNames()) names.push_back(Capitals(name));
  return names;
}

std::string MsiPropertiesInclude() {
  const std::string defaults = std::string("SOFTWARE\\") + (kSettingsKeyPath + 9) + "\\" + kSettingsSection;
  const std::string staged = "SOFTWARE\\Tarrowind\\Velquin\\Package\\Properties";
  std::string out =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
      "<!-- Made from the settings table by the build: each value the settings window shows is a property,\r\n"
      "     staged for the setup program with the machine's default an earlier package set. -->\r\n"
      "<Include xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\r\n";
  for (const std::string& name : ShownNames())
    out += "  <Property Id=\"Kept" + name + "\">\r\n    <RegistrySearch Id=\"Kept" + name +
           "\" Root=\"HKLM\" Key=\"" + defaults + "\" Name=\"" + name +
           "\" Type=\"raw\" Win64=\"$(var.Win64)\"/>\r\n  </Property>\r\n";
  out += "  <DirectoryRef Id=\"INSTALLFOLDER\">\r\n"
         "    <Component Id=\"Properties\" Guid=\"*\" Win64=\"$(var.Win64)\">\r\n"
         "      <RegistryValue Root=\"HKLM\" Key=\"" + staged + "\" Name=\"Staged\" Type=\"string\" Value=\"1\" KeyPath=\"yes\"/>\r\n";
  for (const std::string& name : ShownNames()) {
    const std::string value = "      <RegistryValue Root=\"HKLM\" Key=\"" + staged + "\" Name=\"";
    out += value + name + "\" Type=\"string\" Value=\"[" + Capitals(name) + "]\"/>\r\n";
    out += value + "Kept_" + name + "\" Type=\"string\" Value=\"[Kept" + name + "]\"/>\r\n";
  }
  out += "    </Component>\r\n  </DirectoryRef>\r\n</Include>\r\n";
  return out;
}

}  // namespace velquin
