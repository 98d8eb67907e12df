// procsim as a person runs it: start it, read the device it prints, talk to
// that device, stop it with a signal.

#include "platform/SerialLine.h"
#include "tests/support/ChildGuard.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;
using testsupport::WaitUntil;

TEST(Procsim, PrintsItsDeviceAnswersIdentificationAndStopsOnSignal) {
    const std::string link = std::filesystem::temp_directory_path() / ("procsim-COM-" + std::to_string(::getpid()));
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::execl(PROCSIM_PATH, "procsim", "--ident", "Tolvarine Z5 v2.04a", "--baud", "38400", "--link", link.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    testsupport::ChildGuard child(pid);
    ::close(out[1]);
    FILE* f = ::fdopen(out[0], "r");
    char text[512];
    std::string first;
    ASSERT_NE(std::fgets(text, sizeof text, f), nullptr);
    first = text;
    // The device it names is a terminal of its own.
    const auto on = first.find(" on "), open = first.find(" (");
    ASSERT_TRUE(on != std::string::npos && open != std::string::npos && open > on) << first;
    EXPECT_EQ(std::filesystem::canonical(first.substr(on + 4, open - on - 4)).string().rfind("/dev/pts/", 0), 0u) << first;
    EXPECT_NE(first.find("38400 8N2"), std::string::npos) << first;
    ASSERT_NE(std::fgets(text, sizeof text, f), nullptr);  // the link line

    SerialLine line;
    ASSERT_TRUE(line.open(link)) << line.lastErrorText();  // through the symbolic link
    ASSERT_TRUE(line.configure(LineSettings::eightN2(38400)));
    ASSERT_TRUE(line.writeAll("?\n"));
    char buf[64] = {};
    const long n = line.read(buf, sizeof buf, 3000, 200);
    EXPECT_EQ(std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0), "Tolvarine Z5 v2.04a\n");
    line.close();

    const int status = child.stop();
    ASSERT_GE(status, 0) << "procsim did not stop on SIGTERM";
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));  // it tidies its link
    std::fclose(f);
}

// Cut, the line leaves its number to whatever pseudo-terminal comes next:
// the link must not lead a reconnecting program there.
TEST(Procsim, RemovesItsLinkWhenTheLineIsCut) {
    const std::string link = std::filesystem::temp_directory_path() / ("procsim-cut-" + std::to_string(::getpid()));
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execl(PROCSIM_PATH, "procsim", "--link", link.c_str(), "--disconnect-after", "2",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    testsupport::ChildGuard child(pid);
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(link); }, 10000)) << "no link made";

    SerialLine line;
    ASSERT_TRUE(line.open(link)) << line.lastErrorText();
    ASSERT_TRUE(line.configure(LineSettings::eightN2(19200)));
    ASSERT_TRUE(line.writeAll("?\n?\n"));
    std::uint8_t b = 0;
    while (line.readByte(b, 10000) == SerialLine::ReadResult::Byte) {
    }
    EXPECT_EQ(line.lastError(), SerialError::HungUp);
    line.close();
    EXPECT_TRUE(WaitUntil([&] { return !std::filesystem::exists(std::filesystem::symlink_status(link)); }, 10000))
        << link << " still leads to " << std::filesystem::read_symlink(link);

    const int status = child.stop();
    ASSERT_GE(status, 0) << "procsim did not stop on SIGTERM";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ::unlink(link.c_str());
}

TEST(Procsim, RefusesBadArguments) {
    for (const char* args : {"--baud 12345", "--framing 7E1", "--dialect nosuch", "--bogus"}) {
        const std::string cmd = std::string(PROCSIM_PATH) + " " + args + " >/dev/null 2>&1";
        const int rc = std::system(cmd.c_str());
        ASSERT_TRUE(WIFEXITED(rc));
        EXPECT_EQ(WEXITSTATUS(rc), 2) << args;
    }
}

// A test that fails before it stops its child leaves no child running.
TEST(Procsim, AChildIsStoppedWhenItsTestFailsFirst) {
    pid_t pid = -1;
    ::testing::TestPartResultArray failures;
    {
        ::testing::ScopedFakeTestPartResultReporter intercept(&failures);
        [&] {
            pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                ::pause();
                ::_exit(0);
            }
            testsupport::ChildGuard child(pid);
            ASSERT_TRUE(false) << "a check that fails before the stop";
            child.stop();
        }();
    }
    ASSERT_EQ(failures.size(), 1);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);  // killed and reaped: no such child left
    EXPECT_EQ(errno, ECHILD);
}
