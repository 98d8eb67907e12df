#pragma once

#include <cstdint>

namespace platform {

// Result of a sound-input or mixer call, with the numbering the recorders
// report as their "last result" (0 is success).
using MmResult = std::uint32_t;

namespace mmresult {
constexpr MmResult NoError = 0;
constexpr MmResult Error = 1;          // unspecified failure of the device
constexpr MmResult BadDeviceId = 2;    // no device with that index
constexpr MmResult NotEnabled = 3;
constexpr MmResult Allocated = 4;      // another program holds the device
constexpr MmResult InvalidHandle = 5;  // the input is closed
constexpr MmResult NoDriver = 6;       // no mixer behind the input
constexpr MmResult NoMemory = 7;
constexpr MmResult NotSupported = 8;
constexpr MmResult InvalidFlag = 10;
constexpr MmResult InvalidParam = 11;
constexpr MmResult HandleBusy = 12;    // called from inside the capture callback
constexpr MmResult BadFormat = 32;     // the device cannot record this format
constexpr MmResult StillPlaying = 33;  // buffers are still queued
constexpr MmResult Unprepared = 34;    // the header was not prepared
}  // namespace mmresult

// A short English text for a result ("buffers are still queued").
const char* SoundResultText(MmResult result);

}  // namespace platform
