// The check list's items and the level checks' way into the dialog.
#include "halvane/app/models/CheckListModel.h"
#include "halvane/app/models/RepeatMeasurementsPrompt.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

using namespace halvane::app::models;

using namespace halvane;

namespace {

struct Recorder final : CheckListOwner {
    void OnCheckChanged(int index, const void* list) override { calls.emplace_back(index, list); }
    std::vector<std::pair<int, const void*>> calls;
};

}  // namespace

TEST(CheckData, StartsBlankAndSetLabelClearsTheRequest) {
    CheckData item;
    EXPECT_EQ(item.Checked, 0);
    EXPECT_EQ(item.Requested, 0);
    EXPECT_EQ(item.Label, " ");
    item.Requested = 1;
    item.SetLabel("Left Front Position 1: SPL = 38.2db");
    EXPECT_EQ(item.Requested, 0);
    EXPECT_EQ(item.Label, "Left Front Position 1: SPL = 38.2db");
}

TEST(CheckListModel, FillShowsRequestsAndAClickTogglesAndTellsTheOwner) {
    CheckData items[3];
    items[1].Requested = 1;
    items[2].Checked = 1;  // left over from an earlier fill
    Recorder owner;
    CheckListModel model(items, 3, &owner);
    model.fill();
    EXPECT_EQ(items[0].Checked, 0);
    EXPECT_EQ(items[1].Checked, 1);
    EXPECT_EQ(items[2].Checked, 0);

    const int list = 0;
    EXPECT_TRUE(model.toggle(2, &list));
    EXPECT_EQ(items[2].Checked, 1);
    EXPECT_FALSE(model.toggle(1, &list));
    EXPECT_EQ(items[1].Checked, 0);
    EXPECT_FALSE(model.toggle(3, &list));  // beside the items
    ASSERT_EQ(owner.calls.size(), 2u);
    EXPECT_EQ(owner.calls[0], std::make_pair(2, static_cast<const void*>(&list)));
    EXPECT_EQ(owner.calls[1].first, 1);

    // The same records filled again (the level checks keep ten for good).
    model.fill();
    EXPECT_EQ(items[1].Checked, 1);
    EXPECT_EQ(items[2].Checked, 0);
}

TEST(CheckListModel, NoItemsOrNoOwnerAreHarmless) {
    CheckListModel none(nullptr, 4);
    EXPECT_EQ(none.size(), 0u);
    none.fill();
    EXPECT_FALSE(none.toggle(0));
    CheckData item;
    CheckListModel lonely(&item, 1);
    EXPECT_TRUE(lonely.toggle(0));
}

TEST(RepeatMeasurementsPrompt, WithoutADialogTheAnswerIsCancel) {
    CheckData items[2];
    EXPECT_FALSE(PickMeasurementsToRepeat({"Halvane", "text", items, 2, nullptr}));
}

TEST(RepeatMeasurementsPrompt, TheInstalledShellAnswersFromAWorker) {
    CheckData items[2];
    std::string seenText;
    auto previous = SetRepeatMeasurementsShell([&](const RepeatMeasurementsRequest& r, platform::WindowHandle) {
        seenText = r.text;
        r.items[1].Checked = 1;
        return true;
    });
    bool answer = false;
    std::thread worker([&] { answer = PickMeasurementsToRepeat({"Halvane", "Levels", items, 2, nullptr}); });
    worker.join();
    SetRepeatMeasurementsShell(std::move(previous));
    EXPECT_TRUE(answer);
    EXPECT_EQ(seenText, "Levels");
    EXPECT_EQ(items[1].Checked, 1);
}

TEST(RepeatMeasurementsPrompt, LabelsInTickedIndicesOut) {
    auto previous = SetRepeatMeasurementsShell([](const RepeatMeasurementsRequest& r, platform::WindowHandle) {
        if (r.count != 3 || r.items[1].Label != "Center Position 1: SPL = 30.0db") return false;
        r.items[2].Checked = 1;
        r.items[0].Checked = 1;
        return true;
    });
    const auto ticked = PickMeasurementsToRepeat(
        "Halvane", "text", {"Left Front Position 1: SPL = 31.0db", "Center Position 1: SPL = 30.0db", "Right"});
    ASSERT_TRUE(ticked.has_value());
    EXPECT_EQ(*ticked, (std::vector<std::size_t>{0, 2}));
    SetRepeatMeasurementsShell([](const RepeatMeasurementsRequest&, platform::WindowHandle) { return false; });
    EXPECT_FALSE(PickMeasurementsToRepeat("Halvane", "text", {"a"}).has_value());
    SetRepeatMeasurementsShell(std::move(previous));
}
