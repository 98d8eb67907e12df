// The gamma curves' exchange with the processor: the command strings, the
// in-place rebuild from replies, and both against the simulated processor.

#include "LinkFixture.h"
#include "pellivar/CSItemVector.h"
#include "pellivar/GammaCurveExchange.h"
#include "platform/ScriptedUserPrompt.h"

#include <gtest/gtest.h>

namespace pellivar {
namespace {

// Records what would be handed to the communicator (text and "\n").
class RecordingLink final : public UnitLink {
public:
    void UpdateUnitWithString(const std::string& text) override { sent.push_back(text + "\n"); }
    bool Subscribe(SItemPtr item) override { return list->Subscribe(std::move(item)); }
    void Unsubscribe(const SItem* item) override { list->Unsubscribe(item); }

    QueuedPoster poster;
    std::shared_ptr<CSItemVector> list = CSItemVector::Create(poster);
    std::vector<std::string> sent;
};

using Reply = GammaCurveExchange::Reply;

class GammaExchange : public ::testing::Test {
protected:
    std::array<CGammaList, 4> curves;
    RecordingLink link;
    platform::ScriptedUserPrompt prompt;
    GammaCurveExchange exchange{curves, &link, &prompt};

    std::vector<std::string> texts() {
        std::vector<std::string> out;
        for (const auto& a : prompt.asks()) {
            EXPECT_EQ(a.caption, "Error");
            out.push_back(a.text);
        }
        return out;
    }
};

TEST_F(GammaExchange, TheDefaultCurveGoesOutAsSeventeenPointsAndItsEndMarker) {
    ASSERT_TRUE(exchange.SendCurve(0));
    ASSERT_EQ(link.sent.size(), 19u);
    EXPECT_EQ(link.sent[0], "\n\n");  // the empty line
    EXPECT_EQ(link.sent[1], "fIs000000000\n");
    EXPECT_EQ(link.sent[3], "fIs002080080\n");
    EXPECT_EQ(link.sent[16], "fIs00f3c03c0\n");  // index 15 is "0f"
    EXPECT_EQ(link.sent[17], "fIs0103ff3ff\n");  // index 16 is "10"
    EXPECT_EQ(link.sent[18], "fIs011AAAAAA\n");
    EXPECT_EQ(GammaCurveExchange::PointCommand(2, 2, {128, 128}), "fIs202080080");

    link.sent.clear();
    EXPECT_TRUE(exchange.SendPoint(3, curves[3].GetAt(4), 4));
    EXPECT_TRUE(exchange.SendPoint(3, nullptr, 4));
    EXPECT_FALSE(exchange.SendPoint(4, nullptr, 0));
    EXPECT_FALSE(exchange.SendPoint(0, curves[0].GetAt(0), 30));
    EXPECT_EQ(link.sent, (std::vector<std::string>{"fIs304100100\n", "fIs311AAAAAA\n"}));
}

TEST_F(GammaExchange, SelectionsAndRequests) {
    EXPECT_EQ(exchange.SendCurves(2), 1);
    EXPECT_EQ(link.sent.size(), 3u * 19u);
    EXPECT_EQ(link.sent[19], "\n\n");
    EXPECT_EQ(link.sent[20], "fIs200000000\n");
    link.sent.clear();
    EXPECT_EQ(exchange.SendCurves(3), 0);
    EXPECT_EQ(exchange.RequestCurves(-1), 0);
    EXPECT_TRUE(link.sent.empty());

    EXPECT_EQ(exchange.RequestCurves(1), 1);
    ASSERT_EQ(link.sent.size(), 31u);
    EXPECT_EQ(link.sent[0], "\n\n");
    EXPECT_EQ(link.sent[1], "fI?000\n");
    EXPECT_EQ(link.sent[16], "fI?00f\n");
    EXPECT_EQ(link.sent[30], "fI?01d\n");
    link.sent.clear();
    EXPECT_EQ(exchange.RequestCurves(0), 1);
    EXPECT_EQ(link.sent.size(), 4u * 31u);
    EXPECT_EQ(link.sent[31 * 3 + 1], "fI?300\n");

    // A curve the processor would not take is not sent at all.
    link.sent.clear();
    curves[1].SetPoints({{0, 0}, {1, 1}, {2, 2}});
    EXPECT_FALSE(exchange.SendCurve(1));
    EXPECT_EQ(exchange.SendCurves(0), 0);  // curves 0, 2 and 3 still go
    EXPECT_EQ(link.sent.size(), 3u * 19u);
}

TEST_F(GammaExchange, RepliesRebuildTheCurveInPlace) {
    std::vector<int> changed;
    exchange.SetChangedHandler([&](int c) { changed.push_back(c); });
    EXPECT_EQ(exchange.OnGammaReply("fI0050ff0ff"), Reply::Updated);
    EXPECT_EQ(*curves[0].GetAt(5), (CGammaPoint{255, 255}));
    EXPECT_EQ(exchange.OnGammaReply("fI?005"), Reply::Echo);
    // Index equal to the count appends; beyond it is ignored.
    curves[1].SetPoints({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8}, {9, 9}});
    EXPECT_EQ(exchange.OnGammaReply("fI10a3ff000"), Reply::Updated);
    EXPECT_EQ(curves[1].GetCount(), 11);
    EXPECT_EQ(*curves[1].GetAt(10), (CGammaPoint{1023, 0}));
    EXPECT_EQ(exchange.OnGammaReply("fI10c001001"), Reply::Ignored);
    // The end marker cuts the curve at its index.
    EXPECT_EQ(exchange.OnGammaReply("fI107AAAAAA"), Reply::Cut);
    EXPECT_EQ(curves[1].GetCount(), 7);
    EXPECT_EQ(exchange.OnGammaReply("fI108AAAAAA"), Reply::Ignored);
    EXPECT_EQ(curves[1].GetCount(), 7);
    EXPECT_TRUE(prompt.asks().empty());
    EXPECT_EQ(changed, (std::vector<int>{0, 1, 1}));
}

TEST_F(GammaExchange, MalformedRepliesAreReportedAndRecoveredFrom) {
    // Wrong length: warned about, parsed as far as it goes (y = "0f").
    EXPECT_EQ(exchange.OnGammaReply("fI2030100f"), Reply::Updated);
    EXPECT_EQ(*curves[2].GetAt(3), (CGammaPoint{16, 15}));
    // Blanks read as '0'.
    EXPECT_EQ(exchange.OnGammaReply("fI2 4 10 20"), Reply::Updated);
    EXPECT_EQ(*curves[2].GetAt(4), (CGammaPoint{16, 32}));
    // No curve, or no point index, or no coordinates: ignored with a message.
    const CGammaList before = curves[2];
    EXPECT_EQ(exchange.OnGammaReply("fI7050ff0ff"), Reply::Unparsable);
    EXPECT_EQ(exchange.OnGammaReply("fI"), Reply::Unparsable);
    EXPECT_EQ(exchange.OnGammaReply("fI2"), Reply::Unparsable);
    EXPECT_EQ(exchange.OnGammaReply("fI2zz0ff0ff"), Reply::Unparsable);
    EXPECT_EQ(exchange.OnGammaReply("fI203"), Reply::Unparsable);
    EXPECT_EQ(curves[2], before);
    const std::string wrong = GammaCurveExchange::kWrongLengthText;
    const std::string cannot = GammaCurveExchange::kCannotParseText;
    EXPECT_EQ(texts(), (std::vector<std::string>{wrong, cannot, wrong, cannot, wrong, cannot, cannot, wrong, cannot}));
}

TEST_F(GammaExchange, ACurveCutBelowFivePointsIsTheDefaultAndStaysSoUntilTheNextRequest) {
    // The processor holds 3 points: slots 0-2, then markers for 3-29.
    EXPECT_EQ(exchange.OnGammaReply("fI3000000000"), Reply::Updated);  // 12 characters: warned
    prompt.answers({});
    EXPECT_EQ(exchange.OnGammaReply("fI301200300"), Reply::Updated);
    EXPECT_EQ(exchange.OnGammaReply("fI3023ff3ff"), Reply::Updated);
    EXPECT_EQ(exchange.OnGammaReply("fI303AAAAAA"), Reply::Reset);
    EXPECT_EQ(curves[3], CGammaList());
    // The later markers would cut the fresh default curve.
    for (int i = 4; i < 30; ++i) {
        char line[16];
        std::snprintf(line, sizeof line, "fI3%02xAAAAAA", i);
        EXPECT_EQ(exchange.OnGammaReply(line), Reply::Ignored);
    }
    EXPECT_EQ(curves[3], CGammaList());
    const auto t = texts();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[1], "Can't parse gamma curve responce from unit for curve 3. Using standard linear curve.");
    // A new request takes replies again.
    exchange.RequestCurve(3);
    EXPECT_EQ(exchange.OnGammaReply("fI305100100"), Reply::Updated);
    // Other curves were never held back.
    EXPECT_EQ(exchange.OnGammaReply("fI0050ff0ff"), Reply::Updated);
}

// A curve whose x does not rise from point to point is not sent, and one
// read back so from the processor becomes the default at its end marker.
TEST_F(GammaExchange, ACurveOutOfOrderIsNeitherSentNorKept) {
    curves[1].SetPoints({{0, 0}, {300, 300}, {200, 200}, {600, 600}, {1023, 1023}});
    EXPECT_FALSE(exchange.SendCurve(1));
    EXPECT_EQ(exchange.SendCurves(2), 0);
    curves[1].SetPoints({{0, 0}, {200, 200}, {200, 300}, {600, 600}, {1023, 1023}});
    EXPECT_FALSE(exchange.SendCurve(1));
    EXPECT_TRUE(link.sent.size() == 2u * 19u);  // curves 2 and 3 only

    prompt.answers({});
    const char* replies[] = {"fI200000000", "fI201100100", "fI202080080", "fI203200200", "fI2043ff3ff"};
    for (const char* r : replies) EXPECT_EQ(exchange.OnGammaReply(r), Reply::Updated);
    EXPECT_EQ(exchange.OnGammaReply("fI205AAAAAA"), Reply::Reset);
    EXPECT_EQ(curves[2], CGammaList());
    EXPECT_EQ(texts(), std::vector<std::string>{
                           "Can't parse gamma curve responce from unit for curve 2. Using standard linear curve."});
}

TEST_F(GammaExchange, SubscribesToEveryGammaReply) {
    exchange.Subscribe();
    EXPECT_EQ(link.list->size(), 1u);
    link.list->Dispatch("fI0000100ff");
    link.list->Dispatch("fc050");
    link.poster.drain();
    EXPECT_EQ(*curves[0].GetAt(0), (CGammaPoint{16, 255}));
    exchange.Subscribe();  // again: still one
    EXPECT_EQ(link.list->size(), 1u);
    exchange.Unsubscribe();
    EXPECT_EQ(link.list->size(), 0u);
}

// Against the simulated processor through the pty.
class GammaOverLink : public test::LinkFixture {
protected:
    void SetUp() override {
        LinkFixture::SetUp();
        ASSERT_EQ(searchAll(), 1);
        clearRaw();
        exchange_ = std::make_unique<GammaCurveExchange>(curves_, link_.get(), &prompt_);
        exchange_->Subscribe();
    }
    void TearDown() override {
        exchange_.reset();
        LinkFixture::TearDown();
    }
    std::array<CGammaList, 4> curves_;
    platform::ScriptedUserPrompt prompt_;
    std::unique_ptr<GammaCurveExchange> exchange_;
};

TEST_F(GammaOverLink, ASentCurveArrivesOnTheProcessor) {
    curves_[2].SetPoints({{0, 10}, {100, 120}, {400, 380}, {800, 900}, {1000, 1010}, {1023, 1023}});
    ASSERT_TRUE(exchange_->SendCurve(2));
    ASSERT_TRUE(waitForRaw("fIs206AAAAAA;\n"));
    EXPECT_EQ(raw().substr(0, 3 + 14), "\n;\nfIs20000000a;\n");
    dialect([&](sim::PellivarDialect& d) {
        EXPECT_EQ(d.curveCount(2), 6);
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(d.curvePoint(2, i).x, curves_[2].GetAt(i)->x);
            EXPECT_EQ(d.curvePoint(2, i).y, curves_[2].GetAt(i)->y);
        }
        EXPECT_TRUE(d.anomalies().empty());
    });
}

TEST_F(GammaOverLink, ARequestedCurveIsRebuiltFromTheProcessorsReplies) {
    // The unit holds 8 points on curve 1 and 3 on curve 2; the document has
    // 17 on each. Curve 1 is cut to 8; curve 2 falls back to the default,
    // with one message, despite the 27 end markers that follow.
    dialect([](sim::PellivarDialect& d) {
        d.setCurve(1, {{0, 0}, {50, 90}, {200, 300}, {400, 500}, {600, 640}, {800, 810}, {900, 1000}, {1023, 1023}});
        d.setCurve(2, {{0, 0}, {512, 700}, {1023, 1023}});
        d.knobs().echoQueries = true;
    });
    curves_[2].SetPoints({{0, 0}, {10, 10}, {20, 20}, {30, 30}, {40, 40}, {50, 50}});
    std::vector<int> changed;
    exchange_->SetChangedHandler([&](int c) { changed.push_back(c); });
    ASSERT_EQ(exchange_->RequestCurves(2), 1);
    const bool done = poster_.drainUntil([&] { return raw().find("fI?31d;\n") != std::string::npos &&
                                                      comm_->QueuedCommands() == 0 && changed.size() >= 8 + 4 + 17 + 1; },
                                         20000);
    poster_.drainUntil([] { return false; }, 300);  // the last replies in flight
    ASSERT_TRUE(done);
    EXPECT_EQ(curves_[1].Points(),
              (std::vector<CGammaPoint>{{0, 0}, {50, 90}, {200, 300}, {400, 500}, {600, 640}, {800, 810}, {900, 1000},
                                        {1023, 1023}}));
    EXPECT_EQ(curves_[2], CGammaList());
    EXPECT_EQ(curves_[3], CGammaList());  // the unit's default curve, point for point
    const auto asks = prompt_.asks();
    ASSERT_EQ(asks.size(), 1u);
    EXPECT_EQ(asks[0].text, "Can't parse gamma curve responce from unit for curve 2. Using standard linear curve.");
    EXPECT_NE(raw().find("\n;\nfI?100;\nfI?101;\n"), std::string::npos);
}

}  // namespace
}  // namespace pellivar
