#pragma once
// The measurement job's headless test bed: the scripted processor, the
// simulated microphone as the recorder, a willing user, scripted dialogs and
// the test host, and a document to fill.
#include "halvane/design/CCurveCorrectionManager.h"
#include "halvane/document/CHalvaneDoc.h"
#include "halvane/procedures/measurement/RunMeasurementProcedure.h"
#include "halvane/signal/ButterworthFilter.h"
#include "tests/halvane/procedures/measurement/MeasurementFakes.h"
#include "tests/halvane/procedures/measurement/ScriptedMeasurementUi.h"
#include "tests/support/CalibratedTruth.h"
#include "tests/support/TestProcHost.h"

#include <cmath>
#include <complex>
#include <numbers>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

using halvane::procedures::MeasurementSelection;
using testsupport::TestProcHost;


// Answers every question as a willing user would (OK, Yes), unless the test
// scripts a rule; records what was asked.
class WillingPrompt final : public platform::UserPrompt {
public:
    struct Ask {
        std::string text, caption;
        unsigned flags;
    };
    std::function<int(const Ask&)> rule;
    std::vector<Ask> asks;
    std::function<void(const Ask&, int)> onAnswer;

protected:
    int show(const std::string& text, const std::string& caption, unsigned flags, platform::WindowHandle) override {
        const Ask ask{text, caption, flags};
        asks.push_back(ask);
        int answer = 0;
        if (rule) answer = rule(ask);
        if (answer == 0) {
            const unsigned type = flags & platform::MB_TYPEMASK;
            answer = type == platform::MB_YESNO || type == platform::MB_YESNOCANCEL ? platform::IDYES : platform::IDOK;
        }
        if (onAnswer) onAnswer(ask, answer);
        return answer;
    }
};

struct MeasurementJob : ::testing::Test {
    // Never opened: the fake unit answers for the processor.
    halvane::link::Comm::CBasicTessikPort port;
    FakeUnit unit{0, 1, port};
    sim::Room room{5};
    FakeRecorder recorder{unit, room};
    WillingPrompt prompt;
    ScriptedSpeakerSelection selection;
    ScriptedConflictUi conflicts;
    TestProcHost host;
    halvane::document::CHalvaneDoc document{halvane::document::CHalvaneDoc::Services{nullptr, &prompt, nullptr}};
    SimMicCalibration calibration;
    halvane::procedures::MeasurementServices services;

    void SetUp() override {
        services.recorder = &recorder;
        services.speakerSelection = &selection;
        services.conflicts = &conflicts;
        services.prompt = &prompt;
        services.calibration = &calibration;
        // Fronts and centre, 5 positions, Music on its own.
        selection.edit = [](MeasurementSelection& s) {
            for (auto& groups : s.groups) groups = {1, 1, 0, 0, 0};
            s.useMovieMeasurements = 0;
        };
        // A loud sweep (-6 dBFS), which the fixture's calibration reads well
        // above the level checks' 40 dB minimum even 30 dB down; quiet noise.
        recorder.Mic().setKnobs([] {
            sim::MicKnobs k;
            k.sweepPeakDbfs = -6;
            k.noiseDbfs = -90;
            return k;
        }());
    }

    // Measure only these groups (Front, Center, Surround, Rear, Subwoofer)
    // in Movie; Music reuses Movie.
    void measureMovieOnly(std::array<std::int32_t, 5> groups) {
        selection.edit = [groups](MeasurementSelection& s) {
            s.groups[0] = groups;
            s.useMovieMeasurements = 1;
        };
    }
    bool asked(const std::string& text) const {
        return std::any_of(prompt.asks.begin(), prompt.asks.end(), [&](const auto& a) { return a.text == text; });
    }
    int count(const std::string& call) const { return static_cast<int>(std::count(unit.calls.begin(), unit.calls.end(), call)); }

    bool run() { return halvane::procedures::RunMeasurementProcedure(platform::WindowHandle{5}, &document, &host, services); }

    std::string lastError() const {
        const auto texts = prompt.asks;
        return texts.empty() ? std::string() : texts.back().text;
    }
    std::vector<std::string> tail(std::size_t n) const {
        return std::vector<std::string>(unit.calls.end() - static_cast<std::ptrdiff_t>(std::min(n, unit.calls.size())),
                                        unit.calls.end());
    }
    int curves(int slot) {
        int n = 0;
        const halvane::signal::CMeasSet* set = document.MeasSetSlot(slot);
        for (int p = 0; p < set->Count(); ++p) n += set->Position(p)->Count();
        return n;
    }
    std::vector<std::string> promptTexts() const {
        std::vector<std::string> out;
        for (const auto& a : prompt.asks) out.push_back(a.text);
        return out;
    }
};

inline const std::vector<std::string> kExitOrder = {"EndMeasurement", "PowerOff(0)", "Disconnect"};


// What the job should store for a channel at a position: the room's path
// through the microphone's level (4 from the processing's transform scales,
// the sweep's level and the recorder's 32768 / 32767) and its frequency
// response, the processing's 10 Hz high-pass, then the same input
// correction and smoothing the job applies. In dB. Where the calibration is
// the one of the microphone the simulated one stands for, the correction
// takes the microphone's response out again.
inline halvane::signal::CCurve TruthCurve(const sim::Room& room, sim::Microphone& mic, halvane::procedures::ICalibrationSource& source, int ch,
                         int p) {
    halvane::signal::CCurve truth = testsupport::CalibratedTruth(room, mic, source, ch, p, 1);
    truth.Smooth(6, 25, 5, 48000);
    truth.ToDecibel();
    return truth;
}
