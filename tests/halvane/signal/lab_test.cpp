// halvane-lab chirp, run as a program on takes this test writes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ChirpTakes.h"
#include "halvane/signal/CSimpleChirpProc.h"
#include "sim/Microphone.h"
#include "sim/Room.h"

#ifdef HALVANE_LAB

namespace {

void Put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// A plain 16-bit PCM WAV with a LIST chunk before the data, as many
// recorders write.
void WriteWav(const std::string& path, const std::vector<std::int16_t>& stereo, int rate) {
    std::string body;
    body += "WAVE";
    body += "fmt ";
    Put32(body, 16);
    Put16(body, 1);
    Put16(body, 2);
    Put32(body, static_cast<std::uint32_t>(rate));
    Put32(body, static_cast<std::uint32_t>(rate) * 4);
    Put16(body, 4);
    Put16(body, 16);
    body += "LIST";
    Put32(body, 5);
    body += "INFOx";
    body += '\0';  // pad to an even length
    body += "data";
    Put32(body, static_cast<std::uint32_t>(stereo.size() * 2));
    for (std::int16_t v : stereo) Put16(body, static_cast<std::uint16_t>(v));
    std::ofstream out(path, std::ios::binary);
    out << "RIFF";
    std::string size;
    Put32(size, static_cast<std::uint32_t>(body.size()));
    out << size << body;
}

struct LabRun {
    int status;
    std::string out, err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

LabRun Lab(const std::string& args) {
    const std::string dir = ::testing::TempDir();
    // Test cases run as processes side by side: each needs files of its own.
    const std::string tag = std::to_string(::getpid());
    const std::string out = dir + "lab_out_" + tag + ".csv", err = dir + "lab_err_" + tag + ".txt";
    const std::string command = std::string("\"") + HALVANE_LAB + "\" " + args + " > \"" + out + "\" 2> \"" + err + "\"";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
}

std::vector<std::vector<double>> CsvRows(const std::string& text) {
    std::vector<std::vector<double>> rows;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::vector<double> row;
        std::istringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, ',')) row.push_back(std::stod(cell));
        rows.push_back(row);
    }
    return rows;
}

// The tool's CSV equals the processing's own curve for the same take.
void ExpectSameResponse(const LabRun& run, std::vector<std::int16_t> stereo, bool subwoofer) {
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "frequency_hz,level_db,phase_rad");
    const auto rows = CsvRows(run.out);
    ASSERT_EQ(rows.size(), 8193u);
    auto take = chirptakes::ToDoubles(stereo);
    halvane::signal::AudioSampler::CSimpleChirpProc proc(take.data(), 65536, 196608, 16, 48000, nullptr, subwoofer);
    auto r = proc.MeasureResponse();
    ASSERT_TRUE(r);
    r->ToDecibel();
    for (int i : {0, 1, 100, 3413, 8192}) {
        ASSERT_EQ(rows[i].size(), 3u);
        EXPECT_NEAR(rows[i][0], r->X()[i], 1e-9 * std::max(1.0, r->X()[i]));
        EXPECT_NEAR(rows[i][1], r->A()[i], 1e-7);
        EXPECT_NEAR(rows[i][2], r->B()[i], 1e-8);
    }
}

TEST(HalvaneLab, WritesTheResponseOfATakeFile) {
    sim::Room room(6);
    sim::Microphone mic(room);
    const std::string wav = ::testing::TempDir() + std::to_string(::getpid()) + "_lab_take.wav";
    const auto stereo = mic.take(2, 0);
    WriteWav(wav, stereo, 48000);
    ExpectSameResponse(Lab("chirp \"" + wav + "\""), stereo, false);

    const auto sub = mic.take(7, 0);
    WriteWav(wav, sub, 48000);
    ExpectSameResponse(Lab("chirp --subwoofer \"" + wav + "\""), sub, true);
}

TEST(HalvaneLab, PrintsTheFailureTextAndExitsOne) {
    sim::Room room(6);
    sim::Microphone mic(room);
    const std::string wav = ::testing::TempDir() + std::to_string(::getpid()) + "_lab_silent.wav";
    WriteWav(wav, std::vector<std::int16_t>(2 * 196608, 0), 48000);
    LabRun run = Lab("chirp \"" + wav + "\"");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error measurement was not able to acquire a proper response. (code 0x03)\n");
    EXPECT_EQ(run.out, "");
    run = Lab("chirp \"" + wav + "\" --subwoofer");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("Error subwoofer measurement was not able to acquire a proper response. (code 0x04)\r\n", 0),
              0u);

    WriteWav(wav, mic.take(0, 0), 44100);
    run = Lab("chirp \"" + wav + "\"");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("so no response"), std::string::npos) << run.err;

    std::ofstream(wav) << "not a wav";
    run = Lab("chirp \"" + wav + "\"");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("is not a WAV file"), std::string::npos) << run.err;
    EXPECT_EQ(Lab("chirp").status, 2);
    EXPECT_EQ(Lab("other \"" + wav + "\"").status, 2);
}

TEST(HalvaneLab, ReadsATakeWrittenBySox) {
    if (std::system("command -v sox > /dev/null 2>&1") != 0) GTEST_SKIP() << "sox is not installed";
    sim::Room room(6);
    sim::Microphone mic(room);
    const std::string raw = ::testing::TempDir() + std::to_string(::getpid()) + "_lab_take.raw";
    const std::string wav = ::testing::TempDir() + std::to_string(::getpid()) + "_lab_sox.wav";
    const auto stereo = mic.take(3, 1);
    {
        std::ofstream out(raw, std::ios::binary);
        for (std::int16_t v : stereo) {
            out.put(static_cast<char>(v & 0xFF));
            out.put(static_cast<char>((v >> 8) & 0xFF));
        }
    }
    const std::string convert = "sox -t raw -r 48000 -e signed-integer -b 16 -c 2 -L \"" + raw + "\" \"" + wav + "\"";
    ASSERT_EQ(std::system(convert.c_str()), 0);
    ExpectSameResponse(Lab("chirp \"" + wav + "\""), stereo, false);
}

}  // namespace

#endif  // HALVANE_LAB
