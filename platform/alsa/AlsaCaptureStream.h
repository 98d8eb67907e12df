#pragma once

#include "platform/CaptureStream.h"
#include "platform/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform::alsa {

// A capture PCM of ALSA recording interleaved signed 16-bit little-endian
// frames. With `exactRate` the device must record the rate itself (no
// resampling by ALSA's plug layer). The PCM is opened non-blocking; a read
// waits on the PCM's poll descriptors for at most its limit, and an overrun
// or suspend is recovered (snd_pcm_recover) and capture restarted.
class AlsaCaptureStream final : public CaptureStream {
public:
    ~AlsaCaptureStream() override;

    // Opens `pcmName`; on failure gives the result code (Allocated for a busy
    // device, BadFormat for a format it cannot record, Error otherwise) and
    // the ALSA text in `detail`.
    static MmResult open(const std::string& pcmName, const WaveFormat& format, bool exactRate,
                         std::unique_ptr<AlsaCaptureStream>& out, std::string& detail);

    MmResult start() override;
    void stop() override;
    long read(void* out, std::size_t maxFrames, int waitMs) override;
    bool drainsWhenIdle() const override { return true; }

    // Overruns and suspends recovered so far.
    std::uint64_t recoveries() const { return recoveries_; }

private:
    struct Pcm;
    explicit AlsaCaptureStream(std::unique_ptr<Pcm> pcm);
    bool recover(long err);

    std::unique_ptr<Pcm> pcm_;
    std::uint64_t recoveries_ = 0;
};

}  // namespace platform::alsa
