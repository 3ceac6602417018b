#include "packaging/policy_templates.h"

#include <vector>

#include "packaging/shown_settings.h"
#include "settings/setting_places.h"

namespace velquin {
namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// Lines end in CRLF, as Windows' own templates do.
std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

const char kNamespaces[] =
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "revision=\"1.0\" schemaVersion=\"1.0\" xmlns=\"http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions\"";

struct Language {
  const char* code;
  const char* description;
  const char* supported;
  std::string (*help)(const ShownSetting&);
};

std::string JapaneseHelp(const ShownSetting& row) {
  std::string note = row.note;
  for (std::size_t at = note.find('\n'); at != std::string::npos; at = note.find('\n', at + 2)) note.replace(at, 1, "\r\n");
  return std::string("Velquin の設定 ") + row.name + " です。\r\n\r\n" + note +
         "\r\n\r\n有効にすると、この値が利用者自身の設定とこのパソコンの既定値より優先され、設定ウィンドウでは"
         "変更できなくなります。" +
         (row.flag ? "無効にすると \"0\" を書き込みます。" : "") +
         "未構成なら、利用者自身の設定 (無ければこのパソコンの既定値) が使われます。"
         "コンピューターの構成の値は、ユーザーの構成の値より優先されます。";
}

std::string EnglishHelp(const ShownSetting& row) {
  return std::string("Velquin's setting ") + row.name + ": " + row.english + ".\r\n\r\n" +
         "Enabled, this value overrides the user's own setting and this computer's default, and the settings window "
         "shows it read-only. " +
         (row.flag ? "Disabled writes \"0\". " : "") +
         "Not configured, the user's own setting (or else this computer's default) applies. A value under Computer "
         "Configuration overrides one under User Configuration. The Japanese guide describes every setting.";
}

const Language* Find(const std::string& code) {
  static const Language kLanguages[] = {
      {"ja-JP", "Velquin の設定をすべての利用者に適用します。", "Velquin 2.34.0.0 以降", JapaneseHelp},
      {"en-US", "Sets Velquin up for every user.", "Velquin 2.34.0.0 or later", EnglishHelp},
  };
  for (const Language& language : kLanguages)
    if (code == language.code) return &language;
  return nullptr;
}

}  // namespace

std::string PolicyAdmxText() {
  std::vector<std::string> lines = {
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>",
      std::string("<policyDefinitions ") + kNamespaces + ">",
      "  <policyNamespaces>",
      "    <target prefix=\"velquin\" namespace=\"Tarrowind.Policies.Velquin\" />",
      "  </policyNamespaces>",
      "  <resources minRequiredRevision=\"1.0\" />",
      "  <supportedOn>",
      "    <definitions>",
      "      <definition name=\"SUPPORTED_Velquin\" displayName=\"$(string.SUPPORTED_Velquin)\" />",
      "    </definitions>",
      "  </supportedOn>",
      "  <categories>",
      "    <category name=\"Velquin\" displayName=\"$(string.Velquin)\" />",
      "  </categories>",
      "  <policies>",
  };
  const std::string key = Escaped(kPolicySectionPath);
  for (const ShownSetting& row : ShownSettings()) {
    const std::string name = row.name;
    // Both: under Computer Configuration it writes HKEY_LOCAL_MACHINE, under
    // User Configuration HKEY_CURRENT_USER.
    std::string policy = "    <policy name=\"" + name + "\" class=\"Both\" displayName=\"$(string." + name +
                         ")\" explainText=\"$(string." + name + "_Help)\" key=\"" + key + "\"";
    policy += row.flag ? " valueName=\"" + name + "\">" : " presentation=\"$(presentation." + name + ")\">";
    lines.push_back(policy);
    lines.push_back("      <parentCategory ref=\"Velquin\" />");
    lines.push_back("      <supportedOn ref=\"SUPPORTED_Velquin\" />");
    if (row.flag) {
      // The launcher reads a flag as text: the strings "1" and "0".
      lines.push_back("      <enabledValue><string>1</string></enabledValue>");
      lines.push_back("      <disabledValue><string>0</string></disabledValue>");
    } else {
      lines.push_back("      <elements>");
      // REG_SZ: the launcher reads the text as it stands, never expanded.
      lines.push_back("        <text id=\"" + name + "\" valueName=\"" + name + "\" maxLength=\"1023\" />");
      lines.push_back("      </elements>");
    }
    lines.push_back("    </policy>");
  }
  lines.push_back("  </policies>");
  lines.push_back("</policyDefinitions>");
  return Lines(lines);
}

std::string PolicyAdmlText(const std::string& code) {
  const Language* language = Find(code);
  if (!language) return std::string();
  const bool japanese = code == "ja-JP";
  std::vector<std::string> lines = {
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>",
      std::string("<policyDefinitionResources ") + kNamespaces + ">",
      "  <displayName>Velquin</displayName>",
      std::string("  <description>") + language->description + "</description>",
      "  <resources>",
      "    <stringTable>",
      "      <string id=\"Velquin\">Velquin</string>",
      std::string("      <string id=\"SUPPORTED_Velquin\">") + language->supported + "</string>",
  };
  for (const ShownSetting& row : ShownSettings()) {
    const std::string name = row.name;
    lines.push_back("      <string id=\"" + name + "\">" + Escaped(japanese ? row.label : row.english) + "</string>");
    lines.push_back("      <string id=\"" + name + "_Help\">" + Escaped(language->help(row)) + "</string>");
  }
  lines.push_back("    </stringTable>");
  lines.push_back("    <presentationTable>");
  for (const ShownSetting& row : ShownSettings()) {
    if (row.flag) continue;
    const std::string name = row.name;
    lines.push_back("      <presentation id=\"" + name + "\">");
    lines.push_back("        <textBox refId=\"" + name + "\">");
    lines.push_back("          <label>" + Escaped(japanese ? row.label : row.english) + "</label>");
    lines.push_back("        </textBox>");
    lines.push_back("      </presentation>");
  }
  lines.push_back("    </presentationTable>");
  lines.push_back("  </resources>");
  lines.push_back("</policyDefinitionResources>");
  return Lines(lines);
}

}  // namespace velquin
