#include "platform/alsa/AlsaCaptureStream.h"

#include <alsa/asoundlib.h>

#include <cerrno>

namespace platform::alsa {

struct AlsaCaptureStream::Pcm {
    snd_pcm_t* handle = nullptr;
    snd_pcm_uframes_t period = 0;
    ~Pcm() {
        if (handle != nullptr) snd_pcm_close(handle);
    }
};

namespace {
// About 21 ms periods in a buffer of about 340 ms: room for the capture
// thread to be late without an overrun.
constexpr snd_pcm_uframes_t kPeriodFrames = 1024;
constexpr snd_pcm_uframes_t kBufferFrames = 16384;

std::string describe(const char* what, int err) { return std::string(what) + ": " + snd_strerror(err); }
}  // namespace

AlsaCaptureStream::AlsaCaptureStream(std::unique_ptr<Pcm> pcm) : pcm_(std::move(pcm)) {}
AlsaCaptureStream::~AlsaCaptureStream() = default;

MmResult AlsaCaptureStream::open(const std::string& pcmName, const WaveFormat& format, bool exactRate,
                                 std::unique_ptr<AlsaCaptureStream>& out, std::string& detail) {
    if (!format.isPcm() || format.bitsPerSample != 16 || format.channels < 1 || format.channels > 2 ||
        format.blockAlign != format.channels * 2) {
        detail = "only 16-bit PCM in one or two channels is recorded";
        return mmresult::BadFormat;
    }
    auto pcm = std::make_unique<Pcm>();
    int err = snd_pcm_open(&pcm->handle, pcmName.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
    if (err < 0) {
        pcm->handle = nullptr;
        detail = describe(pcmName.c_str(), err);
        return err == -EBUSY ? mmresult::Allocated : mmresult::Error;
    }
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    snd_pcm_hw_params_any(pcm->handle, hw);
    unsigned rate = format.samplesPerSec;
    if ((err = snd_pcm_hw_params_set_access(pcm->handle, hw, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0 ||
        (err = snd_pcm_hw_params_set_format(pcm->handle, hw, SND_PCM_FORMAT_S16_LE)) < 0 ||
        (err = snd_pcm_hw_params_set_channels(pcm->handle, hw, format.channels)) < 0 ||
        (err = snd_pcm_hw_params_set_rate_resample(pcm->handle, hw, exactRate ? 0 : 1)) < 0 ||
        (err = snd_pcm_hw_params_set_rate(pcm->handle, hw, rate, 0)) < 0) {
        detail = describe("format", err);
        return mmresult::BadFormat;
    }
    snd_pcm_uframes_t period = kPeriodFrames;
    snd_pcm_uframes_t buffer = kBufferFrames;
    snd_pcm_hw_params_set_period_size_near(pcm->handle, hw, &period, nullptr);
    snd_pcm_hw_params_set_buffer_size_near(pcm->handle, hw, &buffer);
    if ((err = snd_pcm_hw_params(pcm->handle, hw)) < 0) {
        detail = describe("hardware parameters", err);
        return mmresult::BadFormat;
    }
    snd_pcm_hw_params_get_period_size(hw, &period, nullptr);
    pcm->period = period > 0 ? period : kPeriodFrames;
    out.reset(new AlsaCaptureStream(std::move(pcm)));
    return mmresult::NoError;
}

MmResult AlsaCaptureStream::start() {
    snd_pcm_t* h = pcm_->handle;
    int err = snd_pcm_prepare(h);
    if (err >= 0) err = snd_pcm_start(h);
    return err < 0 ? mmresult::Error : mmresult::NoError;
}

void AlsaCaptureStream::stop() { snd_pcm_drop(pcm_->handle); }

bool AlsaCaptureStream::recover(long err) {
    if (snd_pcm_recover(pcm_->handle, static_cast<int>(err), 1) < 0) return false;
    ++recoveries_;
    snd_pcm_start(pcm_->handle);  // a capture PCM does not restart by itself
    return true;
}

long AlsaCaptureStream::read(void* out, std::size_t maxFrames, int waitMs) {
    snd_pcm_t* h = pcm_->handle;
    const int ready = snd_pcm_wait(h, waitMs);
    if (ready == 0) return 0;
    if (ready < 0) return recover(ready) ? 0 : -1;
    // One period at a most: some plugins (the file plugin) refuse reads
    // larger than their buffer.
    if (maxFrames > pcm_->period) maxFrames = pcm_->period;
    const snd_pcm_sframes_t got = snd_pcm_readi(h, out, maxFrames);
    if (got == -EAGAIN) return 0;
    if (got < 0) return recover(got) ? 0 : -1;
    return static_cast<long>(got);
}

}  // namespace platform::alsa
