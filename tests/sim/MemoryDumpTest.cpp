// What the simulated processors hold, written as plain text: procsim's
// --dump-memory on exit (Halvane's processor, through a real line), and the
// text of Marnoch's and Pellivar's processors.

#include "sim/MarnochDialect.h"
#include "sim/PellivarDialect.h"

#include "platform/SerialLine.h"
#include "tests/support/ChildGuard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The lines of one "[name]" section.
std::string Section(const std::string& text, const std::string& name) {
    const std::size_t at = text.find("[" + name + "]\n");
    if (at == std::string::npos) return {};
    const std::size_t from = at + name.size() + 3;
    const std::size_t to = text.find("\n[", from);
    return text.substr(from, to == std::string::npos ? std::string::npos : to + 1 - from);
}

}  // namespace

TEST(MemoryDump, ProcsimWritesWhatTheProgramWroteAndLogsTimesFromItsStart) {
    const auto tmp = std::filesystem::temp_directory_path();
    const std::string tag = std::to_string(::getpid());
    const std::string link = tmp / ("procsim-dump-COM-" + tag);
    const std::string dump = tmp / ("procsim-dump-" + tag + ".txt");
    const std::string output = tmp / ("procsim-dump-" + tag + ".out");
    const auto started = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::freopen(output.c_str(), "w", stdout);
        ::execl(PROCSIM_PATH, "procsim", "--dialect", "halvane", "--model", "0", "--link", link.c_str(),
                "--dump-memory", dump.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    testsupport::ChildGuard child(pid);
    SerialLine line;
    const auto until = started + std::chrono::seconds(20);
    while (!line.open(link) && std::chrono::steady_clock::now() < until) ::usleep(20000);
    ASSERT_TRUE(line.isOpen()) << "procsim made no " << link;
    ASSERT_TRUE(line.configure(LineSettings::eightN2(19200)));
    const std::string commands = "D3807.2\ndq5C50001002003ABCDEF\nSLC-3.5\nSZCXF120\nP1P1\n";
    ASSERT_TRUE(line.writeAll(commands));
    std::string replies;
    char buffer[256];
    while (replies.find("P1P1\n") == std::string::npos && std::chrono::steady_clock::now() < until) {
        const long n = line.read(buffer, sizeof buffer, 1000, 100);
        if (n > 0) replies.append(buffer, static_cast<std::size_t>(n));
    }
    ASSERT_NE(replies.find("P1P1\n"), std::string::npos) << "no reply to the last command: " << replies;
    line.close();

    const int status = child.stop();
    ASSERT_GE(status, 0) << "procsim did not stop on SIGTERM";
    const auto lifeMs = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    const std::string text = ReadAll(dump);
    EXPECT_EQ(text.rfind("# written by procsim ", 0), 0u) << text;
    EXPECT_NE(text.find("# Halvane processor: Tolvarine Z6 v1.31c (model 0)\n"), std::string::npos);
    EXPECT_EQ(Section(text, "dsp"), "002003 ABCDEF\n");
    const std::string levels = Section(text, "levels");
    EXPECT_NE(levels.find("SLC -3.50\n"), std::string::npos) << levels;
    EXPECT_EQ(levels.find("SZ"), std::string::npos) << levels;
    const std::string settings = Section(text, "settings");
    EXPECT_NE(settings.find("SZCXF 120\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find("P1P 1\n"), std::string::npos) << settings;
    EXPECT_EQ(settings.find("SLC"), std::string::npos) << settings;

    // Each command is printed with its time since procsim started: within
    // the time procsim ran.
    std::istringstream out(ReadAll(output));
    int logged = 0;
    for (std::string l; std::getline(out, l);) {
        const std::size_t ms = l.find(" ms  ");
        if (l.rfind("procsim: ", 0) != 0 || ms == std::string::npos) continue;
        const long long t = std::stoll(l.substr(9, ms - 9));
        EXPECT_GE(t, 0) << l;
        EXPECT_LE(t, lifeMs) << l;
        ++logged;
    }
    EXPECT_EQ(logged, 5);
    std::filesystem::remove(dump);
    std::filesystem::remove(output);
}

TEST(MemoryDump, MarnochsBytesAndPellivarsSettingsAsText) {
    sim::MarnochDialect marnoch;
    marnoch.memory()[0x123] = 0xAB;
    marnoch.memory()[0xFFF] = 0x01;
    const std::string m = marnoch.memoryText();
    const std::string bytes = Section(m, "memory");
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 256);
    EXPECT_NE(bytes.find("\n120 00 00 00 ab 00 00 00 00 00 00 00 00 00 00 00 00\n"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("\nff0 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01\n"), std::string::npos);

    sim::PellivarDialect pellivar("Tolvarine Z6 v1.31");
    pellivar.setValue("fc", 3, 77);
    pellivar.setCurve(2, {{0, 0}, {512, 600}, {1023, 1023}});
    pellivar.setPower(false);
    const std::string p = pellivar.memoryText();
    EXPECT_NE(p.find("# Pellivar processor: Tolvarine Z6 v1.31\n"), std::string::npos);
    EXPECT_EQ(Section(p, "state"), "power 0\nsource 5\npixel-rate 5000000\n");
    EXPECT_NE(Section(p, "settings").find("\nfc 50 50 50 77 50 50 50 50 50 50 50 50 50 50 50 50 50\n"), std::string::npos);
    EXPECT_NE(Section(p, "resolution").find("99 0\n"), std::string::npos);
    EXPECT_NE(Section(p, "gamma").find("2 3 0,0 512,600 1023,1023\n"), std::string::npos);
}
