#include "WavTake.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

std::uint32_t U32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

bool ReadWavTake(const std::string& path, WavTake& take, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        error = path + " is not a WAV file";
        return false;
    }
    bool haveFormat = false, haveData = false;
    std::size_t pos = 12;
    while (pos + 8 <= bytes.size() && !haveData) {
        const std::uint8_t* chunk = bytes.data() + pos;
        const std::uint32_t size = U32(chunk + 4);
        const std::size_t body = pos + 8;
        if (size > bytes.size() - body) {
            error = path + " is damaged: a chunk runs past the end of the file";
            return false;
        }
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16) {
                error = path + " has a short format chunk";
                return false;
            }
            const std::uint8_t* f = bytes.data() + body;
            std::uint16_t format = U16(f);
            // WAVE_FORMAT_EXTENSIBLE names the real format in its sub-format.
            if (format == 0xFFFE && size >= 40) format = U16(f + 24);
            if (format != 1) {
                error = path + " is not PCM";
                return false;
            }
            take.channels = U16(f + 2);
            take.rate = static_cast<int>(U32(f + 4));
            take.bitsPerSample = U16(f + 14);
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                error = path + " has its data before its format";
                return false;
            }
            if (take.bitsPerSample != 16 || take.channels < 1) {
                error = path + " does not hold 16-bit samples";
                return false;
            }
            const std::size_t count = size / 2 / take.channels * take.channels;
            take.samples.resize(count);
            for (std::size_t i = 0; i < count; ++i)
                take.samples[i] = static_cast<std::int16_t>(U16(bytes.data() + body + 2 * i));
            haveData = true;
        }
        pos = body + size + (size & 1);  // chunks are padded to even lengths
    }
    if (!haveData) {
        error = path + " holds no samples";
        return false;
    }
    return true;
}
