// Owners for the system handles held above the seam. Each closer is named
// for the one call that closes its handles.
#pragma once

#include <cstdint>
#include <utility>

#include "platform/handle.h"
#include "platform/os.h"

namespace velquin {

struct RegCloseKeyCall {
  void operator()(os::KeyHandle key) const { os::CloseKey(key); }
};
struct FindCloseCall {
  void operator()(os::FindHandle handle) const { os::CloseFind(handle); }
};
struct CloseHandleCall {
  void operator()(std::uintptr_t handle) const { os::CloseHandle(handle); }
};

struct ReleaseActCtxCall {
  void operator()(os::ActivationContext context) const { os::ReleaseActivationContext(context); }
};

using RegKey = UniqueHandle<os::KeyHandle, 0, RegCloseKeyCall>;
using FindSearch = UniqueHandle<os::FindHandle, os::kInvalidFindHandle, FindCloseCall>;
using FileOwner = UniqueHandle<os::FileHandle, os::kInvalidFile, CloseHandleCall>;
using ProcessOwner = UniqueHandle<os::ProcessHandle, 0, CloseHandleCall>;
using ThreadOwner = UniqueHandle<os::ThreadHandle, 0, CloseHandleCall>;
using SnapshotOwner = UniqueHandle<os::SnapshotHandle, os::kInvalidSnapshot, CloseHandleCall>;
using ActivationContextOwner = UniqueHandle<os::ActivationContext, os::kInvalidActivationContext, ReleaseActCtxCall>;

// An activation context made current for one scope, then undone.
class ActiveContext {
 public:
  explicit ActiveContext(os::ActivationContext context)
      : active_(context != os::kInvalidActivationContext && os::ActivateActivationContext(context, &cookie_)) {}
  ~ActiveContext() {
    if (active_) os::DeactivateActivationContext(cookie_);
  }
  ActiveContext(const ActiveContext&) = delete;
  ActiveContext& operator=(const ActiveContext&) = delete;

 private:
  std::uintptr_t cookie_ = 0;
  bool active_;
};

// The process and its first thread, as CreateProcess hands them over: both
// closed, the thread first. Only the process is ever waited on, so the
// thread may go at once.
class StartedProcess {
 public:
  StartedProcess() = default;
  explicit StartedProcess(const os::ProcessHandles& handles) : process_(handles.process), thread_(handles.thread) {}

  bool valid() const { return process_.valid(); }
  os::ProcessHandle process() const { return process_.get(); }
  void CloseThread() { thread_.reset(); }
  // Closes the thread and hands the process on alone.
  ProcessOwner TakeProcess() {
    CloseThread();
    return std::move(process_);
  }
  void reset() {
    CloseThread();
    process_.reset();
  }

 private:
  // Destroyed in reverse: the thread before the process.
  ProcessOwner process_;
  ThreadOwner thread_;
};

}  // namespace velquin
