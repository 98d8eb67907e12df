// The FIFO microphone: what it writes is the microphone's own sound, frame
// by frame and in order; nobody reading never holds it up; a tone change
// drops what was queued before; and the ALSA configuration it goes with.
#include "sim/AlsaMicrophoneConfig.h"
#include "sim/FifoMicrophone.h"
#include "sim/Room.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::string("fifo-mic-") + std::to_string(::getpid()) + name))
        .string();
}

// Reads exactly `frames` stereo frames (blocking, as ALSA's file device does).
std::vector<std::int16_t> ReadFrames(int fd, std::size_t frames) {
    std::vector<std::int16_t> out(frames * 2);
    auto* p = reinterpret_cast<char*>(out.data());
    std::size_t left = out.size() * 2;
    while (left > 0) {
        const ssize_t got = ::read(fd, p, left);
        if (got <= 0) break;
        p += got;
        left -= static_cast<std::size_t>(got);
    }
    out.resize(out.size() - left / 2);
    return out;
}

}  // namespace

TEST(FifoMicrophone, WritesTheMicrophonesSoundInOrderAndNeverWaitsForAReader) {
    sim::Room room(3);
    sim::Microphone mic(room), reference(room);
    std::atomic<int> tone{0};
    mic.setToneSource([&] { return tone.load(); });
    const std::string path = TempPath("a");
    sim::FifoMicrophone::Options o;
    o.path = path;
    o.speed = 8;
    sim::FifoMicrophone fifo(mic, [&] { return tone.load(); }, o);
    ASSERT_TRUE(fifo.start()) << fifo.error();
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);

    // From frame 0 on, both channels the microphone's, nothing lost.
    const auto got = ReadFrames(fd, 3 * 65536);
    ASSERT_EQ(got.size(), 2u * 3 * 65536);
    std::vector<std::int16_t> expected(got.size());
    reference.setToneSource([] { return 0; });
    reference.render(0, expected.data(), 3 * 65536);
    for (std::size_t f = 0; f < 3 * 65536; ++f) {
        ASSERT_EQ(got[2 * f], expected[2 * f]) << "frame " << f;
        ASSERT_EQ(got[2 * f + 1], got[2 * f]) << "frame " << f;
    }
    // (Frame-exact from 0: nothing before them was dropped either.)

    const auto waitFor = [&](auto done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!done() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return done();
    };

    // Nobody reads: the writer goes on, dropping the oldest sound (1 MB is
    // 5.5 s of sound, 0.7 s at 8x).
    const auto before = fifo.counts();
    EXPECT_TRUE(waitFor([&] {
        const auto now = fifo.counts();
        return now.written > before.written + 48000 && now.dropped > 0;
    })) << "the writer stalled on a FIFO nobody reads: written " << fifo.counts().written - before.written
        << ", dropped " << fifo.counts().dropped;

    // A tone change drops what was queued, so a reader starting now hears
    // the new channel at once.
    // (The writer sees a change within a chunk, 2.7 ms at 8x, once the
    // room's response for the new channel is computed.)
    tone = 2;
    EXPECT_TRUE(waitFor([&] { return fifo.counts().flushed > 0; }));
    // Channel 0 again at this position: the microphone has moved on.
    tone = 0;
    EXPECT_TRUE(waitFor([&] { return fifo.counts().position == 1; }));
    EXPECT_EQ(mic.position(), 1);
    fifo.moveTo(4);
    EXPECT_EQ(mic.position(), 4);

    ::close(fd);
    fifo.stop();
    EXPECT_FALSE(std::filesystem::exists(path));  // created by it, removed by it
}

TEST(FifoMicrophone, TheAlsaConfigurationNamesTheFifoAndNeverReplacesAnotherFile) {
    const std::string config = sim::AlsaMicrophoneConfig("/tmp/x \"mic\".fifo");
    EXPECT_NE(config.find("type file"), std::string::npos);
    EXPECT_NE(config.find("infile \"/tmp/x \\\"mic\\\".fifo\""), std::string::npos);
    EXPECT_NE(config.find("description \"Simulated Tessik QEX-1\""), std::string::npos);
    EXPECT_NE(config.find("channels 2 rate 48000"), std::string::npos);

    const std::string path = TempPath("conf");
    std::string error;
    ASSERT_TRUE(sim::WriteAlsaMicrophoneConfig(path, "/tmp/m.fifo", error)) << error;
    ASSERT_TRUE(sim::WriteAlsaMicrophoneConfig(path, "/tmp/n.fifo", error)) << error;  // its own: replaced
    {
        std::ofstream own(path);
        own << "pcm.!default { type hw card 0 }\n";
    }
    EXPECT_FALSE(sim::WriteAlsaMicrophoneConfig(path, "/tmp/m.fifo", error));
    EXPECT_NE(error.find("not replaced"), std::string::npos);
    std::ifstream kept(path);
    std::string first;
    std::getline(kept, first);
    EXPECT_EQ(first, "pcm.!default { type hw card 0 }");
    std::filesystem::remove(path);
}
