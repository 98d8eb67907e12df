#include "sound_test_support.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace soundtest {

void RampSource::fill(std::int16_t* out, std::size_t frames, unsigned channels, unsigned) {
    for (std::size_t f = 0; f < frames; ++f, ++next)
        for (unsigned c = 0; c < channels; ++c) out[f * channels + c] = static_cast<std::int16_t>(next & 0xFFFF);
}

void TakeSource::fill(std::int16_t* out, std::size_t frames, unsigned channels, unsigned) {
    for (std::size_t i = 0; i < frames * channels; ++i)
        out[i] = pos_ < samples_.size() ? samples_[pos_++] : std::int16_t{0};
}

void CallbackLog::proc(platform::SoundInput*, std::uint32_t message, std::uintptr_t instance,
                       platform::WaveHeader* header) {
    auto* self = reinterpret_cast<CallbackLog*>(instance);
    {
        std::lock_guard lock(self->mutex);
        self->log.push_back({message, header, header != nullptr ? header->bytesRecorded.load() : 0,
                             std::this_thread::get_id() == self->callerThread});
    }
    self->changed.notify_all();
}

std::vector<CallbackLog::Entry> CallbackLog::entries() const {
    std::lock_guard lock(mutex);
    return log;
}

std::size_t CallbackLog::count(std::uint32_t message) const {
    std::lock_guard lock(mutex);
    std::size_t n = 0;
    for (const Entry& e : log) n += e.message == message;
    return n;
}

bool CallbackLog::waitFor(std::uint32_t message, std::size_t n, int timeoutMs) const {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        std::size_t k = 0;
        for (const Entry& e : log) k += e.message == message;
        return k >= n;
    });
}

AlsaFileDevice::AlsaFileDevice(const std::vector<std::int16_t>& take, const std::string& description,
                               const std::string& otherDescription) {
    char pattern[] = "/tmp/halvane-alsa-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp");
    dir_ = pattern;
    {
        std::ofstream raw(dir_ + "/take.raw", std::ios::binary);
        raw.write(reinterpret_cast<const char*>(take.data()), static_cast<std::streamsize>(take.size() * 2));
    }
    std::ofstream conf(dir_ + "/asoundrc");
    // A PCM of type file with an input file records that file: the null
    // slave only paces nothing and the data come from "infile".
    auto define = [&](const std::string& name, const std::string& desc) {
        conf << "pcm." << name << " {\n"
             << "  type file\n"
             << "  slave.pcm { type null }\n"
             << "  file \"/dev/null\"\n"
             << "  infile \"" << dir_ << "/take.raw\"\n"
             << "  format \"raw\"\n"
             << "  hint { show on description \"" << desc << "\" }\n"
             << "}\n";
    };
    if (!otherDescription.empty()) define("other", otherDescription);
    define("qex", description);
    conf.close();
    setenv("ALSA_CONFIG_PATH", (dir_ + "/asoundrc").c_str(), 1);
}

AlsaFileDevice::~AlsaFileDevice() {
    unsetenv("ALSA_CONFIG_PATH");
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

}  // namespace soundtest
