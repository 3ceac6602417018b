// Message boxes and the complete catalogue of what the launcher says. A
// message is made of pieces: the fixed texts, kept here as UTF-8, and the
// run's own values (paths, names) in the run's text (the system's code page,
// or UTF-8 in a wide run). Each piece is converted by its own rule at the
// box, so the Japanese texts read right on any system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velquin {

struct MessageText {
  struct Piece {
    bool ansi = false;
    std::string bytes;
  };
  std::vector<Piece> pieces;
};

MessageText Fixed(const char* utf8);
MessageText Ansi(const std::string& text);
MessageText operator+(MessageText left, const MessageText& right);
bool IsEmpty(const MessageText& text);
bool EndsWithDot(const MessageText& text);
std::u16string Render(const MessageText& text);

inline constexpr std::uint32_t kIconError = 0x10;        // MB_ICONERROR
inline constexpr std::uint32_t kIconInformation = 0x40;  // MB_ICONINFORMATION
inline constexpr std::uint32_t kTaskModal = 0x2000;      // MB_TASKMODAL

MessageText ProductCaption();
void ShowMessageBox(const MessageText& text, const MessageText& caption, std::uint32_t style);
// MessageBoxW, drawn by the common controls' version 6 when the program
// carries their manifest (the launcher's boxes); otherwise as the process
// draws its windows.
int ShowStyledBox(std::uintptr_t owner, const std::u16string& text, const std::u16string& caption,
                  std::uint32_t style);
void ShowError(const MessageText& text);

namespace messages {
MessageText NoEditor();
MessageText InvalidFileName(const std::string& joinedArguments);
MessageText FileNotFound(const std::string& target);
MessageText PrintEditorMissing(const std::string& printEditor);
MessageText HtmlEditorMissing(const std::string& htmlEditor);
MessageText NotepadStandsIn();
MessageText RenameFailed(const std::string& oldPath, const std::string& newPath);
MessageText DeleteFailed(const std::string& target);
MessageText EditorStartFailed(const std::string& commandLine, std::uint32_t errorCode);
MessageText BrowserPathUnknown();
MessageText BrowserVersionUnreadable();
MessageText BrowserVersionUnknown();

// The fatal errors' messages, shown by the top-level report.
MessageText ValueReadFailed(const std::string& valueName);
MessageText ValueTypeInvalid(const std::string& valueName);
MessageText KeyCreateFailed(const std::string& keyName);
MessageText ValueWriteFailed(const std::string& valueName);
MessageText TextTooLong();
}  // namespace messages

}  // namespace velquin
