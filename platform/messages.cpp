#include "platform/messages.h"

#include <string>

#include "platform/os.h"
#include "platform/owners.h"
#include "platform/run_text.h"

namespace velquin {

MessageText Fixed(const char* utf8) { return MessageText{{{false, utf8}}}; }

MessageText Ansi(const std::string& text) { return MessageText{{{true, text}}}; }

MessageText operator+(MessageText left, const MessageText& right) {
  left.pieces.insert(left.pieces.end(), right.pieces.begin(), right.pieces.end());
  return left;
}

bool IsEmpty(const MessageText& text) {
  for (const MessageText::Piece& piece : text.pieces)
    if (!piece.bytes.empty()) return false;
  return true;
}

bool EndsWithDot(const MessageText& text) {
  for (auto piece = text.pieces.rbegin(); piece != text.pieces.rend(); ++piece)
    if (!piece->bytes.empty()) return piece->bytes.back() == '.';
  return false;
}

std::u16string Render(const MessageText& text) {
  std::u16string wide;
  for (const MessageText::Piece& piece : text.pieces)
    if (!piece.bytes.empty())
      wide += piece.ansi ? WideText(piece.bytes) : os::MultiByteToWideChar(os::kCodePageUtf8, piece.bytes);
  return wide;
}

// Fixed: every box has carried this caption, whatever the release.
MessageText ProductCaption() { return Fixed("Velquin 2.33.0.1"); }

// The boxes' own manifest (resources/velquin.rc says why it is apart).
constexpr std::uint16_t kBoxManifestId = 3;

int ShowStyledBox(std::uintptr_t owner, const std::u16string& text, const std::u16string& caption,
                  std::uint32_t style) {
  const ActivationContextOwner context(os::CreateOwnActivationContext(kBoxManifestId));
  const ActiveContext active(context.get());
  return os::ShowBox(owner, text, caption, style);
}

void ShowMessageBox(const MessageText& text, const MessageText& caption, std::uint32_t style) {
  ShowStyledBox(os::GetForegroundWindow(), Render(text), Render(caption), style);
}

void ShowError(const MessageText& text) { ShowMessageBox(text, ProductCaption(), kIconError); }

namespace messages {

MessageText NoEditor() { return Fixed("危機的エラーです。\r\n開けるエディタが見つかりません。"); }

MessageText InvalidFileName(const std::string& joinedArguments) {
  return Ansi(joinedArguments) + Fixed("\r\nファイル名が不正です。");
}

MessageText FileNotFound(const std::string& target) {
  return Ansi(target) + Fixed("\r\nファイル") +
         Fixed(" は見つかりませんでした。\r\nファイルの存在を確認してください。");
}

MessageText PrintEditorMissing(const std::string& printEditor) {
  return Ansi(printEditor) + Fixed("\r\n印刷用エディタ") +
         Fixed(" が見つかりませんでした。\r\n設定を見直して下さい。");
}

MessageText HtmlEditorMissing(const std::string& htmlEditor) {
  return Ansi(htmlEditor) + Fixed("\r\nソース表示用エディタ") +
         Fixed(" が見つかりませんでした。\r\n設定を見直して下さい。") +
         Fixed("\r\n代わりに通常のエディタで開きます。");
}

MessageText NotepadStandsIn() {
  return Fixed("通常使うエディタが見つかりませんでした。\r\n代わりにメモ帳で開きます。");
}

MessageText RenameFailed(const std::string& oldPath, const std::string& newPath) {
  return Ansi(oldPath) + Fixed("\r\n") + Ansi(newPath) + Fixed("\r\n") +
         Fixed("※ファイルが無いか使用中のため、拡張子の変更に失敗しました。");
}

MessageText DeleteFailed(const std::string& target) {
  return Ansi(target) + Fixed("\r\n") + Fixed("※テンポラリファイルが使用中のため、削除に失敗しました。");
}

MessageText EditorStartFailed(const std::string& commandLine, std::uint32_t errorCode) {
  // The code, not the system's wording of it: the same box on every system.
  return Ansi(commandLine) + Fixed("\r\n") + Fixed("エディタを起動できませんでした (エラー ") +
         Fixed(std::to_string(errorCode).c_str()) + Fixed(")。") + Fixed("\r\n") + Fixed("設定を見直して下さい。");
}

MessageText BrowserPathUnknown() { return Fixed("Internet Explorerのインストール先が不明です。"); }
MessageText BrowserVersionUnreadable() { return Fixed("IEのバージョン取得に失敗しました。"); }
MessageText BrowserVersionUnknown() { return Fixed("IEのバージョンは不明です。"); }

MessageText ValueReadFailed(const std::string& valueName) {
  return Fixed("'") + Ansi(valueName) + Fixed("' の取得に失敗しました");
}
MessageText ValueTypeInvalid(const std::string& valueName) {
  return Fixed("'") + Ansi(valueName) + Fixed("' のﾃﾞｰﾀ型が不正です");
}
MessageText KeyCreateFailed(const std::string& keyName) {
  return Fixed("ｷｰ ") + Ansi(keyName) + Fixed(" の作成に失敗しました");
}
MessageText ValueWriteFailed(const std::string& valueName) {
  return Fixed("'") + Ansi(valueName) + Fixed("' の設定に失敗しました");
}
MessageText TextTooLong() { return Fixed("結果が 4096 文字以上あります"); }

}  // namespace messages
}  // namespace velquin
