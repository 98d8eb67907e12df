// The read-back after a bulk send, against a link that records what is
// queued and hands replies over by hand: what counts as the unit holding a
// value, what is sent again, and what the user is told.

#include "pellivar/CGammaList.h"
#include "pellivar/LastResort.h"
#include "pellivar/ReadBack.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace pellivar::test {
namespace {

class RecordingLink final : public UnitLink {
public:
    void UpdateUnitWithString(const std::string& text) override { sent.push_back(text); }
    bool Subscribe(SItemPtr item) override {
        items.push_back(item);
        return true;
    }
    void Unsubscribe(const SItem* item) override {
        std::erase_if(items, [item](const SItemPtr& p) { return p.get() == item; });
    }
    // Hands a reply line to every subscription whose key begins it.
    void reply(const std::string& line) {
        for (const auto& item : std::vector<SItemPtr>(items))
            if (item->Matches(line)) item->OnReply(line);
    }
    std::vector<std::string> sent;
    std::vector<SItemPtr> items;
};

TEST(ReadBack, AValueIsConfirmedOnlyByItsOwnReplyWithTheValueSent) {
    RecordingLink link;
    {
        ReadBack check(link);
        check.AddSet("CD contrast", "fcs050", "fc?0");
        check.AddSet("TUNER width", "fWs41919", "fW?4");
        check.AddSet("pixel rate (high half)", "fUse04ad", "fU?e");
        ASSERT_EQ(check.size(), 3u);
        EXPECT_EQ(link.items.size(), 1u);  // one subscription serves every "f..." reply
        EXPECT_EQ(check.QueueQueries(), 3u);
        EXPECT_EQ(link.sent, (std::vector<std::string>{"fc?0", "fW?4", "fU?e"}));
        link.reply("fc050");
        link.reply("fW4191");   // "fWs41919" lost its last digit on the way
        link.reply("fUe04AD");  // hex in either case
        link.reply("fc150");    // another source's value: not this one
        check.Settle();
        EXPECT_EQ(check.state(0), ReadBack::State::Confirmed);
        EXPECT_EQ(check.state(1), ReadBack::State::Differs);
        EXPECT_EQ(check.got(1), "191");
        EXPECT_EQ(check.state(2), ReadBack::State::Confirmed);
        EXPECT_EQ(check.Outstanding(), 1u);

        // Only what differs is sent again and asked again.
        link.sent.clear();
        EXPECT_EQ(check.QueueResends(), 1u);
        EXPECT_EQ(check.QueueQueries(), 1u);
        EXPECT_EQ(link.sent, (std::vector<std::string>{"fWs41919", "fW?4"}));
        // A reply that never comes leaves it unconfirmed, and the report
        // names it with what was sent.
        check.Settle();
        EXPECT_EQ(check.state(1), ReadBack::State::NoReply);
        EXPECT_EQ(check.Report(),
                  "1 value(s) in the unit may differ from what was sent (0 read back different, 1 not confirmed):\n"
                  "TUNER width: sent 1919, not confirmed");
        check.QueueQueries();
        link.reply("fW41919");
        check.Settle();
        EXPECT_EQ(check.Outstanding(), 0u);
        EXPECT_EQ(check.Report(), "");
    }
    EXPECT_TRUE(link.items.empty());  // the check leaves no subscription behind
}

// A command that loses a byte on the way can set another value: source
// 10's "fXsd101" arrives as "fXs101", source 1's. Sending a value again puts
// every value it could turn into back on the list to read.
TEST(ReadBack, ValuesASentAgainCommandCouldHitAreReadAgain) {
    RecordingLink link;
    ReadBack check(link);
    check.AddSet("source 1", "fXs1101", "fX?1");
    check.AddSet("source 10", "fXsd101", "fX?d");
    check.AddSet("source 10 saturation", "fssd50", "fs?d");
    check.AddSet("source 3", "fXs3101", "fX?3");
    check.QueueQueries();
    link.reply("fX1101");
    link.reply("fXd100");
    link.reply("fsd50");
    link.reply("fX3101");
    check.Settle();
    ASSERT_EQ(check.Outstanding(), 1u);
    link.sent.clear();
    check.QueueResends();
    EXPECT_EQ(check.QueueQueries(), 2u);
    EXPECT_EQ(link.sent, (std::vector<std::string>{"fXsd101", "fX?1", "fX?d"}));
    // No byte lost from "fXsd101" makes a set of these ("fsd101" is none).
    EXPECT_EQ(check.state(2), ReadBack::State::Confirmed);
    EXPECT_EQ(check.state(3), ReadBack::State::Confirmed);
}

TEST(ReadBack, AGammaCurveIsCheckedSlotBySlotAndReportsAreCut) {
    RecordingLink link;
    ReadBack check(link);
    CGammaList curve;  // the default: 17 points
    check.AddCurve(2, curve, "Custom Gamma 2 Green", 30);
    ASSERT_EQ(check.size(), 30u);
    EXPECT_EQ(check.item(0).query, "fI?200");
    EXPECT_EQ(check.item(0).key, "fI200");
    EXPECT_EQ(check.item(0).expected, "000000");
    EXPECT_EQ(check.item(29).expected, "AAAAAA");
    // A wrong point sends the point and the curve's end again.
    EXPECT_EQ(check.item(1).resend.size(), 2u);
    EXPECT_EQ(check.item(29).resend.size(), 1u);
    check.QueueQueries();
    check.Settle();
    const std::string report = check.Report();
    EXPECT_EQ(report.rfind("30 value(s) in the unit may differ", 0), 0u) << report;
    EXPECT_NE(report.find("\nCustom Gamma 2 Green, point 2: sent (64, 64), not confirmed"), std::string::npos) << report;
    EXPECT_NE(report.find("\nCustom Gamma 2 Green, point 12: sent"), std::string::npos) << report;
    EXPECT_EQ(report.find("point 13:"), std::string::npos) << report;
    EXPECT_NE(report.find("\n... and 18 more."), std::string::npos) << report;
}

TEST(LastResort, AFailureThatEscapesIsShownAndEndsWithAnErrorCode) {
    std::vector<std::string> shown;
    const auto show = [&](const std::string& t) { shown.push_back(t); };
    EXPECT_EQ(GuardedRun([] { return 0; }, show), 0);
    EXPECT_NE(GuardedRun([]() -> int { throw std::runtime_error("Port table damaged"); }, show), 0);
    EXPECT_NE(GuardedRun([]() -> int { throw 42; }, show), 0);
    EXPECT_EQ(shown, (std::vector<std::string>{"Port table damaged\n\nApplication is closing.", "Unrecognized exception"}));
}

}  // namespace
}  // namespace pellivar::test
