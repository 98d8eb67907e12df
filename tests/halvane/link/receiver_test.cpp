// The receiver command set against the simulated receiver: the full upload
// and its verification compared with float bits computed independently,
// erasing, negative gains, confirmations, prompts and failure texts.

#include "halvane/diagnostics/TException.h"
#include "halvane/link/VuxV1Base.h"
#include "platform/UserPrompt.h"

#include "SyntheticProject.h"
#include "UnitFixture.h"
#include "tests/support/MessageOf.h"

using halvane::link::ConTypes::VuxV1Base;
using linktest::UnitTest;
using testsupport::MessageOf;

namespace {

class ReceiverTest : public UnitTest {
protected:
    void SetUp() override {
        StartUnit(7, "1.00");
        unit_ = std::make_unique<VuxV1Base>(7, Port());
        unit_->SetProgress(&progress_);
    }
    std::map<std::string, std::string> Store() {
        const auto store = Dialect([](sim::HalvaneDialect& d) { return d.bitStore(); });
        std::map<std::string, std::string> out;
        char b[16];
        for (const auto& [w, v] : store) {
            std::snprintf(b, sizeof b, "%08X", v);
            out[w] = b;
        }
        return out;
    }
    std::unique_ptr<VuxV1Base> unit_;
};

}  // namespace

TEST(ReceiverWords, FloatBitsOfErasedStagesAndNegativeGains) {
    const halvane::design::Biquad identity;
    EXPECT_EQ(VuxV1Base::CoefficientBits(identity, 0), 0x00000000u);
    EXPECT_EQ(VuxV1Base::CoefficientBits(identity, 1), 0x00000000u);
    EXPECT_EQ(VuxV1Base::CoefficientBits(identity, 2), 0x80000000u);  // -0.0
    EXPECT_EQ(VuxV1Base::CoefficientBits(identity, 3), 0x80000000u);
    EXPECT_EQ(VuxV1Base::GainBits(0, 1.0), 0x3F800000u);
    // -5 steps as the calculation stores it (24-bit two's complement):
    // /usr/bin/python3 -c "import struct,math;
    //   print('%08X'%struct.unpack('>I',struct.pack('>f',math.exp(-5*0.5*math.log(10)/20)))[0])"
    EXPECT_EQ(VuxV1Base::GainBits(0xFFFFFB, 1.0), 0x3F3FF911u);
    EXPECT_EQ(VuxV1Base::SignExtendGain(0x7FFFFF), 0x7FFFFF);
    EXPECT_EQ(VuxV1Base::SignExtendGain(0x800000), -0x800000);
}

TEST_F(ReceiverTest, FullUploadAndVerifyMatchTheIndependentFloatBits) {
    halvane::link::UploadData doc = linktest::SyntheticProject();
    unit_->PrepareUpload();
    EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.setting("AVC"); }), "0");
    EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.setting("REQ"); }), "1");
    Dialect([](sim::HalvaneDialect& d) { d.knobs().looseGainReplies = true; return 0; });

    unit_->UploadCoefficients(false, &doc);
    unit_->UploadGains(false, &doc);  // nothing more: the gains went along
    // reference/receiver_class4.txt: /usr/bin/python3 upload_reference.py receiver
    EXPECT_EQ(Store(), linktest::ReadReference("receiver_class4.txt"));
    EXPECT_EQ(progress_.position.load(), 2 * 8 * 8 * 5);
    EXPECT_TRUE(unit_->VerifyCoefficients(&doc, 0));
    EXPECT_EQ(progress_.texts.back(), "Verifying...");

    unit_->EndSpeakerUpload(0);
    Dialect([](sim::HalvaneDialect& d) {
        EXPECT_EQ(d.setting("AVC"), "1");
        EXPECT_EQ(d.setting("REQ"), "0");
        EXPECT_FALSE(d.power(1));
        return 0;
    });
    EXPECT_EQ(Count("P3P0"), 0u);  // a receiver has two zones
}

TEST_F(ReceiverTest, EraseSendsIdentityBitsAndUnitGain) {
    unit_->UploadCoefficients(true, nullptr);
    const auto store = Store();
    ASSERT_EQ(store.size(), 2u * 8 * 8 * (5 * 4 + 1));
    for (const auto& [word, bits] : store) {
        if (word[0] == 'G')
            EXPECT_EQ(bits, "3F800000") << word;
        else
            EXPECT_EQ(bits, word[5] < '2' ? "00000000" : "80000000") << word;
    }
}

TEST_F(ReceiverTest, ConfirmationOnTheFifthQueryAndFailureTexts) {
    halvane::link::UploadData doc = linktest::SyntheticProject();
    progress_.abortAfter = 1;
    Dialect([](sim::HalvaneDialect& d) { d.knobs().ignoreSets["C00000"] = 4; return 0; });
    EXPECT_EQ(MessageOf([&] { unit_->UploadCoefficients(false, &doc); }), "User Abort");
    EXPECT_EQ(Count("C00000?"), 5u);
    linktest::RecordingProgress next(&prompt_);  // the next job's: an abort is never taken back
    unit_->SetProgress(&next);

    sim_->log().clear();
    Dialect([](sim::HalvaneDialect& d) { d.knobs().ignoreSets["C00000"] = 5; return 0; });
    // Bits C0480000 as a signed number: -1069023232.
    Dialect([](sim::HalvaneDialect& d) { d.knobs().silentWords.insert("C00000"); return 0; });
    EXPECT_EQ(MessageOf([&] { unit_->UploadCoefficients(false, &doc); }),
              "Failed to upload coefficient 00000 -> -1069023232\n");
    EXPECT_EQ(Count("C00000?"), 5u);

    // The gain word of channel 1 (code 2) at rate 0: its float bits.
    Dialect([](sim::HalvaneDialect& d) {
        d.knobs().silentWords.clear();
        d.knobs().silentWords.insert("G000");
        return 0;
    });
    linktest::RecordingProgress fresh(&prompt_);  // the abort flag is never cleared
    unit_->SetProgress(&fresh);
    const std::string gainFailure = MessageOf([&] { unit_->UploadCoefficients(false, &doc); });
    EXPECT_EQ(gainFailure.rfind("Failed to upload gain 000 -> ", 0), 0u) << gainFailure;
    EXPECT_EQ(gainFailure.back(), '\n');
}

TEST_F(ReceiverTest, VerifyingAReceiverThatDiffersEverywhereThrowsAtMost400Characters) {
    unit_->UploadCoefficients(true, nullptr);
    halvane::link::UploadData erased;
    EXPECT_TRUE(unit_->VerifyCoefficients(&erased, 0));
    Dialect([](sim::HalvaneDialect& d) { d.knobs().differEverywhere = true; return 0; });
    const std::string text = MessageOf([&] { unit_->VerifyCoefficients(&erased, 0); });
    EXPECT_EQ(text.size(), 400u);
    EXPECT_EQ(text.rfind("Failed to verify coefficient 00000 -> 0. was 1.\n"
                         "Failed to verify coefficient 00001 -> 0. was 1.\n"
                         "Failed to verify coefficient 00002 -> 80000000. was 80000001.\n",
                         0),
              0u)
        << text;
}

TEST_F(ReceiverTest, SpeakerSetupLevelsToneAndTheirPrompts) {
    halvane::link::UploadData doc;
    doc.targets.MusicUsesMovie = 0;
    doc.targets.ExtraOption = 2;  // sends no AUX selection
    doc.targets.Crossover[0] = {100, 170, 60, 80, 120};
    doc.targets.GroupFlag[0][3] = 1;
    doc.targets.Crossover[1] = {80, 80, 80, 80, 170};
    unit_->UploadSpeakerConfig(&doc);
    EXPECT_EQ(Count("B?"), 0u);
    Dialect([](sim::HalvaneDialect& d) {
        EXPECT_EQ(d.setting("F00"), "100");
        EXPECT_EQ(d.setting("F01"), "0");  // no crossover
        EXPECT_EQ(d.setting("F02"), "60");
        EXPECT_EQ(d.setting("F03"), "5");  // flagged: "Flat"
        EXPECT_EQ(d.setting("F04"), "5");  // the subwoofer is always "Flat"...
        EXPECT_EQ(d.setting("F14"), "0");  // ...unless it has no crossover
        return 0;
    });

    doc.measured[0] = {true, true, true, true, true, true, true, true};
    doc.targets.ChannelTrim = {1, -2, 3, -4, 5, -6, 7, -8};
    doc.targets.MusicSubTrim = 9;
    unit_->UploadSpeakerLevels(&doc);
    Dialect([](sim::HalvaneDialect& d) {
        EXPECT_EQ(d.setting("L1"), "-2");
        EXPECT_EQ(d.setting("L7"), "-8");
        EXPECT_EQ(d.setting("L8"), "0");  // no Music subwoofer curve
        return 0;
    });

    // A crossover that never confirms asks; Ignore goes on.
    Dialect([](sim::HalvaneDialect& d) { d.knobs().ignoreSets["F00"] = 100; return 0; });
    doc.targets.Crossover[0][0] = 120;
    prompt_.answers({platform::IDIGNORE});
    unit_->UploadSpeakerConfig(&doc);
    ASSERT_EQ(prompt_.askCount(), 1u);
    EXPECT_EQ(prompt_.asks()[0].text.rfind("Failed to set crossover for spkr: Front\n", 0), 0u);
    EXPECT_EQ(prompt_.asks()[0].flags, platform::MB_ABORTRETRYIGNORE);

    // The tone plays on its channel; a tone that never confirms asks
    // OK/Cancel and Cancel ends it.
    unit_->StartTestTone(5, 0);
    EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.toneChannel(); }), 5);
    unit_->StopTestTone(5, 0);
    EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.toneChannel(); }), -1);
    EXPECT_EQ(Port().Drain(), 0u);  // every state line was read
    Dialect([](sim::HalvaneDialect& d) { d.knobs().silentWords.insert("QEX"); return 0; });
    prompt_.answers({platform::IDCANCEL});
    EXPECT_EQ(MessageOf([&] { unit_->StartTestTone(2, 0); }), "Failed to start test tone");
    ASSERT_EQ(prompt_.askCount(), 2u);
    EXPECT_EQ(prompt_.asks()[1].text,
              "Failed to start the test tone.\nCheck connection to unit and click OK to try again or CANCEL to abort");
    EXPECT_EQ(prompt_.asks()[1].flags, platform::MB_OKCANCEL);
}

TEST_F(ReceiverTest, MeasurementSetUpAndItsEndInWireOrder) {
    unit_->PrepareMeasurement(0);
    auto log = Log();
    std::vector<std::string> sets;
    for (auto& t : log)
        if (t.back() != '?') sets.push_back(t);
    std::vector<std::string> expected = {"B0"};
    for (int c = 0; c < 2; ++c)
        for (int g = 0; g < 5; ++g) expected.push_back("F" + std::to_string(c) + std::to_string(g) + (g == 4 ? "5" : "80"));
    for (int i = 0; i <= 8; ++i) expected.push_back("L" + std::to_string(i) + "0");
    expected.push_back("REQ1");
    EXPECT_EQ(sets, expected);
    EXPECT_EQ(Port().Drain(), 0u);  // the state line after REQ was read

    sim_->log().clear();
    unit_->EndUpload(0);  // nothing without the flag
    EXPECT_TRUE(Log().empty());
    unit_->EndUpload(1);
    EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.setting("REQ"); }), "0");
    EXPECT_EQ(Count("P1P0"), 0u);  // already off: nothing to switch
}
