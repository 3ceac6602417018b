#include "settings_window/preview.h"

#include "launcher/editor_command.h"
#include "launcher/launcher.h"
#include "platform/files.h"
#include "platform/os.h"

namespace velquin {
namespace {

// The editor after the launcher's start-up fallback; empty when neither it
// nor the kept Notepad exists, and the launcher then starts nothing.
std::string NormalEditor(const std::string& editor) {
  if (IsExistingFile(editor)) return editor;
  std::uint32_t platform = 0;
  if (!os::GetVersionPlatformId(&platform)) platform = 0;
  const std::string notepad = FallbackEditorPath(platform);
  return IsExistingFile(notepad) ? notepad : std::string();
}

}  // namespace

CommandPreviews PreviewCommands(const LauncherSettings& s) {
  CommandPreviews previews;
  const std::string editor = NormalEditor(s.Editor);
  if (editor.empty()) {
    previews.normal = previews.html = previews.print = Fixed("(起動しません: エディタもメモ帳も見つかりません)");
    return previews;
  }
  previews.normal = Ansi(EditorCommandLine(editor, s.ParamEditor, s.FrontEditor, kExampleTextFile));
  const bool ownHtmlEditor = !s.HtmlEditor.empty() && IsExistingFile(s.HtmlEditor);
  previews.html = Ansi(ownHtmlEditor ? EditorCommandLine(s.HtmlEditor, s.ParamHtml, s.FrontHtml, kExampleHtmlFile)
                                     : EditorCommandLine(editor, s.ParamEditor, s.FrontEditor, kExampleHtmlFile));
  if (IsExistingFile(s.PrintEditor))
    previews.print = Ansi(EditorCommandLine(s.PrintEditor, s.ParamPrint, s.FrontPrint, kExampleTextFile));
  else if (s.PrintEditor.empty())
    previews.print = Ansi(EditorCommandLine(editor, s.ParamPrint, s.FrontPrint, kExampleTextFile));
  else
    previews.print = Fixed("(印刷しません: 印刷に使うエディタが見つかりません)");
  return previews;
}

void SetSettingByName(LauncherSettings* s, const std::string& name, const std::string& text) {
  const SettingDefinition* definition = FindSettingDefinition(name);
  if (!definition) return;
  if (definition->kind == SettingKind::Text) s->*definition->member.text = text;
  else s->*definition->member.flag = text == "1";
}

}  // namespace velquin
