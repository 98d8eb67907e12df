// Jobs run under a synchronous host (as the wizard and the job tests run
// them): result codes, failure texts of every kind of exception, the
// completion guard, the order of reports and abort through the running flag.
#include "halvane/diagnostics/TCodedException.h"
#include "halvane/diagnostics/ThrowError.h"
#include "halvane/procedures/framework/CheckAbort.h"
#include "halvane/procedures/framework/DoProcedure.h"
#include "halvane/procedures/framework/DoneGuard.h"
#include "tests/halvane/procedures/framework/ScriptedJob.h"
#include "tests/support/TestProcHost.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

using halvane::procedures::CheckAbort;
using halvane::procedures::DoneGuard;
using halvane::procedures::DoProcedure;
using halvane::procedures::IProcDialog;
using testsupport::TestProcHost;
using Kind = TestProcHost::Kind;

namespace {

// The shape of every job body: guard first, work, dismiss, Done(1).
int completingBody(ScriptedJob&, IProcDialog* host) {
    DoneGuard guard(host);
    host->SetDisplayString("Calculating Movie correction...");
    host->SetRange(3);
    for (int i = 0; i < 3; ++i) {
        CheckAbort(&host->RunningFlag());
        host->Step(1);
    }
    guard.Dismiss();
    host->Done(1);
    return 0;
}

}  // namespace

TEST(HostedProcedure, AJobThatCompletesGivesOneAndItsReportsInOrder) {
    TestProcHost host;
    ScriptedJob job(completingBody);
    const platform::WindowHandle parent{77};
    EXPECT_EQ(DoProcedure(&job, parent, &host), 1);

    const std::vector<TestProcHost::Report> expected = {
        {Kind::Text, 0, "Calculating Movie correction..."},
        {Kind::Range, 3, {}},
        {Kind::Pos, 1, {}},
        {Kind::Pos, 2, {}},
        {Kind::Pos, 3, {}},
        {Kind::Done, 1, {}},
    };
    EXPECT_EQ(host.Reports(), expected);
    EXPECT_EQ(job.completions, 1);
    EXPECT_EQ(job.completedResult, 1);
    EXPECT_FALSE(job.completedError.has_value());
    EXPECT_EQ(job.completedParent, parent);
    EXPECT_EQ(job.Host(), nullptr);  // cleared after the run
    EXPECT_EQ(job.GetWorker(), nullptr);  // a host needs no worker
}

// Whatever leaves the body, the host ends with 2 and the text is the last
// error; nothing escapes to the worker's last-resort handler.
TEST(HostedProcedure, EveryKindOfExceptionEndsTheRunWithTwoAndItsText) {
    struct Case {
        const char* name;
        std::function<void()> fail;
        const char* text;
    };
    const Case cases[] = {
        {"TException", [] { halvane::diagnostics::ThrowErrorText("Could not find a valid Tessik processor."); },
         "Could not find a valid Tessik processor."},
        {"logic_error", [] { throw std::logic_error("Can't increment invalid CSpkrs object"); },
         "Can't increment invalid CSpkrs object"},
        {"TCodedException", [] { throw halvane::diagnostics::TCodedException("Subwoofer response too low"); },
         "Subwoofer response too low"},
        {"bad_alloc", [] { throw std::bad_alloc(); }, "std::bad_alloc"},
        {"int", [] { throw 42; }, "Unrecognized exception"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestProcHost host;
        ScriptedJob job([&](ScriptedJob&, IProcDialog* h) {
            DoneGuard guard(h);
            h->SetDisplayString("Initializing...");
            c.fail();
            return 0;
        });
        EXPECT_EQ(DoProcedure(&job, {}, &host), 2);
        EXPECT_EQ(host.Results(), std::vector<int>{2});
        EXPECT_EQ(job.completedResult, 2);
        ASSERT_TRUE(job.completedError.has_value());
        EXPECT_EQ(*job.completedError, c.text);
    }
}

TEST(HostedProcedure, ExecuteGivesMinusOneForAFailedBodyButTheResultStaysTwo) {
    TestProcHost host;
    ScriptedJob job([](ScriptedJob&, IProcDialog* h) -> int {
        DoneGuard guard(h);
        halvane::diagnostics::ThrowErrorText("Failed to upload/verify coefficients");
    });
    job.SetHost(&host);
    EXPECT_EQ(job.Execute(nullptr), -1);
    EXPECT_EQ(host.GetResult(), 2);
    ASSERT_NE(job.LastError(), nullptr);
    EXPECT_STREQ(job.LastError()->what(), "Failed to upload/verify coefficients");
}

TEST(HostedProcedure, ThousandFailingRunsAllSeeTheirText) {
    TestProcHost host;
    ScriptedJob job([](ScriptedJob&, IProcDialog* h) -> int {
        DoneGuard guard(h);
        halvane::diagnostics::ThrowErrorText("Failed to power on unit.");
    });
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(DoProcedure(&job, {}, &host), 2) << "run " << i;
        ASSERT_EQ(job.completedError.value_or(""), "Failed to power on unit.") << "run " << i;
    }
}

// Jobs without a guard (crossover detection, target recalculation) would
// otherwise leave their host waiting when they fail.
TEST(HostedProcedure, ABodyThatEndsWithoutEndingItsHostEndsItWithTwo) {
    {
        TestProcHost host;
        ScriptedJob job([](ScriptedJob&, IProcDialog*) -> int { throw std::runtime_error("no target curve"); });
        EXPECT_EQ(DoProcedure(&job, {}, &host), 2);
        EXPECT_EQ(host.Results(), std::vector<int>{2});
        EXPECT_EQ(job.completedError.value_or(""), "no target curve");
    }
    {
        TestProcHost host;
        ScriptedJob job([](ScriptedJob&, IProcDialog*) { return 1; });
        EXPECT_EQ(DoProcedure(&job, {}, &host), 2);
        EXPECT_EQ(host.Results(), std::vector<int>{2});
        EXPECT_FALSE(job.completedError.has_value());
    }
}

TEST(HostedProcedure, TheGuardEndsTheHostOnceWithItsResultOrNotAtAllWhenDismissed) {
    {
        // The measurement job's way: the guard's result becomes 1 at the end.
        TestProcHost host;
        ScriptedJob job([](ScriptedJob&, IProcDialog* h) {
            DoneGuard guard(h);
            guard.SetResult(1);
            return 0;
        });
        EXPECT_EQ(DoProcedure(&job, {}, &host), 1);
        EXPECT_EQ(host.Results(), std::vector<int>{1});
    }
    {
        // The upload job's class-mismatch codes pass through unchanged.
        TestProcHost host;
        ScriptedJob job([](ScriptedJob&, IProcDialog* h) {
            DoneGuard guard(h);
            guard.Dismiss();
            h->Done(0xFFFD);
            return 0;
        });
        EXPECT_EQ(DoProcedure(&job, {}, &host), 0xFFFD);
        EXPECT_EQ(host.Results(), std::vector<int>{0xFFFD});
    }
    {
        // A job that ends its host and then fails in its own clean-up: the
        // first end stands, the failure is still reported.
        TestProcHost host;
        ScriptedJob job([](ScriptedJob&, IProcDialog* h) -> int {
            h->Done(1);
            throw halvane::diagnostics::TException("Failed to power off unit.");
        });
        EXPECT_EQ(DoProcedure(&job, {}, &host), 1);
        EXPECT_EQ(host.Results(), std::vector<int>{1});
        EXPECT_EQ(job.completedError.value_or(""), "Failed to power off unit.");
    }
    {
        DoneGuard guard(nullptr);  // no host: nothing to end, no crash
    }
}

// The completion is held until the body has been left, so what the job
// reports after ending (exit actions) still arrives before the end.
TEST(HostedProcedure, ReportsMadeWhileTheBodyIsLeftArriveBeforeTheEnd) {
    TestProcHost host;
    ScriptedJob job([](ScriptedJob&, IProcDialog* h) -> int {
        struct PowerOffOnExit {
            IProcDialog* host;
            ~PowerOffOnExit() { host->SetDisplayString("Powering off"); }
        };
        DoneGuard guard(h);
        PowerOffOnExit powerOff{h};
        h->SetRange(4);
        h->Step(1);
        halvane::diagnostics::ThrowErrorText("Measurement failed");
    });
    EXPECT_EQ(DoProcedure(&job, {}, &host), 2);
    const std::vector<TestProcHost::Report> expected = {
        {Kind::Range, 4, {}}, {Kind::Pos, 1, {}}, {Kind::Text, 0, "Powering off"}, {Kind::Done, 2, {}}};
    EXPECT_EQ(host.Reports(), expected);
}

TEST(HostedProcedure, AnAbortedHostEndsTheJobAtItsNextPollWithTheAbortText) {
    TestProcHost host;
    host.AbortOnText("Measuring Movie Center");
    int measured = 0;
    ScriptedJob job([&](ScriptedJob&, IProcDialog* h) {
        DoneGuard guard(h);
        const std::atomic<std::int32_t>* running = &h->RunningFlag();
        for (const char* channel : {"Left Front", "Center", "Right Front"}) {
            CheckAbort(running);
            h->SetDisplayString(std::string("Measuring Movie ") + channel);
            ++measured;
        }
        CheckAbort(running);
        guard.Dismiss();
        h->Done(1);
        return 0;
    });
    EXPECT_EQ(DoProcedure(&job, {}, &host), 2);
    EXPECT_EQ(measured, 2);
    EXPECT_EQ(job.completedError.value_or(""), "Procedure aborted\n");

    // The next run (the wizard's retry) clears the last error.
    host.ResetRunning();
    host.AbortOnText("");
    EXPECT_EQ(DoProcedure(&job, {}, &host), 1);
    EXPECT_FALSE(job.completedError.has_value());
    EXPECT_EQ(job.LastError(), nullptr);
}

TEST(HostedProcedure, AbortPollsAndTheBaseAbortTouchOnlyTheRunningFlag) {
    EXPECT_TRUE(CheckAbort(nullptr));  // no host: never aborts
    std::atomic<std::int32_t> running{1};
    EXPECT_TRUE(CheckAbort(&running));
    running = 0;
    try {
        CheckAbort(&running);
        FAIL() << "no abort";
    } catch (const halvane::diagnostics::TException& e) {
        EXPECT_EQ(e.message(), "Procedure aborted\n");
    }

    // Abort with a host and no worker (a synchronous run): flag only, no end.
    TestProcHost host;
    ScriptedJob job(completingBody);
    job.SetHost(&host);
    job.Abort();
    EXPECT_TRUE(host.Aborted());
    EXPECT_TRUE(host.Results().empty());
    job.SetHost(nullptr);
    job.Abort();  // no host: nothing to do

    EXPECT_THROW(job.Start(nullptr), std::logic_error);  // no worker yet
    EXPECT_THROW(DoProcedure(nullptr, {}, &host), std::logic_error);
}

TEST(HostedProcedure, StepAndRemainingMoveThePositionFromTheRange) {
    TestProcHost host;
    host.SetRange(10);
    host.Step(3);
    host.Step(2);
    host.SetRemaining(1);
    EXPECT_EQ(host.Position(), 9);
    EXPECT_EQ(host.Total(), 10);
    const std::vector<TestProcHost::Report> expected = {
        {Kind::Range, 10, {}}, {Kind::Pos, 3, {}}, {Kind::Pos, 5, {}}, {Kind::Pos, 9, {}}};
    EXPECT_EQ(host.Reports(), expected);
}
