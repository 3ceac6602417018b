#include "platform/run_calls.h"

#include "platform/run_text.h"

namespace velquin {

FindSearch FindFirstMatch(const std::string& pattern, os::FindData* found) {
  return FindSearch(WideRun ? os::FindFirstW(WideText(pattern), found) : os::FindFirst(pattern, found));
}

bool MoveFileTo(const std::string& from, const std::string& to) {
  return WideRun ? os::RenameFileW(WideText(from), WideText(to)) : os::RenameFile(from, to);
}

bool DeleteFileAt(const std::string& path) {
  return WideRun ? os::RemoveFileW(WideText(path)) : os::RemoveFile(path);
}

bool StartCommand(const std::string& commandLine, os::ProcessHandles* handles) {
  return WideRun ? os::StartProcessW(WideText(commandLine), os::OwnStartupInfoW(), handles)
                 : os::StartProcess(commandLine, os::OwnStartupInfo(), handles);
}

ProcessOwner ShellOpenFile(const std::string& file, const std::string& parameters) {
  constexpr int kShowNormal = 5;  // SW_SHOW
  return ProcessOwner(WideRun ? os::ShellOpenProcessW(u"Open", WideText(file), WideText(parameters), u"", kShowNormal)
                              : os::ShellOpenProcess("Open", file, parameters, "", kShowNormal));
}

}  // namespace velquin
