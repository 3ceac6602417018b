#include "settings_window/preview.h"

#include "launcher/decision.h"
#include "platform/files.h"
#include "platform/os.h"

namespace velquin {
namespace {

// The machine as the preview sees it: the example file is there, every
// other file as the disk has it; the example is no browser's file.
class PreviewMachine : public MachineView {
 public:
  explicit PreviewMachine(const char* example) : example_(example) {}
  bool FileExists(const std::string& path) override { return path == example_ || IsExistingFile(path); }
  std::string BrowserCacheDirectory() override { return std::string(); }
  bool IsBrowserTempFile(const std::string&) override { return false; }
  BrowserVersionReading BrowserVersionClass() override { return BrowserVersionReading{}; }

 private:
  std::string example_;
};

MessageText Preview(const LauncherSettings& settings, const std::vector<std::string>& arguments) {
  std::uint32_t platform = 0;
  if (!os::GetVersionPlatformId(&platform)) platform = 0;
  const std::string& file = arguments.back();
  PreviewMachine machine(file.c_str());
  const RunDecision decision = DecideRun(settings, RunInput{arguments, file, false, platform}, machine);
  if (StartsAnEditor(decision.route)) return Ansi(PlannedCommand(decision));
  switch (decision.route) {
    case Route::HandOver:
      return Fixed("(メモ帳に渡します) ") + Ansi(decision.shellFile + " " + decision.shellParameters);
    case Route::PrintEditorMissing: return Fixed("(印刷しません: 印刷に使うエディタが見つかりません)");
    default: return Fixed("(起動しません: エディタもメモ帳も見つかりません)");
  }
}

}  // namespace

CommandPreviews PreviewCommands(const LauncherSettings& s) {
  CommandPreviews previews;
  previews.normal = Preview(s, {kExampleTextFile});
  previews.html = Preview(s, {kExampleHtmlFile});
  previews.print = Preview(s, {"/p", kExampleTextFile});
  return previews;
}

void SetSettingByName(LauncherSettings* s, const std::string& name, const std::string& text) {
  const SettingDefinition* definition = FindSettingDefinition(name);
  if (!definition) return;
  if (definition->kind == SettingKind::Text) s->*definition->member.text = text;
  else s->*definition->member.flag = text == "1";
}

}  // namespace velquin
