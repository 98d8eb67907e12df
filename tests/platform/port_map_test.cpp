#include "platform/MemoryProfile.h"
#include "platform/PortMap.h"

#include "sim/Pty.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace platform;
namespace fs = std::filesystem;

namespace {

PortMap::Environment fakeEnv(std::map<std::string, std::string> vars) {
    return [vars](const std::string& name) -> std::optional<std::string> {
        const auto it = vars.find(name);
        if (it == vars.end()) return std::nullopt;
        return it->second;
    };
}

// A throw-away /dev with character devices made by mknod (root only), so
// the enumeration order can be checked without real adapters.
class FakeDev : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("portmap-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    bool makeCharDevice(const std::string& name) {
        // /dev/null's numbers: a character device that is safe to have around.
        return ::mknod((dir_ / name).c_str(), S_IFCHR | 0600, ::makedev(1, 3)) == 0;
    }
    fs::path dir_;
};

}  // namespace

TEST_F(FakeDev, EnumerationCountsUsbThenAcmThenSerialInNumericOrder) {
    if (::geteuid() != 0) GTEST_SKIP() << "mknod needs root";
    for (const char* n : {"ttyS10", "ttyS2", "ttyACM0", "ttyUSB1", "ttyUSB0", "ttyS0"}) ASSERT_TRUE(makeCharDevice(n));
    // Not serial devices: a plain file with the right name, and other names.
    std::FILE* f = std::fopen((dir_ / "ttyS3").c_str(), "w");
    std::fclose(f);
    ASSERT_TRUE(makeCharDevice("ttyUSBx"));
    ASSERT_TRUE(makeCharDevice("console"));

    PortMap map(nullptr, dir_.string(), fakeEnv({}));
    const std::string d = dir_.string();
    EXPECT_EQ(map.devices(), (std::vector<std::string>{d + "/ttyUSB0", d + "/ttyUSB1", d + "/ttyACM0", d + "/ttyS0",
                                                       d + "/ttyS2", d + "/ttyS10"}));
    EXPECT_EQ(map.resolve(1).path, d + "/ttyUSB0");
    EXPECT_EQ(map.resolve(3).path, d + "/ttyACM0");
    EXPECT_EQ(map.resolve(6).path, d + "/ttyS10");
    EXPECT_FALSE(map.resolve(7).ok());
}

TEST_F(FakeDev, EnvironmentBeatsProfileBeatsEnumeration) {
    if (::geteuid() != 0) GTEST_SKIP() << "mknod needs root";
    ASSERT_TRUE(makeCharDevice("ttyUSB0"));
    ASSERT_TRUE(makeCharDevice("ttyUSB1"));
    ASSERT_TRUE(makeCharDevice("ttyUSB2"));
    MemoryProfile profile;
    profile.setString("Ports", "COM2", "/dev/from-profile");
    profile.setString("Ports", "COM3", "/dev/profile-3");

    PortMap map(&profile, dir_.string(), fakeEnv({{"COM3", "/dev/pts/7"}, {"COM1", ""}}));
    EXPECT_EQ(map.resolve(3).path, "/dev/pts/7");         // environment first
    EXPECT_EQ(map.resolve(2).path, "/dev/from-profile");  // then the profile
    EXPECT_EQ(map.resolve(1).path, dir_.string() + "/ttyUSB0");  // an empty variable does not count
    // Each says where it came from, in words a user can act on.
    EXPECT_EQ(map.resolve(3).source, "the variable COM3");
    EXPECT_EQ(map.resolve(2).source, "the stored setting Ports/COM2");
    EXPECT_EQ(map.resolve(1).source, "serial device 1 of 3");
}

TEST(PortMap, UnknownPortIsAClearResultNotACrash) {
    PortMap map(nullptr, "/nonexistent-dev-dir", fakeEnv({}));
    for (int n : {0, -3, 1, 9, 1000000}) {
        const auto r = map.resolve(n);
        EXPECT_FALSE(r.ok()) << n;
        EXPECT_EQ(r.error.rfind("no such port: COM" + std::to_string(n), 0), 0u) << r.error;
    }
    EXPECT_TRUE(map.devices().empty());
    EXPECT_EQ(PortMap::portName(4), "COM4");
}

TEST(PortMap, ProcessEnvironmentIsReadByName) {
    auto pty = sim::Pty::create();
    ASSERT_TRUE(pty);
    ::setenv("COM8", pty->slavePath().c_str(), 1);
    PortMap map(nullptr, "/nonexistent-dev-dir");
    EXPECT_EQ(map.resolve(8).path, pty->slavePath());
    ::unsetenv("COM8");
    EXPECT_FALSE(map.resolve(8).ok());
}
