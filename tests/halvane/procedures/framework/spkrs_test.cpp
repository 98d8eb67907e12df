#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "halvane/diagnostics/TException.h"
#include "halvane/procedures/framework/CSpkrs.h"
#include "halvane/procedures/framework/ChannelNames.h"
#include "halvane/procedures/framework/ChannelSelector.h"
#include "halvane/procedures/framework/GlobalLabels.h"
#include "halvane/procedures/measurement/MeasurementQueue.h"
#include "halvane/procedures/measurement/Posn.h"
#include "platform/ScriptedUserPrompt.h"
#include "platform/UserPrompt.h"

using namespace halvane::procedures;

namespace {

std::string LogicErrorOf(auto&& f) {
    try {
        f();
    } catch (const std::logic_error& e) {
        return e.what();
    }
    return "(no logic error)";
}

TEST(CSpkrs, WalksNamesAndPairsTheChannels) {
    std::vector<std::string> names;
    std::vector<int> pairs;
    CSpkrs s(0);
    do {
        names.push_back(s.ToString());
        pairs.push_back(s.GetPair());
    } while (s.Next());
    EXPECT_EQ(s.Value(), 8);
    EXPECT_EQ(names, (std::vector<std::string>{"Left Front", "Center", "Right Front", "Right Surround",
                                               "Right Rear/Aux", "Left Rear/Aux", "Left Surround", "Subwoofer"}));
    EXPECT_EQ(pairs, (std::vector<int>{2, 8, 0, 6, 5, 4, 3, 8}));
    // Pairs are mutual.
    for (int c = 0; c < 8; ++c)
        if (pairs[c] != 8) {
            EXPECT_EQ(pairs[static_cast<std::size_t>(pairs[c])], c);
        }

    CSpkrs sub(7);
    EXPECT_FALSE(sub.Next());
    EXPECT_EQ(sub.Value(), 8);
    EXPECT_EQ(LogicErrorOf([&] { sub.Next(); }), "Can't increment invalid CSpkrs object");
    EXPECT_EQ(LogicErrorOf([&] { (void)sub.ToString(); }), "Can't convert invalid CSpkrs to string");
    EXPECT_EQ(LogicErrorOf([&] { (void)CSpkrs(-1).GetPair(); }), "Can't get pair of invalid CSpkrs");
}

TEST(ChannelTables, GroupsAndListingOrderComeFromTheOneTable) {
    EXPECT_EQ(GroupNames, (std::array<std::string, 5>{"Front", "Center", "Surround", "Rear", "Subwoofer"}));
    EXPECT_EQ(ChannelGroups, (std::array<int, 8>{0, 1, 0, 2, 3, 3, 2, 4}));
    EXPECT_EQ(ChannelListOrder, (std::array<int, 9>{0, 2, 6, 3, 5, 4, 1, 7, 8}));
    EXPECT_EQ(ChannelNames[7], "Subwoofer");
    // Both channels of a pair belong to one group.
    for (int c = 0; c < 8; ++c)
        if (ChannelPairs[c] != 8) {
            EXPECT_EQ(ChannelGroups[c], ChannelGroups[ChannelPairs[c]]);
        }
}

TEST(ChannelSelector, AcceptsAChannelOrAllAndStopsTheProgramOtherwise) {
    platform::ScriptedUserPrompt prompt;
    platform::SetUserPrompt(&prompt);
    ChannelSelector s;
    s = 8;
    EXPECT_TRUE(s.IsAll());
    s = 0;
    EXPECT_EQ(s.Value(), 0);
    try {
        s = 9;
        ADD_FAILURE() << "no exception";
    } catch (const halvane::diagnostics::TException& e) {
        EXPECT_STREQ(e.what(), "Fatal Error");
    }
    EXPECT_EQ(s.Value(), 0);
    ASSERT_EQ(prompt.asks().size(), 1u);
    EXPECT_EQ(prompt.asks()[0].text, "Application is closing");
    EXPECT_EQ(prompt.asks()[0].caption, "Fatal Error");
    EXPECT_EQ(prompt.asks()[0].flags & platform::MB_ICONMASK, platform::MB_ICONERROR);
    EXPECT_THROW(ChannelSelector(-1), halvane::diagnostics::TException);
    platform::SetUserPrompt(nullptr);
}

TEST(Posn, LabelsAndStepsWithinThePositionCount) {
    const std::int32_t count = halvane::procedures::MeasurementSession{}.PositionCount();
    ASSERT_EQ(count, 5);
    EXPECT_EQ(Posn(0, count).ToString(), "Position 1");
    EXPECT_EQ(Posn(4, count).Label(), "Position 5");
    EXPECT_EQ(Posn(5, count).Label(), "Posn Out Of Range");
    EXPECT_EQ(Posn(5, 6).Label(), "Position 6");
    EXPECT_EQ(LogicErrorOf([&] { (void)Posn(5, count).ToString(); }), "Can't convert invalid Posn to string");
    Posn p(0, count);
    int steps = 1;
    while (p.Next()) ++steps;
    EXPECT_EQ(steps, 5);
    EXPECT_EQ(LogicErrorOf([&] { p.Next(); }), "Can't increment invalid Posn object");
    EXPECT_EQ(LogicErrorOf([&] { Posn(-1, count).Next(); }), "Can't increment invalid Posn object");
}

TEST(MeasurementQueue, VisitsEveryChannelAtOnePositionBeforeTheNext) {
    halvane::procedures::MeasurementSession session;
    session.SelectedChannels()[1] = {{0, 7}, {1, 0}, {2, 1}};
    session.PositionsPerConfiguration()[1] = 5;
    session.SetPositionCount(7);
    MeasurementQueue q;
    q.Append({3, 3});  // left over from an earlier run
    BuildMeasurementQueue(session, q, 1);
    ASSERT_EQ(q.Count(), 15);
    EXPECT_EQ(session.PositionCount(), 5);
    EXPECT_EQ(q.Peek(), (MeasurementItem{7, 0}));
    int taken = 0;
    while (!q.IsEmpty()) {
        const bool last = q.IsLastOfPosition();
        const MeasurementItem item = q.Pop();
        ++taken;
        EXPECT_EQ(last, taken % 3 == 0) << taken;
        EXPECT_EQ(item.position, (taken - 1) / 3);
        EXPECT_EQ(item.channel, (std::array<int, 3>{7, 0, 1})[(taken - 1) % 3]);
    }
    EXPECT_EQ(LogicErrorOf([&] { q.Peek(); }), "Can't peek on empty stack");
    EXPECT_EQ(LogicErrorOf([&] { q.Pop(); }), "Can't pop on empty stack");
    EXPECT_EQ(LogicErrorOf([&] { (void)q.IsLastOfPosition(); }), "Can't peek on empty stack");

    q.Append({2, 0});
    EXPECT_TRUE(q.IsLastOfPosition());
    EXPECT_EQ(q.Count(), 1);
}

TEST(MeasurementQueue, RefusesPositionCountsOutsideFiveToTen) {
    halvane::procedures::MeasurementSession session;
    session.SelectedChannels()[0] = {{0, 0}};
    session.SetPositionCount(7);
    for (int n : {4, 11}) {
        session.PositionsPerConfiguration()[0] = n;
        MeasurementQueue q;
        q.Append({0, 0});
        try {
            BuildMeasurementQueue(session, q, 0);
            ADD_FAILURE() << n;
        } catch (const halvane::diagnostics::TException& e) {
            EXPECT_STREQ(e.what(), "Count out of range");
        }
        EXPECT_TRUE(q.IsEmpty());
        EXPECT_EQ(session.PositionCount(), 7);
    }
    session.PositionsPerConfiguration()[0] = 10;
    MeasurementQueue q;
    BuildMeasurementQueue(session, q, 0);
    EXPECT_EQ(q.Count(), 10);
    EXPECT_EQ(session.PositionCount(), 10);
}

TEST(GlobalLabels, ComeFromTheStringTableAndFormatByPosition) {
    LoadGlobalLabels();
    const auto& l = GlobalLabels();
    EXPECT_EQ(l.no, "No");
    EXPECT_EQ(l.yes, "Yes");
    EXPECT_EQ(l.offDisabled, "Off/Disabled");
    EXPECT_EQ(l.small, "Small");
    EXPECT_EQ(l.large, "Large");
    EXPECT_EQ(l.configurationNames, (std::array<std::string, 2>{"Movie", "Music"}));
    EXPECT_EQ(ValueLabel(-12).text, "-12");
    EXPECT_EQ(FormatRangeText("-10", "10", "x"), "[-10 - 10]");
}

}  // namespace
