// The unit model: registries, the walk that finds the connected processor
// through the port they were created with, unit classes and their crossover choices.

#include "halvane/diagnostics/Progress.h"
#include "halvane/diagnostics/TException.h"
#include "halvane/link/BztTolvarinePlatformV1Base.h"
#include "halvane/link/BztTolvarineV1.h"
#include "halvane/link/BztTolvarineV2.h"
#include "halvane/link/ModelTable.h"
#include "halvane/link/UnitClassBase.h"
#include "halvane/link/Units.h"
#include "halvane/link/VuxV1Base.h"

#include "LinkFixture.h"
#include "platform/MemoryProfile.h"
#include "tests/support/ClosedDevice.h"

#include <unistd.h>

#include <string>
#include <vector>

using namespace halvane::design::ConTypes;
using namespace halvane::diagnostics::ConTypes;
using namespace halvane::link::ConTypes;

using namespace halvane::design::ConTypes; using namespace halvane::diagnostics::ConTypes; using namespace halvane::link::ConTypes;

namespace {

class NullProgress final : public Progress {
public:
    void SetRange(int) override {}
    void Step(int) override {}
    void SetText(std::string) override {}
    platform::WindowHandle GetWindow() override { return {}; }
};

// A flagship unit that counts its disconnects.
class CountingUnit final : public BztTolvarinePlatformV1Base {
public:
    CountingUnit(int model, halvane::link::Comm::CBasicTessikPort& port) : BztTolvarinePlatformV1Base(model, 1, port) {}
    void Disconnect() override {
        ++disconnects;
        BztTolvarinePlatformV1Base::Disconnect();
    }
    int disconnects = 0;
};

std::vector<int> Models(const std::vector<UnitBase*>& units) {
    std::vector<int> m;
    for (auto* u : units) m.push_back(u->ModelIndex());
    return m;
}

// The units talk through the port they were created with: point it at the
// simulated processor on a scaled clock, and leave it closed and mapped to
// nothing.
class UnitsTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateUnits(port_);
        port().SetClock(clock_);
        port().SetPortMap(linktest::MapOnly({}));
        port().SetSearchAttempted(false);
    }
    void TearDown() override {
        DestroyUnits();
        port().SetPortMap(linktest::MapOnly({}));
        port().SetClock(platform::systemClock());
        port().SetSearchAttempted(false);
        sim_.reset();
    }

    halvane::link::Comm::CBasicTessikPort port_;
    halvane::link::Comm::CBasicTessikPort& port() { return port_; }

    void ProcessorOnCom3(int model) {
        sim_ = std::make_unique<sim::Simulator>(std::make_unique<sim::HalvaneDialect>(model), clock_);
        ASSERT_TRUE(sim_->start()) << sim_->error();
        port().SetPortMap(linktest::MapOnly({{3, sim_->slavePath()}}));
    }

    UnitBase* UnitOfModel(int model) {
        for (auto* u : RegisteredUnits())
            if (u->ModelIndex() == model) return u;
        return nullptr;
    }

    platform::ScaledClock clock_{20.0};
    std::unique_ptr<sim::Simulator> sim_;
    NullProgress progress_;
};

}  // namespace

TEST(ObjectRegistry, KeepsRegistrationOrderAndForgetsDestroyedObjects) {
    struct Thing : ObjectRegistry<Thing> {
        explicit Thing(int v) : value(v) {}
        int value;
    };
    auto a = std::make_unique<Thing>(1);
    auto b = std::make_unique<Thing>(2);
    {
        Thing c(3);
        ASSERT_EQ(Thing::Objects().size(), 3u);
        EXPECT_EQ(Thing::Objects()[2]->value, 3);
    }
    a.reset();
    ASSERT_EQ(Thing::Objects().size(), 1u);
    EXPECT_EQ(Thing::Objects()[0], b.get());
}

TEST_F(UnitsTest, CreatesTheNineUnitsInRegistryOrder) {
    const auto units = RegisteredUnits();
    EXPECT_EQ(Models(units), (std::vector<int>{5, 4, 2, 3, 0, 1, 6, 7, 8}));
    for (auto* u : units) {
        EXPECT_EQ(u->UnitClass(), UnitClassOfModel(u->ModelIndex()));
        EXPECT_TRUE(u->IsEnabled());
        EXPECT_EQ(u->GetProgress(), nullptr);
    }
    EXPECT_NE(dynamic_cast<BztTolvarineV2*>(UnitOfModel(4)), nullptr);
    EXPECT_NE(dynamic_cast<BztTolvarineV1*>(UnitOfModel(0)), nullptr);
    EXPECT_NE(dynamic_cast<VuxV1Base*>(UnitOfModel(7)), nullptr);
    EXPECT_EQ(UnitOfModel(6)->ModelName(), "Vux 300");
    std::string name;
    UnitOfModel(2)->GetModelName(name);
    EXPECT_EQ(name, "Bzt 50/Qex");
    {
        CountingUnit none(9, port());
        none.GetModelName(name);
        EXPECT_EQ(name, "No unit found");
    }
    DestroyUnits();
    EXPECT_TRUE(RegisteredUnits().empty());
}

TEST_F(UnitsTest, OneSearchServesTheWholeWalk) {
    ProcessorOnCom3(0);
    const auto searchesBefore = port().Searches();
    UnitBase* unit = FindConnectedUnit(&progress_);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->ModelIndex(), 0);
    EXPECT_EQ(unit->GetProgress(), &progress_);
    // Model 5 ran the search; 4, 2 and 3 compared without searching again.
    EXPECT_EQ(port().Searches(), searchesBefore + 1);
    EXPECT_TRUE(port().SearchAttempted());
    std::string where;
    unit->GetPortDescription(where);
    EXPECT_EQ(where, "COM3@19200");

    ReleaseUnit(unit);
    EXPECT_EQ(unit, nullptr);
    EXPECT_EQ(UnitOfModel(0)->GetProgress(), nullptr);
    EXPECT_FALSE(port().IsOpen());
    EXPECT_FALSE(port().SearchAttempted());
    EXPECT_EQ(port().ModelIndex(), 9);
    ReleaseUnit(unit);  // an empty holder: nothing happens
}

TEST_F(UnitsTest, NoAnswerMeansOneSearchANullUnitAndAClosedPort) {
    ProcessorOnCom3(0);
    auto k = sim_->faults();
    k.silent = true;
    sim_->setFaults(k);
    const auto before = port().IdentifyRequests();
    const auto searchesBefore = port().Searches();
    EXPECT_EQ(FindConnectedUnit(&progress_), nullptr);
    // Eight speeds of five requests: exactly one search.
    EXPECT_EQ(port().IdentifyRequests() - before, 40);
    EXPECT_EQ(port().Searches(), searchesBefore + 1);
    EXPECT_FALSE(port().IsOpen());
    EXPECT_FALSE(port().SearchAttempted());
    for (auto* u : RegisteredUnits()) EXPECT_EQ(u->GetProgress(), nullptr);
}

TEST_F(UnitsTest, DisabledUnitsAreSkippedAndNotDisconnected) {
    ProcessorOnCom3(1);
    CountingUnit disabled(1, port());  // registered last, after the real model 1
    disabled.SetEnabled(false);
    UnitOfModel(1)->SetEnabled(false);

    const auto searchesBefore = port().Searches();
    EXPECT_EQ(FindConnectedUnit(&progress_), nullptr);
    EXPECT_EQ(port().Searches(), searchesBefore + 1);
    EXPECT_EQ(disabled.disconnects, 0);
    EXPECT_FALSE(port().IsOpen());
    EXPECT_EQ(disabled.GetProgress(), nullptr);

    disabled.SetEnabled(true);
    UnitBase* unit = FindConnectedUnit(&progress_);
    EXPECT_EQ(unit, &disabled);
    ReleaseUnit(unit);
    EXPECT_EQ(disabled.disconnects, 1);
}

TEST(UnitClasses, RegisteredClassesAndTheirCrossoverChoices) {
    EXPECT_EQ(FindUnitClass(3), nullptr);
    ASSERT_NE(FindUnitClass(4), nullptr);
    EXPECT_TRUE(FindUnitClass(4)->IsReceiverClass());
    ASSERT_NE(FindUnitClass(1), nullptr);
    EXPECT_FALSE(FindUnitClass(1)->IsReceiverClass());
    EXPECT_FALSE(FindUnitClass(2)->IsReceiverClass());
    std::vector<int> ids;
    for (auto* c : UnitClassBase::Objects()) ids.push_back(c->Id());
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 4}));

    EXPECT_EQ(FindUnitClass(1)->NewCrossoverIterator()->Size(), 28u);
    EXPECT_EQ(FindUnitClass(2)->NewFlatCrossoverIterator()->Size(), 29u);
    auto receiver = FindUnitClass(4)->NewCrossoverIterator();
    auto receiverFlat = FindUnitClass(4)->NewFlatCrossoverIterator();
    EXPECT_EQ(receiver->Size(), 5u);
    EXPECT_EQ(receiverFlat->Size(), 9u);

    CrossoverChoice c;
    EXPECT_EQ(receiver->Seek(82), 1);
    ASSERT_NE(receiver->Current(&c), nullptr);
    EXPECT_EQ(c, (CrossoverChoice{80, "80"}));
    EXPECT_EQ(receiverFlat->Seek(20), 0);
    receiverFlat->Current(&c);
    EXPECT_EQ(c, (CrossoverChoice{5, "Flat"}));

    auto flagship = FindUnitClass(1)->NewCrossoverIterator();
    flagship->Seek(200);
    flagship->Current(&c);
    EXPECT_EQ(c.first, 160);
    EXPECT_EQ(flagship->Seek(10), 0);
    flagship->Current(&c);
    EXPECT_EQ(c, (CrossoverChoice{25, "25"}));

    // Walk to the end: Next moves while valid, then reports null.
    std::vector<int> walk;
    for (auto it = FindUnitClass(4)->NewFlatCrossoverIterator(); it->IsValid(); it->Next())
        walk.push_back(it->Current(&c)->first);
    EXPECT_EQ(walk, (std::vector<int>{5, 30, 40, 50, 60, 80, 100, 120, 150}));
    receiver->Seek(1000);
    EXPECT_NE(receiver->Next(), nullptr);
    EXPECT_EQ(receiver->Current(&c), nullptr);
    EXPECT_EQ(receiver->Next(), nullptr);
}

TEST(ModelTable, PrefixesEndInABlankAndNoUnitIsNine) {
    for (int m = 0; m < kModelCount; ++m) {
        const std::string p = ModelTableEntry(m).prefix;
        EXPECT_EQ(p.back(), ' ');
    }
    EXPECT_EQ(ModelTableEntry(9).prefix, nullptr);
    EXPECT_STREQ(ModelTableEntry(9).displayName, "No unit found");
    EXPECT_EQ(UnitClassOfModel(9), 0);
    EXPECT_EQ(UnitClassOfModel(-1), 0);
    EXPECT_EQ(UnitClassOfModel(5), 2);
    EXPECT_EQ(UnitClassOfModel(8), 4);
}

TEST_F(UnitsTest, NoProcessorFoundSaysWhichPortsWereTriedAndHowToChooseOne) {
    // COM2 by the variable, COM4 by the stored setting, both standing for
    // devices that are not there; no serial device is present.
    char tmpl[] = "/tmp/halvane-no-devXXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    platform::MemoryProfile profile;
    profile.setString("Ports", "COM4", "/nonexistent/ttyACM0");
    port().SetPortMap(platform::PortMap(&profile, tmpl, [](const std::string& name) -> std::optional<std::string> {
        if (name == "COM2") return std::string("/nonexistent/ttyUSB9");
        return std::nullopt;
    }));
    EXPECT_EQ(FindConnectedUnit(&progress_), nullptr);
    EXPECT_EQ(NoUnitFoundText(),
              "Could not find a valid Tessik processor.\n\n"
              "Ports tried:\n"
              "  COM1: no device\n"
              "  COM2 = /nonexistent/ttyUSB9 (the variable COM2): could not be opened: no such device\n"
              "  COM3: no device\n"
              "  COM4 = /nonexistent/ttyACM0 (the stored setting Ports/COM4): could not be opened: no such device\n"
              "  COM5 to COM9: no device\n"
              "To choose the port, start the program with the variable COM1 set to the processor's device (for "
              "example COM1=/dev/ttyUSB0), or store the device in the setting Ports/COM1.");
    ::rmdir(tmpl);
}

// A port that is there but held by another program, or closed to this user,
// is named as such, not as a missing processor.
TEST_F(UnitsTest, APortThatCouldNotBeOpenedSaysWhy) {
    ProcessorOnCom3(1);
    const std::string com3 = "  COM3 = " + sim_->slavePath() + " (the variable COM3): could not be opened: ";
    platform::SerialLine other;
    ASSERT_TRUE(other.open(sim_->slavePath()));
    EXPECT_EQ(FindConnectedUnit(&progress_), nullptr);
    EXPECT_NE(NoUnitFoundText().find(com3 + "in use by another program\n"), std::string::npos) << NoUnitFoundText();
    other.close();

    {
        testsupport::ClosedDevice closed(sim_->slavePath());
        EXPECT_EQ(FindConnectedUnit(&progress_), nullptr);
    }
    EXPECT_NE(NoUnitFoundText().find(com3 + "permission denied (the user needs to be in the dialout group)\n"),
              std::string::npos)
        << NoUnitFoundText();
    EXPECT_NE(FindConnectedUnit(&progress_), nullptr);
}
