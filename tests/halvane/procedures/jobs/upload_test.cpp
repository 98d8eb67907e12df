// The whole road without windows against the simulated processor on a real
// pseudo-terminal: crossovers, levels, targets, calculation, then the upload
// job; and the upload's class checks and the erase.

#include <algorithm>
#include <cstdio>

#include "halvane/link/BiquadWords.h"
#include "halvane/link/BztTolvarinePlatformV1Base.h"
#include "halvane/link/LinkTiming.h"
#include "halvane/link/Units.h"
#include "halvane/procedures/framework/DoProcedure.h"
#include "halvane/procedures/jobs/CEqCalcProc.h"
#include "halvane/procedures/jobs/CEqUploadProc.h"

#include "tests/halvane/procedures/jobs/RoadProject.h"

#include <gtest/gtest.h>
#include "tests/halvane/link/UnitFixture.h"

using halvane::document::DocumentData;

namespace {

class UploadJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        halvane::link::ConTypes::CreateUnits(port_);
        lineClock_.holdWhileCatchingUp(true);
        Port().SetClock(lineClock_);
        Port().SetPortMap(linktest::MapOnly({}));
        Port().SetSearchAttempted(false);
    }
    void TearDown() override {
        halvane::link::ConTypes::DestroyUnits();
        Port().SetPortMap(linktest::MapOnly({}));
        Port().SetClock(platform::systemClock());
        Port().SetSearchAttempted(false);
        lineClock_.follow(nullptr);
        sim_.reset();
    }
    // The port the units talk through, as the program hands its one port to them.
    halvane::link::Comm::CBasicTessikPort port_;
    halvane::link::Comm::CBasicTessikPort& Port() { return port_; }

    void Processor(int model) {
        sim_ = std::make_unique<sim::Simulator>(std::make_unique<sim::HalvaneDialect>(model, model >= 6 ? "1.00" : "1.31c"),
                                              clock_);
        ASSERT_TRUE(sim_->start()) << sim_->error();
        lineClock_.follow(sim_.get());
        Port().SetPortMap(linktest::MapOnly({{1, sim_->slavePath()}}));
    }
    template <class F>
    auto Dialect(F&& fn) {
        return sim_->withDialect<sim::HalvaneDialect>([&](sim::HalvaneDialect& d) { return fn(d); });
    }
    // Designs the document's filters for its class.
    void Calculate(halvane::document::CHalvaneDoc& doc, std::int32_t kind) { ASSERT_TRUE(roadtest::CalculatedRoad(doc, kind)); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& a : s_.prompt.asks()) out.push_back(a.text);
        return out;
    }

    linktest::FastSleepClock clock_{20.0};
    // The port's: replies are judged once the processor has caught up, on a
    // time that stands still while it does.
    testsupport::CatchUpClock lineClock_{clock_};
    std::unique_ptr<sim::Simulator> sim_;
    roadtest::ScriptedDoc s_;
    testsupport::TestProcHost host_;
};

}  // namespace

TEST_F(UploadJobTest, FlagshipRoadLeavesTheDocumentsWordsInDspMemory) {
    Calculate(s_.doc, 2);
    Processor(4);
    EXPECT_EQ(halvane::procedures::RunUploadProc({}, s_.doc, &host_), 1);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Upload/Verify complete!"});
    const auto texts = host_.DisplayStrings();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), "Please wait, this will take several minutes.");
    EXPECT_EQ(texts.back(), "Done uploading speaker levels.");

    const auto memory = Dialect([](sim::HalvaneDialect& d) { return d.dspMemory(); });
    for (int c = 0; c < 2; ++c)
        for (int r = 0; r < 8; ++r)
            for (int slot = 0; slot < 8; ++slot) {
                // The processor's slot order is not the document's.
                const int ch = halvane::link::ConTypes::BztTolvarinePlatformV1Base::kSlotChannel[slot];
                const auto& set = s_.doc.FilterSets[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)]
                                                   [static_cast<std::size_t>(ch)];
                const std::uint32_t block = static_cast<std::uint32_t>((c * 8 + r));
                ASSERT_EQ(memory.at(0x000800 + block * 8 + static_cast<std::uint32_t>(slot)),
                          static_cast<std::uint32_t>(set.Gain) & 0xFFFFFFu)
                    << c << r << ch;
                for (int b = 0; b < 10; ++b)
                    for (int k = 0; k < 6; ++k)
                        ASSERT_EQ(memory.at(0x002000 + block * 640 + static_cast<std::uint32_t>((slot * 10 + b) * 8 + k)),
                                  halvane::link::StageWord(k, set.Stages[static_cast<std::size_t>(b)]))
                            << c << r << ch << b << k;
            }
    // The flagship's level words, in channel order; each trim is 0.5 dB steps.
    const char* const levelWords[8] = {"SLL", "SLC", "SLR", "SLSR", "SLBR", "SLBL", "SLSL", "SLs"};
    const auto& trims = s_.doc.m_TargetConfig.ChannelTrim;
    Dialect([&](sim::HalvaneDialect& d) {
        for (int ch : roadtest::kRoadChannels) {
            const auto value = d.setting(levelWords[ch]);
            EXPECT_TRUE(value.has_value()) << ch;
            if (value) {
                EXPECT_DOUBLE_EQ(std::stod(*value), trims[static_cast<std::size_t>(ch)] * 0.5) << ch;
            }
        }
        return 0;
    });}

TEST_F(UploadJobTest, ReceiverRoadEndsWithTheFiltersEnabled) {
    Calculate(s_.doc, 4);
    Processor(7);
    EXPECT_EQ(halvane::procedures::RunUploadProc({}, s_.doc, &host_), 1);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Upload/Verify complete!"});
    Dialect([&](sim::HalvaneDialect& d) {
        EXPECT_EQ(d.setting("AVC"), "1");
        EXPECT_FALSE(d.bitStore().empty());
        for (int ch : {0, 1, 2}) EXPECT_EQ(d.setting("L" + std::to_string(ch)), std::to_string(s_.doc.m_TargetConfig.ChannelTrim[static_cast<std::size_t>(ch)])) << ch;
        return 0;
    });
}

TEST_F(UploadJobTest, ClassMismatchWritesNothingAndTellsTheConnectedClass) {
    s_.doc.m_nUnitKind = 1;
    struct Case {
        int model;
        int code;
        std::vector<std::string> texts;
    };
    for (const Case& c : {Case{4, 0xFFFF, {}}, Case{7, 0xFFFE, {"Upload/Verify failed!"}}}) {
        SCOPED_TRACE(c.model);
        Processor(c.model);
        s_.prompt.release();
        const std::size_t asked = s_.prompt.askCount();
        testsupport::TestProcHost host;
        EXPECT_EQ(halvane::procedures::RunUploadProc({}, s_.doc, &host), c.code);
        std::vector<std::string> texts = Texts();
        texts.erase(texts.begin(), texts.begin() + static_cast<std::ptrdiff_t>(asked));
        EXPECT_EQ(texts, c.texts);
        EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.dspWrites(); }), 0);
        EXPECT_TRUE(Dialect([](sim::HalvaneDialect& d) { return d.bitStore().empty(); }));
        sim_.reset();
        Port().SetSearchAttempted(false);
    }
}

TEST_F(UploadJobTest, NoProcessorIsAFailureWithItsText) {
    s_.doc.m_nUnitKind = 2;
    EXPECT_EQ(halvane::procedures::RunUploadProc({}, s_.doc, &host_), 2);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0].rfind("Upload/Verify failed!\nCould not find a valid Tessik processor.\n\nPorts tried:\n", 0), 0u)
        << Texts()[0];
}

TEST_F(UploadJobTest, EraseOnAnotherClassWritesIdentitiesAndRestoresTheDocumentsLimits) {
    s_.doc.m_nUnitKind = 4;
    Processor(0);  // class 1: 5 rates of 10 stages
    Dialect([](sim::HalvaneDialect& d) {
        d.setDspWord(0x000800, 0x123456);
        return 0;
    });
    EXPECT_EQ(halvane::procedures::RunEraseProc({}, s_.doc, &host_), 1);
    EXPECT_EQ(s_.doc.Limits().RateCount(), 8);
    EXPECT_EQ(s_.doc.Limits().StageCount(), 5);
    const auto memory = Dialect([](sim::HalvaneDialect& d) { return d.dspMemory(); });
    const std::uint32_t identity[6] = {0, 0, 0x400000, 0, 0, 0};
    for (std::uint32_t block = 0; block < 10; ++block)
        for (std::uint32_t s = 0; s < 8; ++s) {
            ASSERT_EQ(memory.at(0x000800 + block * 8 + s), 0u);
            for (std::uint32_t b = 0; b < 10; ++b)
                for (std::uint32_t k = 0; k < 6; ++k)
                    ASSERT_EQ(memory.at(0x002000 + block * 640 + (s * 10 + b) * 8 + k), identity[k]);
        }
    // The erase leaves the speaker settings alone.
    const auto texts = host_.DisplayStrings();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), std::string("Uploading speaker configuration.")), 0);
}

TEST_F(UploadJobTest, AbortDuringTheCoefficientsNeverStartsTheSpeakerPhase) {
    Calculate(s_.doc, 2);
    Processor(4);
    host_.AbortOnText("Uploading room correction parameters.");
    EXPECT_EQ(halvane::procedures::RunUploadProc({}, s_.doc, &host_), 2);
    ASSERT_EQ(Texts().size(), 1u);
    // The abort is said, and what the processor now holds.
    EXPECT_EQ(Texts()[0],
              "Upload/Verify failed!\nProcedure aborted\nThe processor now holds a mix of old and new filters: upload "
              "again or erase.");
    const auto log = sim_->log().texts();
    EXPECT_EQ(std::count(log.begin(), log.end(), std::string("dx")), 6) << "the coefficient phase was ended";
    EXPECT_FALSE(Dialect([](sim::HalvaneDialect& d) { return d.debugMode(); }));
    // Debug mode is left after its wait, abort or not (on the processor's time).
    const auto entries = sim_->log().entries();
    const auto dx = std::find_if(entries.begin(), entries.end(), [](const auto& e) { return e.text == "dx"; });
    ASSERT_NE(dx, entries.begin());
    ASSERT_NE(dx, entries.end());
    EXPECT_GE(dx->timeMs - std::prev(dx)->timeMs, halvane::link::Comm::LinkTiming::kDebugExitPauseMs)
        << "after " << std::prev(dx)->text;
}

TEST_F(UploadJobTest, CoefficientFailureEndsTheFilterPhaseAndReportsTheUnitsText) {
    s_.doc.m_nUnitKind = 2;
    Processor(4);
    // Every read-back of one stage word answers a wrong word.
    Dialect([](sim::HalvaneDialect& d) {
        d.knobs().badReadAddress = 0x002003;
        d.knobs().badReadCount = 1000;
        return 0;
    });
    EXPECT_EQ(halvane::procedures::RunUploadProc({}, s_.doc, &host_), 2);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0].rfind("Upload/Verify failed!\n", 0), 0u);
    EXPECT_GT(Texts()[0].size(), std::string("Upload/Verify failed!\n").size());
    const auto texts = host_.DisplayStrings();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), std::string("Uploading speaker configuration.")), 0);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), std::string("Done uploading room correction parameters.")), 0);
    EXPECT_FALSE(Dialect([](sim::HalvaneDialect& d) { return d.debugMode(); })) << "the filter phase was ended";
}

// The speaker phase's power-up fails and the phase is still ended with a
// power-off; the text says the processor was switched off only when it
// said so itself. A volume no longer taken fails the power-up once the
// processor is on (the user aborts on the prompt); a processor that takes
// no power command fails it at its power-off, and the phase's end cannot
// switch it off either.
TEST_F(UploadJobTest, FailedSpeakerPowerUpStillSwitchesTheProcessorOff) {
    struct Case {
        const char* refused;  // the word whose sets are acknowledged but not taken
        std::string text;     // the end of the failure's text
        bool staysOn;
        int powerOffsAtLeast;  // "P1P0" in the speaker phase: the power-up's and the phase end's
    };
    const std::string filtersIn = "The new filters are in place; the speaker settings were not changed and the processor ";
    const int passes = halvane::link::Comm::LinkTiming::kPowerPasses;
    for (const Case& c : {Case{"P1VM", "unit.\nUser abort.\n" + filtersIn + "was switched off: upload again.", false, 2},
                          Case{"P1P", "Failed to power off Unit\n" + filtersIn +
                                          "may still be switched on: switch it off, then upload again.",
                               true, passes + 1}}) {
        SCOPED_TRACE(c.refused);
        s_.doc.m_nUnitKind = 1;
        Processor(0);  // class 1: the shortest flagship upload
        std::size_t speakerPhase = 0;
        testsupport::TestProcHost host;
        host.OnReport = [&](testsupport::TestProcHost&, const testsupport::TestProcHost::Report& r) {
            if (r.text != "Done uploading room correction parameters.") return;
            speakerPhase = sim_->log().texts().size();
            Dialect([&](sim::HalvaneDialect& d) {
                d.knobs().ignoreSets[c.refused] = 99;
                return d.setSetting("P1VM", "-40.0");
            });
        };
        if (!c.staysOn) s_.prompt.answers({platform::IDABORT});
        EXPECT_EQ(halvane::procedures::RunUploadProc({}, s_.doc, &host), 2);
        const std::string text = Texts().back();
        EXPECT_EQ(text.substr(text.size() - std::min(text.size(), c.text.size())), c.text) << text;
        EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.power(1) || d.power(2) || d.power(3); }), c.staysOn);
        const auto log = sim_->log().texts();
        ASSERT_GT(speakerPhase, 0u);
        EXPECT_GE(std::count(log.begin() + static_cast<std::ptrdiff_t>(speakerPhase), log.end(), std::string("P1P0")),
                  c.powerOffsAtLeast)
            << "no power-off after the failed power-up";
        sim_.reset();
        Port().SetSearchAttempted(false);
    }
}

// With the processor's memory as the truth: a base address that never comes
// leaves the filters as they were; a stage that fails part-way, a mix.
TEST_F(UploadJobTest, FailedWritingSaysWhetherTheFiltersChanged) {
    s_.doc.m_nUnitKind = 2;
    for (const bool erase : {false, true})
        for (const bool midWay : {false, true}) {
            SCOPED_TRACE(std::to_string(erase) + std::to_string(midWay));
            Processor(4);
            Dialect([&](sim::HalvaneDialect& d) {
                d.knobs().baseQueriesSilent = !midWay;
                d.knobs().badReadAddress = 0x002000 + 2 * 640 + 5;  // a stage of the third block
                d.knobs().badReadCount = 1000;
                return 0;
            });
            testsupport::TestProcHost host;
            EXPECT_EQ(erase ? halvane::procedures::RunEraseProc({}, s_.doc, &host)
                            : halvane::procedures::RunUploadProc({}, s_.doc, &host), 2);
            const std::string state = !midWay ? "\nThe processor's filters were not changed."
                                      : erase ? "\nThe processor now holds a mix of old and erased filters"
                                              : "\nThe processor now holds a mix of old and new filters";
            EXPECT_NE(Texts().back().find(state), std::string::npos) << Texts().back();
            EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.dspMemory().empty(); }), !midWay);
            sim_.reset();
            Port().SetSearchAttempted(false);
        }
}
