#include "platform/MmResult.h"
#include "platform/WaveFormat.h"

namespace platform {

WaveFormat WaveFormat::pcm16(std::uint16_t channels, std::uint32_t rate, bool extensible) {
    WaveFormat f;
    f.formatTag = extensible ? TagExtensible : TagPcm;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.bitsPerSample = 16;
    f.blockAlign = static_cast<std::uint16_t>(channels * 2);
    f.avgBytesPerSec = rate * f.blockAlign;
    if (extensible) {
        f.extraSize = 22;
        f.validBitsPerSample = 16;
        f.channelMask = channels == 1 ? SpeakerFrontLeft : (SpeakerFrontLeft | SpeakerFrontRight);
        f.subFormat = SubFormatPcm;
    }
    return f;
}

bool WaveFormat::isPcm() const {
    if (formatTag == TagPcm) return true;
    return formatTag == TagExtensible && extraSize >= 22 && subFormat == SubFormatPcm &&
           validBitsPerSample == bitsPerSample;
}

const char* SoundResultText(MmResult result) {
    switch (result) {
    case mmresult::NoError: return "no error";
    case mmresult::Error: return "the sound device failed";
    case mmresult::BadDeviceId: return "no sound input with that number";
    case mmresult::NotEnabled: return "the sound device is not enabled";
    case mmresult::Allocated: return "the sound input is in use by another program";
    case mmresult::InvalidHandle: return "the sound input is closed";
    case mmresult::NoDriver: return "the sound input has no mixer";
    case mmresult::NoMemory: return "out of memory";
    case mmresult::NotSupported: return "not supported by the sound device";
    case mmresult::InvalidFlag: return "invalid flag";
    case mmresult::InvalidParam: return "invalid parameter";
    case mmresult::HandleBusy: return "the sound input is busy on its own thread";
    case mmresult::BadFormat: return "the sound input cannot record this format";
    case mmresult::StillPlaying: return "buffers are still queued";
    case mmresult::Unprepared: return "the buffer was not prepared";
    default: return "unknown sound error";
    }
}

}  // namespace platform
