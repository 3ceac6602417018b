#include "setup/registration.h"

#include "setup/plan.h"

namespace velquin {
namespace {

const char16_t kTypes[][6] = {u".txt", u".text", u".log", u".ini", u".inf", u".scp", u".wtx"};

RegistryKey ProgId(const InstallPlace& place) { return place.Key(u"Classes\\Velquin.Text"); }
RegistryKey Application(const InstallPlace& place) { return place.Key(u"Classes\\Applications\\velquin.exe"); }
RegistryKey Capabilities(const InstallPlace& place) { return place.Key(u"Tarrowind\\Velquin\\Capabilities"); }
}  // namespace

RegistryKey AppsEntry(const InstallPlace& place) {
  return place.Key(u"Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velquin");
}

const char16_t* const kRegistrationParents[6] = {u"Classes", u"Classes\\Applications", u"Microsoft",
                                                 u"Microsoft\\Windows", u"Microsoft\\Windows\\CurrentVersion",
                                                 u"Microsoft\\Windows\\CurrentVersion\\Uninstall"};

std::vector<RegistryKey> OwnedKeys(const InstallPlace& place) {
  return {ProgId(place), Application(place), Capabilities(place), AppsEntry(place)};
}

RegisteredValue SharedValue(const InstallPlace& place) {
  return {place.Key(u"RegisteredApplications"), u"Velquin",
          TextData(place.software + u"\\Tarrowind\\Velquin\\Capabilities")};
}

std::vector<RegisteredValue> RegistrationValues(const InstallPlace& place, const RegistrationFacts& facts) {
  std::vector<RegisteredValue> values;
  const auto text = [&values](const RegistryKey& key, const std::u16string& name, const std::u16string& data) {
    values.push_back({key, name, TextData(data)});
  };
  // The verbs start Velquin without a leading quote, so that it reads the
  // file and never takes the start for a browser's.
  const auto verbs = [&text, &facts](const RegistryKey& key) {
    text(Subkey(key, u"shell\\open\\command"), u"", facts.verb + u" \"%1\"");
    text(Subkey(key, u"shell\\print\\command"), u"", facts.verb + u" /p \"%1\"");
    text(Subkey(key, u"shell\\printto\\command"), u"", facts.verb + u" /pt \"%1\" \"%2\" \"%3\" \"%4\"");
  };
  const RegistryKey progId = ProgId(place), application = Application(place), capabilities = Capabilities(place);
  text(progId, u"", u"Text Document (Velquin)");
  text(Subkey(progId, u"DefaultIcon"), u"", facts.program + u",0");
  verbs(progId);
  text(application, u"FriendlyAppName", u"Velquin");
  verbs(application);
  text(capabilities, u"ApplicationName", u"Velquin");
  text(capabilities, u"ApplicationDescription", u"Opens text files in the editor of your choice, in Notepad's place.");
  for (const char16_t* type : kTypes) {
    text(Subkey(capabilities, u"FileAssociations"), type, u"Velquin.Text");
    text(Subkey(application, u"SupportedTypes"), type, u"");
  }
  values.push_back(SharedValue(place));
  if (place.package) return values;
  const RegistryKey entry = AppsEntry(place);
  const std::u16string setup = Quoted(place.programDir + u"\\velquin-setup.exe") + u" /uninstall";
  text(entry, u"DisplayName", u"Velquin " + facts.version);
  text(entry, u"DisplayVersion", facts.version);
  text(entry, u"Publisher", u"Tarrowind");
  text(entry, u"DisplayIcon", facts.program + u",0");
  text(entry, u"InstallLocation", place.programDir);
  values.push_back({entry, u"EstimatedSize", DwordData(static_cast<std::uint32_t>((facts.programBytes + 1023) / 1024))});
  values.push_back({entry, u"NoModify", DwordData(1)});
  values.push_back({entry, u"NoRepair", DwordData(1)});
  // Apps & features starts the UninstallString without elevation: /elevate
  // asks for it. The user's own install needs none.
  text(entry, u"UninstallString", setup + (place.user ? u" /user" : u" /elevate"));
  text(entry, u"QuietUninstallString", setup + (place.user ? u" /user /quiet" : u" /quiet"));
  return values;
}

}  // namespace velquin
