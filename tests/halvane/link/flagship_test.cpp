// The flagship command set against the simulated processor: the full filter
// upload compared word for word with an independent computation, erasing,
// the retries and failures of DSP words, abort, and the power, service,
// tone and speaker sequences.

#include "halvane/diagnostics/TException.h"
#include "halvane/link/BztTolvarinePlatformV1Base.h"
#include "halvane/link/BztTolvarineV1.h"
#include "halvane/link/BztTolvarineV2.h"
#include "sim/Microphone.h"
#include "sim/Room.h"

#include "SyntheticProject.h"
#include "UnitFixture.h"
#include "tests/support/MessageOf.h"

#include <cstdio>

using namespace halvane::design;

using halvane::link::ConTypes::BztTolvarinePlatformV1Base;
using linktest::UnitTest;
using testsupport::MessageOf;

namespace {

std::string Hex6(std::uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "%06X", v);
    return b;
}

class FlagshipTest : public UnitTest {
protected:
    // Model 4 (class 2, "dm" words) unless a test wants the first
    // generation (model 0, class 1, "dq").
    void Start(int model = 4, const std::string& firmware = "1.31c") {
        StartUnit(model, firmware);
        unit_ = std::make_unique<halvane::link::ConTypes::BztTolvarineV2>(model, Port());
        if (model < 4) unit1_ = std::make_unique<halvane::link::ConTypes::BztTolvarineV1>(model, Port());
        Unit().SetProgress(&progress_);
    }
    BztTolvarinePlatformV1Base& Unit() { return unit1_ ? static_cast<BztTolvarinePlatformV1Base&>(*unit1_) : *unit_; }

    // As the upload job leaves it for the filters: power cycle, service
    // mode, debug mode.
    void InDebugMode() {
        Unit().PrepareUpload();
        ASSERT_TRUE(Dialect([](sim::HalvaneDialect& d) { return d.debugMode(); }));
        sim_->log().clear();
    }

    // An aborted job's progress stays aborted: what follows is another
    // job's, with a progress of its own.
    void NextJob() {
        next_.push_back(std::make_unique<linktest::RecordingProgress>(&prompt_));
        Unit().SetProgress(next_.back().get());
    }

    std::unique_ptr<halvane::link::ConTypes::BztTolvarineV2> unit_;
    std::unique_ptr<halvane::link::ConTypes::BztTolvarineV1> unit1_;
    std::vector<std::unique_ptr<linktest::RecordingProgress>> next_;
};

}  // namespace

TEST_F(FlagshipTest, FullUploadLeavesTheIndependentlyComputedMemoryMap) {
    Start(4);
    InDebugMode();
    halvane::link::UploadData doc = linktest::SyntheticProject();
    Unit().UploadCoefficients(false, &doc);
    Unit().UploadGains(false, &doc);
    Unit().EndUpload(0);

    // reference/flagship_class2.txt: /usr/bin/python3 upload_reference.py flagship 2
    const auto expected = linktest::ReadReference("flagship_class2.txt");
    ASSERT_EQ(expected.size(), 1280u * 6 + 128);
    const auto memory = Dialect([](sim::HalvaneDialect& d) { return d.dspMemory(); });
    std::map<std::string, std::string> actual;
    for (const auto& [a, w] : memory) actual[Hex6(a)] = Hex6(w);
    EXPECT_EQ(actual, expected);
    // Every word read back once, the stage (c0, r1, s2, b3) where the
    // layout puts it, and the debug mode left.
    EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.dspReads(); }), 1280 * 6 + 128);
    EXPECT_EQ(actual.count(Hex6(0x002000 + 824)), 1u);
    EXPECT_EQ(progress_.ranges, (std::vector<int>{10 * 8 * 16, 8 * 16}));
    EXPECT_EQ(progress_.position.load(), 1280 + 128);
    const auto log = Log();
    ASSERT_GE(log.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(log.end() - 7, log.end()),
              (std::vector<std::string>{"dg1", "dx", "dx", "dx", "dx", "dx", "dx"}));
    EXPECT_FALSE(Dialect([](sim::HalvaneDialect& d) { return d.debugMode(); }));
}

TEST_F(FlagshipTest, EraseWritesIdentityStagesAndZeroGainsAtTheFirstGenerationsLayout) {
    Start(0);  // class 1: 5 rates, the Music blocks from B + 5 x 640
    InDebugMode();
    // With no document at all the unit writes with its own class's limits.
    Unit().UploadCoefficients(true, nullptr);
    Unit().UploadGains(true, nullptr);
    const auto memory = Dialect([](sim::HalvaneDialect& d) { return d.dspMemory(); });
    ASSERT_EQ(memory.size(), 800u * 6 + 80);
    const std::uint32_t identity[6] = {0, 0, 0x400000, 0, 0, 0};
    for (int c = 0; c < 2; ++c)
        for (int r = 0; r < 5; ++r)
            for (int s = 0; s < 8; ++s) {
                for (int b = 0; b < 10; ++b)
                    for (int k = 0; k < 6; ++k)
                        ASSERT_EQ(memory.at(0x002000 + (c * 5 + r) * 640 + (s * 10 + b) * 8 + k), identity[k]);
                ASSERT_EQ(memory.at(0x000800 + (c * 5 + r) * 8 + s), 0u);
            }
    EXPECT_EQ(memory.at(0x002000 + 3200 + 2), 0x400000u);
    EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.dspReads(); }), 800 * 6 + 80);
    EXPECT_EQ(Count("dq28C0918000000"), 1u);  // the first generation's words
}

TEST_F(FlagshipTest, BadReadBacksAreRetriedFourTimesAndTheFifthFails) {
    Start(4);
    InDebugMode();
    halvane::link::UploadData doc = linktest::SyntheticProject();
    progress_.abortAfter = 1;  // stop after the first stage
    Dialect([](sim::HalvaneDialect& d) {
        d.knobs().badReadAddress = 0x002003;
        d.knobs().badReadCount = 4;
        return 0;
    });
    EXPECT_EQ(MessageOf([&] { Unit().UploadCoefficients(false, &doc); }), "User Abort");
    EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.dspWrites(); }), 30);
    NextJob();

    Dialect([](sim::HalvaneDialect& d) {
        d.knobs().badReadCount = 5;
        return 0;
    });
    EXPECT_EQ(MessageOf([&] { Unit().UploadCoefficients(false, &doc); }), "Failed to upload/verify coefficients");
    EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.dspWrites(); }), 60);
}

TEST_F(FlagshipTest, WordEchoesRejectionsAndBaseAddressFailures) {
    Start(4);
    InDebugMode();
    progress_.abortAfter = 1;
    // The echo in the fifth reply line still counts; "Invalid Command"
    // fails the attempt at once and the word is written again.
    Dialect([](sim::HalvaneDialect& d) {
        d.knobs().echoJunkLines = 4;
        d.knobs().rejectWrites = 1;
        return 0;
    });
    EXPECT_EQ(MessageOf([&] { Unit().UploadGains(true, nullptr); }), "User Abort");
    EXPECT_EQ(Count("dm6C50001000800000000"), 2u);
    NextJob();

    // No six-character line among five: five attempts, then the failure.
    // The first run's last answers must not be read as this one's.
    ASSERT_TRUE(sim_->log().waitFor(
        [](const auto& log) { return !log.empty() && log.back().text == "dm3850001000800"; }, 5000));
    ASSERT_TRUE(sim_->waitQuiet(5000));
    Port().Drain();
    Dialect([](sim::HalvaneDialect& d) {
        d.knobs().echoJunkLines = 5;
        return 0;
    });
    sim_->log().clear();
    EXPECT_EQ(MessageOf([&] { Unit().UploadGains(true, nullptr); }), "Failed to get expected response");
    EXPECT_EQ(Count("dm6C50001000800000000"), 5u);

    Dialect([](sim::HalvaneDialect& d) {
        d.knobs().echoJunkLines = 0;
        d.knobs().coefficientBase = 0xDEAD0;
        return 0;
    });
    EXPECT_EQ(MessageOf([&] { Unit().UploadCoefficients(true, nullptr); }), "Offset was greater than maximum offset.");
    Dialect([](sim::HalvaneDialect& d) {
        d.knobs().baseQueriesSilent = true;
        return 0;
    });
    clock_.setFactor(100);
    sim_->log().clear();
    EXPECT_EQ(MessageOf([&] { Unit().UploadGains(true, nullptr); }), "Failed to read offset.");
    EXPECT_EQ(Count("dm28C0917000000"), 5u);

    Port().Close();
    EXPECT_EQ(MessageOf([&] { Unit().UploadCoefficients(true, nullptr); }), "Connection to unit was lost.");
}

TEST_F(FlagshipTest, OutOfRangeCoefficientEndsTheUploadAsItsOwnFailure) {
    Start(4);
    InDebugMode();
    halvane::link::UploadData doc = linktest::SyntheticProject();
    doc.At(0, 0, 0).Stages[1].b1_2 = 1.5;
    EXPECT_EQ(MessageOf([&] { Unit().UploadCoefficients(false, &doc); }), "Failed to upload/verify coefficients");
    EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.dspWrites(); }), 6);  // the first stage only
    doc.At(0, 0, 0).Stages[0].a1_2 = std::nan("");
    EXPECT_EQ(MessageOf([&] { Unit().UploadCoefficients(false, &doc); }), "Failed to upload/verify coefficients");
}

TEST_F(FlagshipTest, AbortStopsBetweenStagesAndTheExitSequenceLeavesDebugMode) {
    Start(4);
    InDebugMode();
    halvane::link::UploadData doc = linktest::SyntheticProject();
    progress_.abortAfter = 3;
    EXPECT_EQ(MessageOf([&] { Unit().UploadCoefficients(false, &doc); }), "User Abort");
    EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.dspWrites(); }), 18);
    // What the job's guard runs after a failed upload, on its way out: the
    // line is tried briefly, and every exit command still goes out.
    sim_->log().clear();
    {
        halvane::link::Comm::CBasicTessikPort::ExitPath exit(Port());
        Unit().EndUpload(1);
    }
    EXPECT_EQ(Log(), (std::vector<std::string>{"dx", "dx", "dx", "dx", "dx", "dx"}));
    EXPECT_FALSE(Dialect([](sim::HalvaneDialect& d) { return d.debugMode(); }));
}

TEST_F(FlagshipTest, FirmwareCheckWantsAtLeast130a) {
    Start(0, "1.30");
    EXPECT_EQ(MessageOf([&] { Unit().CheckFirmwareVersion(); }),
              "Qex v1.1 and later requires v1.30x or later firmware to be installed on your Z5/Z6.\n"
              "Please install the latest firmware that was provided with the Qex kit or visit the website to "
              "download the most recent firmware version.\n");
    for (const char* ok : {"1.30a", "1.31", "1.31e"}) {
        Dialect([&](sim::HalvaneDialect& d) { d.setFirmware(ok); return 0; });
        ASSERT_TRUE(Port().Identify());
        EXPECT_EQ(MessageOf([&] { Unit().CheckFirmwareVersion(); }), "(no failure)") << ok;
    }
    Dialect([](sim::HalvaneDialect& d) { d.knobs().identOverride = "Tolvarine Z6 vx.1"; return 0; });
    ASSERT_TRUE(Port().Identify());
    EXPECT_EQ(MessageOf([&] { Unit().CheckFirmwareVersion(); }), "Failed to get the version numbers.");
}

TEST_F(FlagshipTest, PowerUpServiceAndDebugSequencesInWireOrder) {
    Start(4);
    Dialect([](sim::HalvaneDialect& d) { d.knobs().gR1Reply = "gR1 In"; return 0; });
    Unit().PrepareUpload();
    std::vector<std::string> log;
    for (auto& t : Log())
        if (t != "P1P?") log.push_back(t);
    EXPECT_EQ(log, (std::vector<std::string>{"P1P1", "P1VM-95.5", "SST0", "SST0", "P1VM?", "D5190.8", "gR1",
                                             "D5190.8", "gR1", "D5190.8", "gR1", "D5190.8", "gR1", "D5190.8",
                                             "D5190.8", "P1S4", "P1M1", "D3807.2"}));
    EXPECT_EQ(progress_.texts, (std::vector<std::string>{"Powering on unit.", "Done powering on unit."}));

    // No answer to the debug-mode word is a failure of its own.
    Dialect([](sim::HalvaneDialect& d) { d.knobs().debugSilent = true; return 0; });
    EXPECT_EQ(MessageOf([&] { Unit().PrepareUpload(); }), "Failed to enter debug mode");

    sim_->log().clear();
    Unit().EndSpeakerUpload(0);
    const auto end = Log();
    EXPECT_EQ(std::count(end.begin(), end.end(), "SCQ41"), 3);
    EXPECT_FALSE(Dialect([](sim::HalvaneDialect& d) { return d.power(1); }));
}

TEST_F(FlagshipTest, TestToneIsHeardOnItsChannelAndMeasurementSetUpRuns) {
    Start(0);
    Unit().PrepareMeasurement(1);
    auto log = Log();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 4),
              (std::vector<std::string>{"P1S4", "P1S4", "SCQ41", "SCQ41"}));
    EXPECT_EQ(std::count(log.begin(), log.end(), "SUC4C"), 4);
    EXPECT_EQ(prompt_.askCount(), 0u);

    sim::Room room(3);
    sim::Microphone mic(room);
    mic.setToneSource(Dialect([](sim::HalvaneDialect& d) { return d.toneSource(); }));
    Unit().StartTestTone(3, 0);
    EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.toneChannel(); }), 3);
    EXPECT_EQ(mic.take(), mic.take(3, 0));
    // The two lines after the tone's echo were read: the next command
    // gets its own reply.
    sim_->log().clear();
    Unit().StopTestTone(3, 0);
    EXPECT_EQ(Log(), (std::vector<std::string>{"P1N8", "P1N8"}));
    EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.toneChannel(); }), -1);
    EXPECT_EQ(Port().Drain(), 0u);
}

TEST_F(FlagshipTest, SpeakerUploadsUseTheMeasuredChannelsAndWriteZeroTrimsBack) {
    Start(0, "1.32");
    halvane::link::UploadData doc;
    doc.targets.Crossover[0][TargetConfigBasic::Front] = 100;
    doc.targets.Crossover[0][TargetConfigBasic::Center] = 120;
    for (int ch : {0, 1, 2, 4, 7}) doc.measured[0][static_cast<std::size_t>(ch)] = true;
    doc.targets.ChannelTrim = {2, 4, 6, -2, -4, 8, 10, 12};
    doc.targets.MusicSubTrim = 3;
    Unit().UploadSpeakerConfig(&doc);
    Dialect([](sim::HalvaneDialect& d) {
        EXPECT_EQ(d.setting("SZCX"), "120");  // the larger of Front and Center
        EXPECT_EQ(d.setting("SZMX"), "120");  // Music follows Movie
        EXPECT_EQ(d.setting("SZNB"), "1");    // one rear speaker measured
        return 0;
    });
    // The copy took the computed values; the document did not.
    EXPECT_EQ(doc.targets.Crossover[0][TargetConfigBasic::Subwoofer], 80);
    EXPECT_EQ(doc.targets.ConfigOption, 0);

    Unit().UploadSpeakerLevels(&doc);
    EXPECT_EQ(doc.targets.ChannelTrim, (std::array<std::int32_t, 8>{2, 4, 6, 0, -4, 0, 0, 12}));
    EXPECT_EQ(doc.targets.MusicSubTrim, 0);  // no Music subwoofer curve
    Dialect([](sim::HalvaneDialect& d) {
        EXPECT_EQ(d.setting("SLC"), "2.00");
        EXPECT_EQ(d.setting("SLSR"), "0.00");
        EXPECT_EQ(d.setting("SLs"), "6.00");
        return 0;
    });

    // A setting that never verifies ends the upload with every line.
    Dialect([](sim::HalvaneDialect& d) { d.knobs().ignoreSets["SLL"] = 100; return 0; });
    doc.targets.ChannelTrim[0] = 1;
    EXPECT_EQ(MessageOf([&] { Unit().UploadSpeakerLevels(&doc); }),
              "Left Front speaker 'level' setting failed to verify. (should be set to 0.50)\r\n"
              "\r\nFailed to upload speaker levels");
}

TEST_F(FlagshipTest, PromptsShowTheFailureAndTheAnswerDecides) {
    Start(0, "1.32");
    // A setting that never verifies: the measurement set-up asks with the
    // whole failure text; Ignore goes on as if it had worked.
    Dialect([](sim::HalvaneDialect& d) { d.knobs().ignoreSets["SZS"] = 100; d.setSetting("SZS", "0"); return 0; });
    prompt_.answers({platform::IDIGNORE});
    Unit().PrepareMeasurement(0);
    ASSERT_EQ(prompt_.askCount(), 1u);
    EXPECT_EQ(prompt_.asks()[0].text.rfind("Music Same As Movie speaker configuration setting failed to verify. "
                                           "(should be Yes)\r\n\r\nFailed to prepare unit for measurement.\n",
                                           0),
              0u)
        << prompt_.asks()[0].text;
    EXPECT_EQ(Count("SCQ40"), 2u);
    EXPECT_EQ(Count("SUC4C"), 0u);  // the set-up stopped at its failure

    // A tone start that gets no answer stops the tone and asks OK/Cancel.
    Dialect([](sim::HalvaneDialect& d) { d.knobs().silentWords.insert("P1N"); return 0; });
    sim_->log().clear();
    prompt_.answers({platform::IDCANCEL});
    EXPECT_EQ(MessageOf([&] { Unit().StartTestTone(2, 0); }), "Failed to start test tone");
    EXPECT_EQ(Log(), (std::vector<std::string>{"P1N2", "P1N8", "P1N8"}));
    ASSERT_EQ(prompt_.askCount(), 2u);
    EXPECT_EQ(prompt_.asks()[1].flags, platform::MB_OKCANCEL);
    EXPECT_EQ(prompt_.asks()[1].caption, "Halvane");

    // Abort in a prompt ends the job with the question's text.
    Dialect([](sim::HalvaneDialect& d) { d.knobs().silentWords.insert("P1P"); return 0; });
    clock_.setFactor(100);
    prompt_.answers({platform::IDABORT});
    EXPECT_EQ(MessageOf([&] { Unit().PowerOff(1); }), "Failed to power off unit.\nUser abort.");
}
