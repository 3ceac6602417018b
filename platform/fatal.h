// The few errors the launcher does not handle: raised where they arise,
// caught once at the entry point, shown by the top-level report, exit 1.
#pragma once

#include <cstdint>

#include "platform/messages.h"

namespace velquin {

struct FatalError {
  const char* kind;  // ERegistryException or EConvertError
  MessageText message;
  std::uintptr_t address;  // where it arose
};

[[noreturn]] void RaiseRegistryError(const MessageText& message);
[[noreturn]] void RaiseConvertError(const MessageText& message);

// The task-modal report box; the caller then ends the process with code 1.
void ReportFatal(const FatalError& error);
MessageText FatalReportText(const FatalError& error, const std::string& moduleFileName);

}  // namespace velquin
