// The system calls that hand over a name or a command line, in the run's
// text (platform/run_text.h). Each picks the A or the W call once, so that
// a wide run hands the system the real name and no caller picks for itself.
#pragma once

#include <string>

#include "platform/os.h"
#include "platform/owners.h"

namespace velquin {

// FindFirstFile: the search, invalid when nothing matches.
FindSearch FindFirstMatch(const std::string& pattern, os::FindData* found);
// MoveFile, DeleteFile.
bool MoveFileTo(const std::string& from, const std::string& to);
bool DeleteFileAt(const std::string& path);
// CreateProcess, handing on this process's own startup information.
bool StartCommand(const std::string& commandLine, os::ProcessHandles* handles);
// ShellExecuteEx's "Open" of the file with these parameters, shown
// normally, from the current directory, with no owner window: the process
// it started, invalid when the shell hands none over.
ProcessOwner ShellOpenFile(const std::string& file, const std::string& parameters);

}  // namespace velquin
