#include "sim/AlsaMicrophoneConfig.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace sim {

namespace {
constexpr const char* kFirstLine = "# The simulated measurement microphone (written by procsim).";

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}
}  // namespace

std::string AlsaMicrophoneConfig(const std::string& fifoPath, const std::string& description) {
    std::ostringstream c;
    c << kFirstLine << "\n"
      << "# Use: ALSA_CONFIG_PATH=<this file> halvane   (or append these lines to ~/.asoundrc)\n"
      << "pcm." << kAlsaMicrophonePcm << "_fifo {\n"
      << "  type file\n"
      << "  slave.pcm { type null }\n"
      << "  file \"/dev/null\"\n"
      << "  infile " << quoted(fifoPath) << "\n"
      << "  format \"raw\"\n"
      << "}\n"
      << "pcm." << kAlsaMicrophonePcm << " {\n"
      << "  type plug\n"
      << "  slave { pcm \"" << kAlsaMicrophonePcm << "_fifo\" format S16_LE channels 2 rate 48000 }\n"
      << "  hint { show on description " << quoted(description) << " }\n"
      << "}\n";
    return c.str();
}

bool WriteAlsaMicrophoneConfig(const std::string& path, const std::string& fifoPath, std::string& error,
                               const std::string& description) {
    {
        std::ifstream existing(path);
        std::string first;
        if (existing && std::getline(existing, first) && first != kFirstLine) {
            error = path + " exists and is not a simulated-microphone configuration; not replaced";
            return false;
        }
    }
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << AlsaMicrophoneConfig(fifoPath, description);
        if (!out.flush()) {
            error = "cannot write " + temporary;
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace sim
