// Channel order, sample-rate index, the biquad words sent to DSP memory and
// their read-back.

#include "halvane/link/BiquadWords.h"
#include "halvane/design/Biquad.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/CSampFS.h"
#include "halvane/link/ChannelOrderIterator.h"
#include "halvane/link/ReadBackContext.h"
#include "halvane/link/UnitClassLimits.h"

#include "LinkFixture.h"

#include <cmath>
#include <map>
#include <stdexcept>
#include <vector>

using namespace halvane::design;
using namespace halvane::link;

using namespace halvane;

TEST(ChannelOrder, WalksTheListingOrderAndStopsAtEight) {
    ChannelOrderIterator it;
    std::vector<int> seen;
    for (; it.IsValid(); it.Next()) seen.push_back(it.Current());
    EXPECT_EQ(seen, (std::vector<int>{0, 2, 6, 3, 5, 4, 1, 7}));
    EXPECT_EQ(it.Current(), 8);
    try {
        it.Next();
        FAIL() << "Next past the end must throw";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "Can't increment invalid iterator");
    }
}

namespace {

struct SampleRateIndex : ::testing::Test {
    // The limits a unit or a document would hand to the rate index; each
    // test starts from those before any unit class is known.
    UnitClassLimits limits;
};

}  // namespace

TEST_F(SampleRateIndex, ValidityFollowsTheUnitClass) {
    ASSERT_TRUE(limits.SetForUnitClass(1));
    EXPECT_EQ(limits.RateCount(), 5);
    EXPECT_EQ(limits.StageCount(), 10);
    EXPECT_TRUE(CSampFS(4, limits.RateCount()).IsValid());
    EXPECT_EQ(CSampFS(4, limits.RateCount()).GetFrequency(), 88200);
    try {
        (void)CSampFS(5, limits.RateCount()).GetFrequency();
        FAIL();
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "Can't get frequency of invalid CSampFS object");
    }
    try {
        (void)CSampFS(-1, limits.RateCount()).GetIndex();
        FAIL();
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "Can't get index of invalid CSampFS object");
    }

    ASSERT_TRUE(limits.SetForUnitClass(2));
    EXPECT_EQ(CSampFS(5, limits.RateCount()).GetFrequency(), 64000);
    EXPECT_FALSE(limits.SetForUnitClass(3));  // unknown: unchanged
    EXPECT_EQ(limits.RateCount(), 8);
    ASSERT_TRUE(limits.SetForUnitClass(4));
    EXPECT_EQ(limits.StageCount(), 5);

    CSampFS fs(7, limits.RateCount());
    EXPECT_EQ(fs.Next(), 7);
    EXPECT_FALSE(fs.IsValid());
    try {
        fs.Next();
        FAIL();
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "Can't increment invalid CSampFS");
    }

    std::vector<int> rates;
    for (CSampFS s(0, limits.RateCount()); s.IsValid();) rates.push_back(CSampFS(s.Next()).GetFrequency());
    EXPECT_EQ(rates, (std::vector<int>{48000, 44100, 32000, 96000, 88200, 64000, 192000, 176400}));
}

TEST(BiquadWords, IdentityStageAndFlagWord) {
    const Biquad identity = Biquad::Identity();
    const char* expected[] = {"000000", "000000", "400000", "000000", "000000", "000000"};
    for (int n = 0; n < halvane::link::kStageWordCount; ++n) EXPECT_EQ(halvane::link::FormatWord(n, identity), expected[n]);
    EXPECT_EQ(identity.inUse, 0);

    Biquad b{-0.25, 0.123456789, 0.5, 1.0, -1.0, -1, 1};
    EXPECT_EQ(halvane::link::FormatWord(0, b), "E00000");
    EXPECT_EQ(halvane::link::FormatWord(1, b), "0FCD6E");
    EXPECT_EQ(halvane::link::FormatWord(3, b), "7FFFFF");
    EXPECT_EQ(halvane::link::FormatWord(4, b), "800000");
    // A negative flag keeps to six digits (its 24-bit two's complement).
    EXPECT_EQ(halvane::link::FormatWord(5, b), "FFFFFF");
    b.a1_2 = 1.5;
    EXPECT_THROW(halvane::link::FormatWord(4, b), std::out_of_range);
    EXPECT_EQ(FormatUploadWord(-5), "FFFFFB");
    EXPECT_EQ(FormatUploadWord(0x123), "000123");
}

namespace {

// A DSP memory that answers "dq3850001<AAAAAA>" reads with its word, after
// `junkLines` lines that do not read as a word.
class DspMemoryStub final : public sim::LineDialect {
public:
    DspMemoryStub() : LineDialect("\n;") {}
    platform::LineSettings expectedLine() const override { return platform::LineSettings::eightN2(19200); }
    std::map<unsigned, unsigned> memory;
    int junkLines = 0;

protected:
    void onCommand(const std::string& c, sim::Responder& out) override {
        if (c == "?") {
            out.replyLine("Tolvarine Z5 v1.31c");
            return;
        }
        if (c.rfind("dq3850001", 0) != 0 || c.size() != 15) {
            out.replyLine("Invalid Command");
            return;
        }
        const unsigned address = static_cast<unsigned>(std::stoul(c.substr(9), nullptr, 16));
        for (int i = 0; i < junkLines; ++i) out.replyLine("Invalid Command");
        char word[8];
        std::snprintf(word, sizeof word, "%06X", memory.count(address) ? memory[address] : 0u);
        out.replyLine(word);
    }
};

class ReadBackTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto d = std::make_unique<DspMemoryStub>();
        stub_ = d.get();
        sim_ = std::make_unique<sim::Simulator>(std::move(d));
        ASSERT_TRUE(sim_->start());
        lineClock_.follow(sim_.get());
        port_.SetPortMap(linktest::MapOnly({{3, sim_->slavePath()}}));
        ASSERT_TRUE(port_.Open("COM3"));
        port_.SetSpeedIndex(4);
        ASSERT_TRUE(port_.Identify());
        sim_->log().clear();
    }

    template <class F>
    void Stub(F&& fn) {
        sim_->withDialect<DspMemoryStub>([&](DspMemoryStub& d) {
            fn(d);
            return 0;
        });
    }

    platform::ScaledClock clock_{10.0};
    std::unique_ptr<sim::Simulator> sim_;
    // Replies are judged once the stub has caught up: a busy machine that
    // holds up the stub's thread costs real time, never a reply. The port
    // goes before the simulator it follows.
    testsupport::CatchUpClock lineClock_{clock_};
    halvane::link::Comm::CBasicTessikPort port_{lineClock_, linktest::MapOnly({})};
    DspMemoryStub* stub_ = nullptr;
};

}  // namespace

TEST_F(ReadBackTest, StageReadBackReadsSixConsecutiveWords) {
    const Biquad stage{-0.25, 0.123456789, 0.5, 0.999999, -0.987654321, 0, 1};
    Stub([&](DspMemoryStub& d) {
        for (int n = 0; n < 6; ++n) d.memory[0x1000u + static_cast<unsigned>(n)] = halvane::link::StageWord(n, stage);
    });
    std::int32_t address = 0x1000;
    ReadBackContext ctx{&port_, "%06X", "dq3850001%06X", &address};
    EXPECT_TRUE(VerifyReadBack(stage, ctx));
    EXPECT_EQ(address, 0x1006);
    EXPECT_EQ(sim_->log().texts(),
              (std::vector<std::string>{"dq3850001001000", "dq3850001001001", "dq3850001001002", "dq3850001001003",
                                        "dq3850001001004", "dq3850001001005"}));

    // One word off fails the stage.
    Stub([&](DspMemoryStub& d) { d.memory[0x1003u] ^= 1u; });
    address = 0x1000;
    EXPECT_FALSE(VerifyReadBack(stage, ctx));
}

TEST_F(ReadBackTest, ReadSkipsUpToFourLinesThatAreNotWords) {
    Stub([](DspMemoryStub& d) {
        d.memory[0x20u] = 0xABCDEF;
        d.junkLines = 4;
    });
    std::int32_t address = 0x20;
    ReadBackContext ctx{&port_, "%06X", "dq3850001%06X", &address};
    EXPECT_TRUE(VerifyUploadWord(0xABCDEF, ctx));

    port_.Drain();
    Stub([](DspMemoryStub& d) { d.junkLines = 5; });
    address = 0x20;
    std::uint32_t word = 0;
    EXPECT_FALSE(ReadDspWord(ctx, word));
    EXPECT_EQ(address, 0x21);
}
