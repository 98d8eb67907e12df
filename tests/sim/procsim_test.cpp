// procsim as a person runs it: start it, read the device it prints, talk to
// that device, stop it with a signal.

#include "platform/SerialLine.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;

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
    ::close(out[1]);
    FILE* f = ::fdopen(out[0], "r");
    char text[512];
    std::string first;
    ASSERT_NE(std::fgets(text, sizeof text, f), nullptr);
    first = text;
    EXPECT_NE(first.find("/dev/pts/"), std::string::npos) << first;
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

    ::kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));  // it tidies its link
    std::fclose(f);
}

TEST(Procsim, RefusesBadArguments) {
    for (const char* args : {"--baud 12345", "--framing 7E1", "--dialect nosuch", "--bogus"}) {
        const std::string cmd = std::string(PROCSIM_PATH) + " " + args + " >/dev/null 2>&1";
        const int rc = std::system(cmd.c_str());
        ASSERT_TRUE(WIFEXITED(rc));
        EXPECT_EQ(WEXITSTATUS(rc), 2) << args;
    }
}
