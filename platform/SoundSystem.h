#pragma once

#include "platform/InputMixer.h"
#include "platform/MmResult.h"
#include "platform/SoundInput.h"
#include "platform/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// The machine's sound inputs: how many, their names, opening one, and the
// mixer behind an open one. The ALSA system in production; a scripted one
// in tests.
class SoundSystem {
public:
    // The longest device name reported, in characters.
    static constexpr std::size_t MaxNameLength = 31;
    // Open flags: the callback is a function; record the format as given,
    // with no conversion by the system.
    static constexpr std::uint32_t CallbackFunction = 0x00030000;
    static constexpr std::uint32_t FormatDirect = 0x0008;

    virtual ~SoundSystem() = default;

    // Also refreshes the list: devices keep their index until the next count.
    virtual unsigned inputDeviceCount() = 0;
    virtual MmResult inputDeviceName(unsigned deviceId, std::string& name) = 0;

    // The callback gets WimOpen before any other notification.
    virtual MmResult openInput(unsigned deviceId, const WaveFormat& format, WaveInProc proc,
                               std::uintptr_t instance, std::uint32_t flags,
                               std::unique_ptr<SoundInput>& out) = 0;

    // The mixer of the device behind an open input; NoDriver when it has none.
    virtual MmResult openMixer(const SoundInput& input, std::unique_ptr<InputMixer>& out) = 0;
};

// Cuts a name to MaxNameLength characters (UTF-8 aware), as the system
// reports device names.
std::string TruncateDeviceName(const std::string& name);

// The process-wide sound system (ALSA). Tests pass their own.
SoundSystem& systemSoundSystem();

}  // namespace platform
