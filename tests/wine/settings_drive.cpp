// Drives velquin-settings.exe from outside, as a user at the keyboard would
// leave it: starts it, waits for its dialog, then takes the arguments in
// order. "ID=text" sets an edit's text, "ID=+" / "ID=-" checks or clears a
// check box (by clicking it when needed), "press=ID" presses a button;
// "answer=ID", given before its press, is the button the next message box
// gets (IDOK when none was given); "text=ID" prints a control's text as
// "text ID: TEXT", "enabled=ID" prints "enabled ID: yes" or "no". Prints each message box's text as "box: TEXT" (UTF-8) and ends
// once the program has ended: 0, or 1 when it had to be killed.
#include <windows.h>

#include <string>
#include <vector>

namespace {

struct Search {
  DWORD process;
  HWND except;
  HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
  Search* search = reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t name[16];
  if (owner != search->process || window == search->except || !IsWindowVisible(window) ||
      !GetClassNameW(window, name, 16) || lstrcmpW(name, L"#32770") != 0)
    return TRUE;
  search->found = window;
  return FALSE;
}

HWND DialogOf(DWORD process, HWND except) {
  Search search{process, except, nullptr};
  EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void Print(const std::wstring& text) {
  std::string bytes(text.size() * 4 + 1, '\0');
  bytes.resize(static_cast<std::size_t>(
      WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0],
                          static_cast<int>(bytes.size()), nullptr, nullptr)));
  bytes += "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring TextOf(HWND window) {
  wchar_t text[4096] = L"";
  SendMessageW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text));
  return text;
}

// After a press: answers the boxes that come up until none has for a
// while or the program ended.
void AnswerBoxes(HANDLE process, DWORD id, HWND dialog, std::vector<int>* answers) {
  for (int quiet = 0; quiet < 15 && WaitForSingleObject(process, 100) == WAIT_TIMEOUT;) {
    HWND box = DialogOf(id, dialog);
    if (!box) {
      ++quiet;
      continue;
    }
    quiet = 0;
    std::wstring text;
    for (const wchar_t c : TextOf(GetDlgItem(box, 0xFFFF)))
      if (c != L'\r') text += c == L'\n' ? L'|' : c;
    Print(L"box: " + text);
    const int answer = answers->empty() ? IDOK : answers->front();
    if (!answers->empty()) answers->erase(answers->begin());
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    while (IsWindow(box) && WaitForSingleObject(process, 50) == WAIT_TIMEOUT) {
    }
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
    return 2;
  HWND dialog = nullptr;
  for (int i = 0; i < 300 && !dialog; ++i) {
    Sleep(50);
    HWND found = DialogOf(started.dwProcessId, nullptr);
    if (found && GetDlgItem(found, IDOK)) dialog = found;
  }
  if (!dialog) {
    TerminateProcess(started.hProcess, 1);
    return 1;
  }
  std::vector<int> answers;
  for (int i = 2; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const std::size_t equals = arg.find(L'=');
    if (equals == std::wstring::npos) continue;
    const std::wstring key = arg.substr(0, equals), value = arg.substr(equals + 1);
    if (key == L"text") {
      Print(L"text " + value + L": " + TextOf(GetDlgItem(dialog, _wtoi(value.c_str()))));
    } else if (key == L"enabled") {
      Print(L"enabled " + value + L": " + (IsWindowEnabled(GetDlgItem(dialog, _wtoi(value.c_str()))) ? L"yes" : L"no"));
    } else if (key == L"answer") {
      answers.push_back(_wtoi(value.c_str()));
    } else if (key == L"press") {
      HWND button = GetDlgItem(dialog, _wtoi(value.c_str()));
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(_wtoi(value.c_str()), BN_CLICKED), reinterpret_cast<LPARAM>(button));
      AnswerBoxes(started.hProcess, started.dwProcessId, dialog, &answers);
    } else {
      HWND control = GetDlgItem(dialog, _wtoi(key.c_str()));
      if (value == L"+" || value == L"-") {
        const bool checked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (checked != (value == L"+")) SendMessageW(control, BM_CLICK, 0, 0);
      } else {
        SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
      }
    }
  }
  if (WaitForSingleObject(started.hProcess, 10000) == WAIT_OBJECT_0) return 0;
  TerminateProcess(started.hProcess, 1);
  return 1;
}
