#pragma once

#include "platform/WindowMessageNames.h"

#include <cstdint>

namespace halvane::diagnostics::messages {

// Halvane's registered window messages. Every source that sends or handles
// one registers the same name and so gets the same id.
constexpr const char* kValueChanged = "UM_VALUE_CHANGED-{4A85C2E3-4C4D-480e-A6FF-97E7804B09C0}";
constexpr const char* kRecalcTargets = "UM_RECALC_TARGETS-{4A85C2E3-4C4D-480e-A6FF-97E7804B09C0}";
constexpr const char* kDone = "UM_DONE-{F104D146-2E3F-4d35-9A07-1BCE83D4A0C9}";
constexpr const char* kSetDisplayString = "UM_SET_DISPLAY_STRING-{F104D146-2E3F-4d35-9A07-1BCE83D4A0C9}";
constexpr const char* kRunTask = "UM_RUN_TASK-{F104D146-2E3F-4d35-9A07-1BCE83D4A0C9}";
constexpr const char* kCurveReady = "UM_CURVE_READY-{F104D146-2E3F-4d35-9A07-1BCE83D4A0C9}";
constexpr const char* kProcTerminated = "UM_PROC_TERMINATED-{F104D146-2E3F-4d35-9A07-1BCE83D4A0C9}";
constexpr const char* kDeviceChanged = "UM_DEVICE_CHANGED-{F104D146-2E3F-4d35-9A07-1BCE83D4A0C9}";

// The id of a registered name (registered on first use).
inline std::uint32_t Id(const char* name) { return platform::RegisterWindowMessage(name); }

}  // namespace halvane::diagnostics::messages
