// procsim's fault options: parsed from a command line into the simulator's
// knobs, refused with a reason when a value is bad, and in force on the
// device a person points a program at.

#include "platform/SerialLine.h"
#include "sim/FaultOptions.h"
#include "sim/HalvaneDialect.h"
#include "sim/Simulator.h"
#include "tests/support/ChildGuard.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Parses every argument; the count of fault options, or -1 with the error.
int Parse(std::vector<std::string> args, sim::FaultOptions& out, std::string& error) {
    std::vector<char*> argv{const_cast<char*>("procsim")};
    for (auto& a : args) argv.push_back(a.data());
    int n = 0;
    for (int i = 1; i < static_cast<int>(argv.size()); ++i) {
        const int r = sim::ParseFaultOption(static_cast<int>(argv.size()), argv.data(), i, out, error);
        if (r < 0) return -1;
        n += r;
    }
    return n;
}

}  // namespace

TEST(FaultOptions, EveryKnobHasAnOptionAndBadValuesAreRefused) {
    sim::FaultOptions o;
    std::string error;
    ASSERT_EQ(Parse({"--silent-after", "120", "--garble", "--split-gap", "15", "--cr-lf", "--reply-delay", "40",
                     "--disconnect-after", "900", "--drop-every", "1000", "--drop-random", "50", "--drop-seed", "9", "--reject", "2", "--bad-read-back", "3",
                     "--bad-read-address", "0x002010", "--wrong-echo", "1", "--ignore-sets", "SZCA", "4", "--model",
                     "4"},
                    o, error),
              14)
        << error;
    EXPECT_EQ(o.line.silentAfterBytes, 120);
    EXPECT_TRUE(o.line.garbleReplies);
    EXPECT_TRUE(o.line.splitReplies);
    EXPECT_EQ(o.line.splitGapMs, 15);
    EXPECT_TRUE(o.line.crBeforeLf);
    EXPECT_EQ(o.line.replyDelayMs, 40);
    EXPECT_EQ(o.line.disconnectAfterBytes, 900);
    EXPECT_EQ(o.line.dropEveryNthByte, 1000);
    EXPECT_EQ(o.line.dropOneIn, 50);
    EXPECT_EQ(o.line.dropSeed, 9u);
    EXPECT_EQ(o.rejectWrites, 2);
    EXPECT_EQ(o.badReadBacks, 3);
    EXPECT_EQ(o.badReadAddress, 0x002010);
    EXPECT_EQ(o.wrongEchoes, 1);
    EXPECT_EQ(o.ignoreSetsWord, "SZCA");
    EXPECT_EQ(o.ignoreSetsCount, 4);
    EXPECT_TRUE(o.any());

    for (const auto& bad : std::vector<std::vector<std::string>>{
             {"--drop-every", "1"}, {"--drop-random", "0"}, {"--drop-seed", "-3"}, {"--reply-delay", "-5"}, {"--reject"}, {"--bad-read-address", "XYZ"},
             {"--silent-after", "12x"}, {"--ignore-sets", "SZCA"}}) {
        sim::FaultOptions none;
        error.clear();
        EXPECT_EQ(Parse(bad, none, error), -1) << bad[0];
        EXPECT_NE(error.find(bad[0]), std::string::npos) << error;
    }
    EXPECT_FALSE(sim::FaultOptions{}.any());
}

TEST(FaultOptions, HalvaneFaultsReachTheDialectAndOthersAreSaidToApplyToHalvaneOnly) {
    sim::FaultOptions o;
    o.rejectWrites = 2;
    o.badReadBacks = 3;
    sim::Simulator halvane(std::make_unique<sim::HalvaneDialect>(4));
    std::string note;
    sim::ApplyFaultOptions(o, halvane, note);
    EXPECT_TRUE(note.empty());
    halvane.withDialect<sim::HalvaneDialect>([](sim::HalvaneDialect& d) {
        EXPECT_EQ(d.knobs().rejectWrites, 2);
        EXPECT_EQ(d.knobs().badReadCount, 3);
        EXPECT_EQ(d.knobs().badReadAddress, d.knobs().coefficientBase);
        return 0;
    });
}

// A person's run: the option is in force on the device procsim prints.
TEST(FaultOptions, ProcsimAnswersWithTheFaultsAskedFor) {
    const std::string help = [] {
        std::string out;
        FILE* p = ::popen((std::string(PROCSIM_PATH) + " --help").c_str(), "r");
        char buf[256];
        while (p != nullptr && std::fgets(buf, sizeof buf, p) != nullptr) out += buf;
        if (p != nullptr) ::pclose(p);
        return out;
    }();
    for (const char* option : {"--silent-after", "--garble", "--split", "--cr-lf", "--reply-delay",
                               "--disconnect-after", "--drop-every", "--drop-random", "--drop-seed", "--reject", "--bad-read-back", "--wrong-echo"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    EXPECT_NE(std::system((std::string(PROCSIM_PATH) + " --drop-every 1 >/dev/null 2>&1").c_str()), 0);

    const std::string link = std::filesystem::temp_directory_path() / ("procsim-faults-" + std::to_string(::getpid()));
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::execl(PROCSIM_PATH, "procsim", "--dialect", "halvane", "--model", "7", "--firmware", "1.00", "--cr-lf",
                "--link", link.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    testsupport::ChildGuard child(pid);
    ::close(out[1]);
    FILE* f = ::fdopen(out[0], "r");
    char text[512];
    ASSERT_NE(std::fgets(text, sizeof text, f), nullptr);
    ASSERT_NE(std::fgets(text, sizeof text, f), nullptr);  // the link line

    platform::SerialLine line;
    ASSERT_TRUE(line.open(link)) << line.lastErrorText();
    ASSERT_TRUE(line.configure(platform::LineSettings::eightN2(19200)));
    ASSERT_TRUE(line.writeAll("?\n"));
    char buf[64] = {};
    const long n = line.read(buf, sizeof buf, 3000, 200);
    EXPECT_EQ(std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0), "Vux500 v1.00\r\n");
    line.close();
    const int status = child.stop();
    ASSERT_GE(status, 0) << "procsim did not stop on SIGTERM";
    std::fclose(f);
}
