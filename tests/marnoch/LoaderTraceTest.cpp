// The replay of lost bytes through the loader's command parser: which
// writes a backup's bytes may have made, and in which window.

#include "marnoch/LoaderTrace.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace marnoch::test {

namespace {

using Writes = std::vector<std::pair<unsigned, std::uint8_t>>;

bool has(const Writes& w, unsigned address, std::uint8_t value) {
    return std::find(w.begin(), w.end(), std::make_pair(address, value)) != w.end();
}

std::string read(unsigned address) {
    return std::string{'a', static_cast<char>(address >> 8), static_cast<char>(address & 0xFF), 'D'};
}

}  // namespace

// Reading 0x264 after 0x263: with "a" lost the loader hears 0x02 (unknown),
// then 0x64, its write command, and writes "D" (0x44) at 0x263.
TEST(LoaderTrace, ALostAddressCommandBeforeA64IsAWrite) {
    const std::string bytes = read(0x264);
    EXPECT_TRUE(LoaderTrace::WritesIfLost(bytes, 0x263, 300, 0).empty());
    const Writes one = LoaderTrace::WritesIfLost(bytes, 0x263, 300, 1);
    EXPECT_EQ(one, (Writes{{0x263, 0x44}}));
    // When "a" went unanswered it is sent again before any "D": the
    // resend's "a" is the byte written.
    const std::string resent = bytes.substr(0, 3) + bytes;
    EXPECT_TRUE(has(LoaderTrace::WritesIfLost(resent, 0x263, 300, 1), 0x263, 'a'));
    // No byte 0x64 among the addresses: nothing can be written.
    EXPECT_TRUE(LoaderTrace::WritesIfLost(read(0x263) + read(0x265), 0x262, 300, 2).empty());
    // A lost high byte makes "a" take the low byte and "D" for the address:
    // the write that follows lands elsewhere (0x6444 & 0xFFF).
    EXPECT_TRUE(has(LoaderTrace::WritesIfLost(read(0x164) + read(0x164), 0x163, 300, 2), 0x444, 'D'));
}

// With "a" lost before address 0x558 the loader takes 0x58 for "X" and
// leaves: it hears nothing after, so even a later 0x64 writes nothing.
TEST(LoaderTrace, TheLoadersExitEndsWhatItHears) {
    const std::string rest = read(0x164) + std::string{'a', 0x01, 0x64, 'D'};
    EXPECT_TRUE(LoaderTrace::WritesIfLost(std::string{0x05, 0x58} + rest, 0x557, 300, 0).empty());
    EXPECT_EQ(LoaderTrace::WritesIfLost(std::string{0x05, 0x64} + rest, 0x557, 300, 0), (Writes{{0x557, 'D'}, {0x557, 'a'}}));
    // A speed change ends it too; a divisor the version does not know does not.
    EXPECT_TRUE(LoaderTrace::WritesIfLost(std::string{'h', 0x04, 0x01, 0x64, 'D'}, 0x557, 300, 0).empty());
    EXPECT_EQ(LoaderTrace::WritesIfLost(std::string{'h', 0x04, 0x01, 0x64, 'D'}, 0x557, 201, 0),
              (Writes{{0x557, 'D'}}));
}

// Only a window in which an exchange went wrong is replayed, with the
// address the loader was known to have at its start; meant writes are no
// stray writes.
TEST(LoaderTrace, OnlySpoiltWindowsAreReplayed) {
    LoaderTrace trace(300);
    trace.start(0x263);
    trace.sent(read(0x264));
    trace.sent(read(0x264));
    trace.settled(0x264);
    EXPECT_TRUE(trace.possibleWrites().empty());
    EXPECT_EQ(trace.window(), 1u);

    trace.sent(read(0x364));
    trace.spoilt();
    trace.sent(read(0x364));
    trace.settled(0x364);
    ASSERT_FALSE(trace.possibleWrites().empty());
    EXPECT_EQ(trace.possibleWrites()[0].address, 0x264u);
    EXPECT_EQ(trace.possibleWrites()[0].window, 1u);

    // Putting a byte back writes it on purpose.
    const std::size_t before = trace.possibleWrites().size();
    trace.sent(std::string{'a', 0x02, 0x64, 'd', 0x12, 'a', 0x02, 0x64, 'D'});
    trace.spoilt();
    trace.close();
    for (std::size_t i = before; i < trace.possibleWrites().size(); ++i) {
        const auto& w = trace.possibleWrites()[i];
        EXPECT_FALSE(w.address == 0x264 && w.value == 0x12);
    }
}

}  // namespace marnoch::test
