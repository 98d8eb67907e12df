// The whole road of one request without windows, against the simulated
// processor on a real pseudo-terminal and the simulated microphone in the
// simulated room: measure, detect the crossovers, set the levels, build the
// targets, calculate and upload. The processor ends with the document's
// filters, and the correction brings every measured channel nearer its
// target.
#include "halvane/link/BiquadWords.h"
#include "halvane/design/ChannelLevels.h"
#include "halvane/link/BztTolvarinePlatformV1Base.h"
#include "halvane/link/UnitClassLimits.h"
#include "halvane/link/Units.h"
#include "halvane/procedures/jobs/CEqCalcProc.h"
#include "halvane/procedures/jobs/CEqUploadProc.h"
#include "halvane/procedures/jobs/CrossoverTargetJobs.h"
#include "halvane/procedures/measurement/WaveRecorder.h"
#include "platform/SimSoundSystem.h"
#include "sim/MicrophoneSource.h"
#include "tests/halvane/link/UnitFixture.h"
#include "tests/halvane/procedures/measurement/MeasurementJobFixture.h"

#include "tests/halvane/procedures/jobs/RoadProject.h"

#include <cstdio>

#include "tests/halvane/procedures/measurement/SimulatedRoomRun.h"

using namespace halvane::signal;

namespace {

class RoadEndToEnd : public SimulatedRoomRun {};

}  // namespace

TEST_P(RoadEndToEnd, MeasureDetectTargetsCalculateUpload) {
    const bool receiver = GetParam() >= 6;
    const std::int32_t kind = receiver ? 4 : 2;
    ASSERT_TRUE(halvane::procedures::RunMeasurementProcedure(platform::WindowHandle{3}, &document_, &host_, services_));
    ASSERT_EQ(document_.m_nUnitKind, kind);
    ASSERT_EQ(document_.CurveSetSlot(0)->Count(), 3);

    TestProcHost detect;
    ASSERT_EQ(halvane::procedures::RunAutoDetectXOvers(&detect, {}, *document_.CurveSetSlot(0), *document_.CurveSetSlot(1),
                                           document_.m_TargetConfig, kind),
              1);
    halvane::procedures::ProcedurePostLoad().UpdateLevels(document_);
    TestProcHost targets;
    ASSERT_EQ(halvane::procedures::RunRecalcTarg(document_, &targets, {}), 1);
    ASSERT_EQ(document_.CurveSetSlot(4)->Count(), 3);
    TestProcHost calculate;
    ASSERT_TRUE(halvane::procedures::RunEqCalcProc({}, document_, &calculate));
    TestProcHost upload;
    ASSERT_EQ(halvane::procedures::RunUploadProc({}, document_, &upload), 1);

    if (!receiver) {
        const auto memory = Dialect([](sim::HalvaneDialect& d) { return d.dspMemory(); });
        for (std::uint32_t c = 0; c < 2; ++c)
            for (std::uint32_t r = 0; r < 8; ++r)
                for (std::uint32_t slot = 0; slot < 8; ++slot) {
                    const int ch = halvane::link::ConTypes::BztTolvarinePlatformV1Base::kSlotChannel[slot];
                    const auto& set = document_.FilterSets[c][r][static_cast<std::size_t>(ch)];
                    ASSERT_EQ(memory.at(0x000800 + (c * 8 + r) * 8 + slot), static_cast<std::uint32_t>(set.Gain));
                    for (std::uint32_t b = 0; b < 10; ++b)
                        for (int k = 0; k < 6; ++k)
                            ASSERT_EQ(memory.at(0x002000 + (c * 8 + r) * 640 + (slot * 10 + b) * 8 +
                                                static_cast<std::uint32_t>(k)),
                                      halvane::link::StageWord(k, set.Stages[b]));
                }
    } else {
        EXPECT_EQ(Dialect([](sim::HalvaneDialect& d) { return d.setting("AVC"); }), "1");
        EXPECT_FALSE(Dialect([](sim::HalvaneDialect& d) { return d.bitStore().empty(); }));
    }

    for (int c = 0; c < 2; ++c)
        for (int ch : {0, 1, 2}) {
            const CCurve& target = *document_.CurveSetSlot(c + 4)->Find(ch);
            const double before = roadtest::RmsDeviationDb(*document_.CurveSetSlot(c)->Find(ch), target, 150, 5000);
            const double after = roadtest::RmsDeviationDb(*document_.CurveSetSlot(c + 2)->Find(ch), target, 150, 5000);
            EXPECT_LT(after, before) << c << " " << ch;
            RecordProperty("before_after_" + std::to_string(c) + std::to_string(ch),
                           std::to_string(before) + " " + std::to_string(after));
        }
}

INSTANTIATE_TEST_SUITE_P(Families, RoadEndToEnd, ::testing::Values(4, 7),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param >= 6 ? std::string("Receiver") : std::string("Flagship");
                         });
