// Command addressing and the reply hand-over, without a port: lines are fed
// to the subscription list as the reader would, and the test drains the
// user-interface queue by hand.

#include "pellivar/CSItemVector.h"
#include "pellivar/CommandSpec.h"
#include "pellivar/LineSplitter.h"
#include "pellivar/Poster.h"
#include "pellivar/SHItem.h"
#include "pellivar/SSItem.h"
#include "pellivar/SubscribedInt.h"

#include <gtest/gtest.h>

namespace pellivar {
namespace {

TEST(CommandSpec, ChannelCharactersKeysSetsAndQueries) {
    EXPECT_EQ(CommandSpec::ChannelChar(0), '0');
    EXPECT_EQ(CommandSpec::ChannelChar(9), '9');
    EXPECT_EQ(CommandSpec::ChannelChar(10), 'd');
    EXPECT_EQ(CommandSpec::ChannelChar(16), 'j');
    EXPECT_EQ(CommandSpec::ChannelChar(19), 'm');
    EXPECT_EQ(CommandSpec::ChannelChar(99), 'c');
    EXPECT_EQ(CommandSpec::ChannelChar(100), 'd');
    EXPECT_EQ(CommandSpec::ChannelChar(101), 'e');
    EXPECT_EQ(CommandSpec::ChannelChar(-1), '\xff');

    const CommandSpec source12("fc", CommandSpec::kDecimal, 12);
    EXPECT_EQ(source12.ReplyKey(), "fcf");
    EXPECT_EQ(source12.BuildQuery(), "fc?f");
    EXPECT_EQ(CommandSpec("fc", CommandSpec::kDecimal, 0).BuildSet(50), "fcs050");
    EXPECT_EQ(CommandSpec("fc", CommandSpec::kDecimal, 3).BuildQuery(), "fc?3");

    const CommandSpec offset("fU", CommandSpec::kDecimal, 99);
    EXPECT_EQ(offset.ReplyKey(), "fUc");
    EXPECT_EQ(offset.BuildQuery(), "fU?c");
    EXPECT_EQ(offset.BuildSet(-3), "fUsc-3");

    EXPECT_EQ(CommandSpec("P1S", CommandSpec::kCharacter, -1).ReplyKey(), "P1S");
    // A control without a command sends and subscribes nothing.
    const CommandSpec none("", CommandSpec::kDecimal, 4);
    EXPECT_EQ(none.ReplyKey(), "");
    EXPECT_EQ(none.BuildSet(5), "");
    EXPECT_EQ(none.BuildQuery(), "");
}

TEST(CommandSpec, ParsesOnlyItsOwnChannel) {
    const CommandSpec contrast("fc", CommandSpec::kDecimal, 0);
    int v = 7;
    EXPECT_TRUE(contrast.Parse("fc050", v));
    EXPECT_EQ(v, 50);
    v = 7;
    EXPECT_FALSE(contrast.Parse("fc150", v));
    EXPECT_EQ(v, 7);
    EXPECT_FALSE(contrast.Parse("fc0", v));  // the key alone: no value
    EXPECT_EQ(v, 7);
    EXPECT_FALSE(contrast.Parse("fc0abc", v));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(contrast.Parse("fc0-12xyz", v));  // scanf stops at the first non-digit
    EXPECT_EQ(v, -12);
    EXPECT_FALSE(contrast.Parse("fc099999999999", v));  // too large for an int: unchanged
    EXPECT_EQ(v, -12);
    int c = 0;
    EXPECT_TRUE(CommandSpec("P1S", CommandSpec::kCharacter, -1).Parse("P1S\xff" "f", c));
    EXPECT_EQ(c, 'f');
}

TEST(LineSplitter, CutsAtLineFeedsAndCarriesPartialLines) {
    std::vector<std::string> lines;
    LineSplitter splitter([&](const std::string& l) { lines.push_back(l); });
    splitter.Feed("fc0");
    EXPECT_TRUE(lines.empty());
    splitter.Feed("50\nfb");
    splitter.Feed(std::string_view("05\0" "0\n\n", 6));
    EXPECT_EQ(lines, (std::vector<std::string>{"fc050", "fb050", ""}));
    EXPECT_EQ(splitter.CarryOver(), "");

    // A run with no line end is bounded.
    lines.clear();
    splitter.Feed(std::string(5000, 'x'));
    EXPECT_LE(splitter.CarryOver().size(), LineSplitter::kMaxLine);
    splitter.Feed("\nfc1\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "fc1");
}

class Window final : public ReplyWindow {
public:
    void OnControlRequestCompleted(const std::string& reply) override { lines.push_back(reply); }
    std::vector<std::string> lines;
};

class Value final : public Notifiable {
public:
    void OnReply(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> lines;
};

class Subscriptions : public ::testing::Test {
protected:
    QueuedPoster poster;
    std::shared_ptr<CSItemVector> list = CSItemVector::Create(poster);
};

TEST_F(Subscriptions, RefusesItemsWithoutTargetOrKey) {
    Window w;
    EXPECT_FALSE(list->Subscribe(nullptr));
    EXPECT_FALSE(list->Subscribe(std::make_shared<SHItem>("fc0", nullptr)));
    EXPECT_FALSE(list->Subscribe(std::make_shared<SHItem>("", &w)));
    EXPECT_EQ(list->size(), 0u);
    EXPECT_TRUE(list->Subscribe(std::make_shared<SHItem>("fc0", &w)));
    EXPECT_EQ(list->size(), 1u);
}

TEST_F(Subscriptions, EveryMatchingItemGetsItsOwnDeliveryInListOrder) {
    std::vector<std::string> order;
    struct Tagged final : ReplyWindow {
        Tagged(std::vector<std::string>& o, std::string t) : order(o), tag(std::move(t)) {}
        void OnControlRequestCompleted(const std::string& reply) override { order.push_back(tag + ":" + reply); }
        std::vector<std::string>& order;
        std::string tag;
    } a(order, "fc"), b(order, "fc0"), c(order, "fb0");
    list->Subscribe(std::make_shared<SHItem>("fc", &a));
    list->Subscribe(std::make_shared<SHItem>("fc0", &b));
    list->Subscribe(std::make_shared<SHItem>("fb0", &c));
    list->Dispatch("fc050");
    list->Dispatch("zz");  // no key begins it: dropped
    list->Dispatch("xfc0");
    EXPECT_TRUE(order.empty());  // nothing runs before the queue is drained
    EXPECT_EQ(poster.drain(), 2u);
    EXPECT_EQ(order, (std::vector<std::string>{"fc:fc050", "fc0:fc050"}));
}

TEST_F(Subscriptions, UnsubscribedItemsGetNothingMore) {
    Window w;
    auto item = std::make_shared<SHItem>("fc0", &w);
    list->Subscribe(item);
    list->Unsubscribe(item.get());
    list->Dispatch("fc050");
    poster.drain();
    EXPECT_TRUE(w.lines.empty());
}

// A one-shot item stays until its last queued delivery is done, then leaves
// the list; a delivery after its window closed still releases it.
TEST_F(Subscriptions, AOneShotItemOutlivesItsQueuedDeliveries) {
    Window w;
    auto item = std::make_shared<SHItem>("fTj", &w, true);
    std::weak_ptr<SHItem> weak = item;
    item->AddPending();  // the dialog's own hold, as the wait dialog keeps
    list->Subscribe(item);
    list->Dispatch("fTj50");
    list->Dispatch("fTj50");
    EXPECT_TRUE(item->IsBusy());
    ASSERT_EQ(poster.drain(), 2u);
    EXPECT_EQ(w.lines.size(), 2u);
    EXPECT_TRUE(list->Contains(item.get()));  // the dialog still holds it

    list->Dispatch("fTj50");
    item->Detach();  // the dialog closes with a delivery still queued
    {
        std::lock_guard lock(list->Lock());
        item->ReleasePending(*list);  // the dialog's hold goes
    }
    EXPECT_TRUE(list->Contains(item.get()));
    item.reset();
    poster.drain();
    EXPECT_EQ(w.lines.size(), 2u);  // the late one reached no window
    EXPECT_EQ(list->size(), 0u);
    EXPECT_TRUE(weak.expired());
}

TEST_F(Subscriptions, DeliveriesWithoutAMainWindowStillReleaseTheirItems) {
    Window w;
    auto item = std::make_shared<SHItem>("fTj", &w, true);
    list->Subscribe(item);
    list->SetDeliveriesEnabled(false);
    list->Dispatch("fTj50");
    poster.drain();
    EXPECT_TRUE(w.lines.empty());
    EXPECT_EQ(list->size(), 0u);
}

TEST_F(Subscriptions, ADeliveryMayUnsubscribeAndSubscribeFromInside) {
    struct SelfRemoving final : ReplyWindow {
        std::shared_ptr<CSItemVector> list;
        std::shared_ptr<SHItem> self;
        int calls = 0;
        void OnControlRequestCompleted(const std::string&) override {
            ++calls;
            list->Unsubscribe(self.get());
            list->Subscribe(std::make_shared<SHItem>("fb0", this));
        }
    } w;
    w.list = list;
    w.self = std::make_shared<SHItem>("fc0", &w);
    list->Subscribe(w.self);
    list->Dispatch("fc050");
    poster.drain();
    list->Dispatch("fc050");
    list->Dispatch("fb050");
    poster.drain();
    EXPECT_EQ(w.calls, 2);
    w.self.reset();
}

TEST_F(Subscriptions, QueuedDeliveriesAfterTheListIsGoneAreDropped) {
    Value v;
    list->Subscribe(std::make_shared<SSItem>("fc0", &v));
    list->Dispatch("fc050");
    list.reset();
    EXPECT_EQ(poster.drain(), 1u);
    EXPECT_TRUE(v.lines.empty());
}

TEST_F(Subscriptions, ADetachedValueItemReachesNothing) {
    Value v;
    auto item = std::make_shared<SSItem>("fc0", &v);
    list->Subscribe(item);
    list->Dispatch("fc050");
    item->Detach();
    poster.drain();
    EXPECT_TRUE(v.lines.empty());
}

}  // namespace
}  // namespace pellivar

#include "pellivar/UnitCommands.h"

namespace pellivar {
namespace {

TEST(UnitCommands, SourcePowerAndTheEndMarker) {
    EXPECT_EQ(UnitCommands::SelectSource(10), "P1Sd");
    EXPECT_EQ(UnitCommands::SelectSource(3), "P1S3");
    EXPECT_EQ(UnitCommands::SourceOfReply("P1Sf"), 12);
    EXPECT_EQ(UnitCommands::SourceOfReply("P1S0"), 0);
    EXPECT_EQ(UnitCommands::SourceOfReply("P1Sz"), -1);
    EXPECT_EQ(UnitCommands::SourceOfReply("P1S"), -1);
    EXPECT_EQ(UnitCommands::EndMarker().BuildQuery(), "fT?j");
    EXPECT_EQ(UnitCommands::EndMarker().ReplyKey(), "fTj");
    EXPECT_EQ(UnitCommands::Power().ReplyKey(), "P1P");
}

}  // namespace
}  // namespace pellivar
