// Owners for the handles the launcher holds above the system seam.
#pragma once

#include "platform/handle.h"
#include "platform/os.h"

namespace velquin {

struct RegKeyCloser {
  void operator()(os::KeyHandle key) const { os::CloseKey(key); }
};
struct FindCloser {
  void operator()(os::FindHandle handle) const { os::CloseFind(handle); }
};
struct ProcessCloser {
  void operator()(os::ProcessHandle handle) const { os::CloseHandle(handle); }
};

using RegKey = UniqueHandle<os::KeyHandle, 0, RegKeyCloser>;
using FindSearch = UniqueHandle<os::FindHandle, os::kInvalidFindHandle, FindCloser>;
using ProcessOwner = UniqueHandle<os::ProcessHandle, 0, ProcessCloser>;
// CloseHandle, as for a process.
using SnapshotOwner = UniqueHandle<os::SnapshotHandle, os::kInvalidSnapshot, ProcessCloser>;

}  // namespace velquin
