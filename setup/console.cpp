#include "setup/console.h"

#include "platform/os.h"

namespace velquin {

void WriteLine(const std::u16string& line) {
  const std::u16string text = line + u"\r\n";
  const std::uintptr_t handle = os::StandardHandle(false);
  if (handle == 0 || os::WriteConsoleW(handle, text)) return;
  bool lossy = false;
  os::WriteFileBytes(handle, os::WideCharToMultiByte(os::GetConsoleOutputCP(), 0, text, &lossy));
}

void WaitForEnter() {
  const std::uintptr_t input = os::StandardInputHandle();
  if (input == 0) return;
  WriteLine(u"Press Enter to close this window.");
  char16_t line[256];
  std::uint32_t read = 0;
  os::ReadConsoleW(input, line, 256, &read);
}

}  // namespace velquin
