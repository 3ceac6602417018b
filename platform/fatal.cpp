#include "platform/fatal.h"


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
  static const char kHex[] = "0123456789ABCDEF";
  char address[9] = {};
  for (int i = 0; i < 8; ++i) address[i] = kHex[(error.address >> (28 - 4 * i)) & 0xF];
  return Fixed(error.kind) + Fixed("がﾓｼﾞｭｰﾙ ") + Ansi(moduleFileName.substr(0, 63)) +
         Fixed(" の\n") + Fixed(address) + Fixed(" で発生しました。\n") + error.message +
         Fixed(IsEmpty(error.message) || EndsWithDot(error.message) ? "" : ".") + Fixed("\n");
}

void ReportFatal(const FatalError& error) {
  const std::string path = ModulePath();
  const std::string fileName = path.substr(DirectoryPart(path).size());
  ShowStyledBox(0, Render(FatalReportText(error, fileName)), Render(Fixed("ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ")),
                kIconError | kTaskModal);
}

}  // namespace velquin
