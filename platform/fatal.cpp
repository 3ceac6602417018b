#include "platform/fatal.h"

#include <cstdio>

#include "platform/files.h"
#include "platform/os.h"
#include "platform/text.h"

namespace velquin {

// Not inlined, so that the return address names the raising call.
__attribute__((noinline)) void RaiseRegistryError(const MessageText& message) {
  throw FatalError{"ERegistryException", message,
                   reinterpret_cast<std::uintptr_t>(__builtin_return_address(0))};
}

__attribute__((noinline)) void RaiseConvertError(const MessageText& message) {
  throw FatalError{"EConvertError", message,
                   reinterpret_cast<std::uintptr_t>(__builtin_return_address(0))};
}

MessageText FatalReportText(const FatalError& error, const std::string& moduleFileName) {
  char address[16];
  std::snprintf(address, sizeof address, "%08X", static_cast<unsigned>(error.address & 0xFFFFFFFFu));
  return Fixed(error.kind) + Fixed("がﾓｼﾞｭｰﾙ ") + Ansi(moduleFileName.substr(0, 63)) +
         Fixed(" の\n") + Fixed(address) + Fixed(" で発生しました。\n") + error.message +
         Fixed(IsEmpty(error.message) || EndsWithDot(error.message) ? "" : ".") + Fixed("\n");
}

void ReportFatal(const FatalError& error) {
  const std::string path = ModulePath();
  const std::string fileName = path.substr(DirectoryPart(path).size());
  os::MessageBox(0, Render(FatalReportText(error, fileName)), Render(Fixed("ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ")),
                 kIconError | kTaskModal);
}

}  // namespace velquin
