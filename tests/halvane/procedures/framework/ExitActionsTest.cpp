// The one way every job (measurement, upload, erase, Quick Measure) leaves
// the processor: what runs, in which order, and which failure is told.

#include "halvane/diagnostics/TException.h"
#include "halvane/procedures/framework/ExitActions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using halvane::procedures::ExitActions;
using halvane::diagnostics::TException;

// Tone off before the measurement mode ends, before the power goes off:
// newest first, and a failing one stops none of the others. RunAll then
// raises the first failure, so a job's successful road still fails on it.
TEST(ExitActions, RunNewestFirstEachWhateverTheOthersDidAndRaiseTheFirstFailure) {
    std::vector<std::string> ran;
    ExitActions exits;
    exits.Arm([&] { ran.push_back("release"); });
    exits.Arm([&] {
        ran.push_back("power off");
        throw TException("Failed to power off Unit");
    });
    const auto endUpload = exits.Arm([&] { ran.push_back("end upload"); });
    exits.Arm([&] {
        ran.push_back("tone off");
        throw TException("Failed to stop the tone");
    });
    exits.Dismiss(endUpload);  // its step ended well
    try {
        exits.RunAll();
        FAIL() << "a failing exit action must fail the road that ran it";
    } catch (const TException& e) {
        EXPECT_EQ(e.message(), "Failed to stop the tone");
    }
    EXPECT_EQ(ran, (std::vector<std::string>{"tone off", "power off", "release"}));
    // Run once: leaving the scope afterwards runs nothing again.
}

// Leaving by a failure runs every armed action; their own failures are
// dropped, and the failure that is leaving the job is the one told.
TEST(ExitActions, LeavingByAFailureRunsThemAllAndKeepsThatFailure) {
    std::vector<std::string> ran;
    try {
        ExitActions exits;
        exits.Arm([&] { ran.push_back("release"); });
        exits.Arm([&] {
            ran.push_back("end measurement");
            throw TException("Failed to get expected response");
        });
        throw TException("Connection to unit was lost.");
    } catch (const TException& e) {
        EXPECT_EQ(e.message(), "Connection to unit was lost.");
    }
    EXPECT_EQ(ran, (std::vector<std::string>{"end measurement", "release"}));
}

}  // namespace
