// The port search over COM1 to COM9 and the eight speeds, against Halvane's
// simulated processor on a pseudo-terminal mapped to one COM number.

#include "LinkFixture.h"
#include "tests/support/ChildGuard.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using linktest::LinkTest;

namespace {

class FindUnitTest : public LinkTest {
protected:
    FindUnitTest() : LinkTest(20.0) {}
};

}  // namespace

TEST_F(FindUnitTest, FindsTheProcessorOnCom3At19200First) {
    StartProcessor(4, "2.01");
    MapProcessorTo(3);
    ASSERT_TRUE(port_.FindUnit());
    EXPECT_EQ(port_.GetPortText(), "COM3@19200");
    EXPECT_EQ(port_.ModelIndex(), 4);
    EXPECT_EQ(port_.VersionText(), "2.01");
    EXPECT_EQ(port_.Found(), 1);
    EXPECT_TRUE(port_.IsOpen());
    // One request, unless a loaded machine kept the answer past a window.
    EXPECT_GE(port_.IdentifyRequests(), 1);
    EXPECT_LE(port_.IdentifyRequests(), 5);
    EXPECT_EQ(port_.Searches(), 1);
    EXPECT_EQ(sim_->lastLineSeen(), "19200 8N2 raw");
}

TEST_F(FindUnitTest, FindsAProcessorThatAnswersOnlyAtTheLastSpeed) {
    StartProcessor(7, "1.00", 57600);
    Dialect([](sim::HalvaneDialect& d) { d.knobs().garbageAtWrongSpeed = true; });
    MapProcessorTo(3);
    ASSERT_TRUE(port_.FindUnit());
    EXPECT_EQ(port_.GetPortText(), "COM3@57600");
    EXPECT_EQ(port_.ModelIndex(), 7);
    // Seven silent speeds of five requests each, then the answer (more
    // only when a loaded machine kept it past a window).
    EXPECT_GE(port_.IdentifyRequests(), 7 * 5 + 1);
    EXPECT_LE(port_.IdentifyRequests(), 7 * 5 + 5);
    // The processor never understood a request sent at another speed.
    EXPECT_GT(sim_->bytesRejected(), 0);
    Dialect([&](sim::HalvaneDialect& d) { EXPECT_EQ(d.identRequests(), port_.IdentifyRequests() - 35); });
}

TEST_F(FindUnitTest, ASilentPortIsGivenUpAfterEverySpeedAndTheSearchFails) {
    StartProcessor();
    Faults([](sim::FaultKnobs& k) { k.silent = true; });
    MapProcessorTo(9);
    const auto t0 = clock_.nowMs();
    EXPECT_FALSE(port_.FindUnit());
    const auto elapsed = clock_.nowMs() - t0;
    // 8 speeds x 5 attempts x 2 reads x 250 ms on the port's clock.
    EXPECT_GE(elapsed, 20000);
    EXPECT_LT(elapsed, 32000);  // room for a loaded machine, well short of a second search
    EXPECT_EQ(port_.IdentifyRequests(), 40);
    EXPECT_EQ(port_.ModelIndex(), 9);
    EXPECT_EQ(port_.Found(), 0);
    // The last port that opened stays open for the caller to close.
    EXPECT_TRUE(port_.IsOpen());
    EXPECT_EQ(port_.PortNumber(), 9);
}

TEST_F(FindUnitTest, NoPortAtAllFailsAtOnce) {
    port_.SetPortMap(linktest::MapOnly({}));
    EXPECT_FALSE(port_.FindUnit());
    EXPECT_FALSE(port_.IsOpen());
    EXPECT_EQ(port_.IdentifyRequests(), 0);
}

TEST_F(FindUnitTest, APortHeldByAnotherProgramIsSkipped) {
    StartProcessor(1);
    platform::SerialLine other;
    ASSERT_TRUE(other.open(sim_->slavePath()));
    MapProcessorTo(3);
    EXPECT_FALSE(port_.FindUnit());
    EXPECT_FALSE(port_.IsOpen());
    other.close();
    ASSERT_TRUE(port_.FindUnit());
    EXPECT_EQ(port_.ModelIndex(), 1);
}

// procsim as a person runs it for Halvane: the port finds it through the
// symbolic link it makes.
TEST_F(FindUnitTest, FindsProcsimsHalvaneProcessorThroughItsLink) {
    const std::string link =
        std::filesystem::temp_directory_path() / ("procsim-halvane-" + std::to_string(::getpid()));
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::execl(PROCSIM_PATH, "procsim", "--dialect", "halvane", "--model", "6", "--firmware", "1.02", "--baud",
                "115200", "--link", link.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    testsupport::ChildGuard child(pid);
    ::close(out[1]);
    FILE* f = ::fdopen(out[0], "r");
    char text[512];
    ASSERT_NE(std::fgets(text, sizeof text, f), nullptr);
    EXPECT_NE(std::string(text).find("115200 8N2"), std::string::npos) << text;
    ASSERT_NE(std::fgets(text, sizeof text, f), nullptr);  // the link line

    port_.SetPortMap(linktest::MapOnly({{5, link}}));
    EXPECT_TRUE(port_.FindUnit());
    EXPECT_EQ(port_.GetPortText(), "COM5@115200");
    EXPECT_EQ(port_.ModelIndex(), 6);
    EXPECT_EQ(port_.VersionText(), "1.02");
    port_.Close();

    const int status = child.stop();
    ASSERT_GE(status, 0) << "procsim did not stop on SIGTERM";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::fclose(f);
}
