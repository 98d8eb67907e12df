// Any bytes as Pellivar's processor's replies (besides the gamma points):
// split into lines as the reader does, each read as a setting of every
// format and channel, as a source reply and as an output timing half, and
// handed to the reply subscriptions of real queries. Every reading ends; a
// source read is one of the 17; a line reaches exactly the subscriptions
// whose key it begins with, each once; a query's reply key is the query
// without its "?".
//
// The same bytes as a script of replies (ScriptedLine.h) on a line in
// memory to the program's port, read by the port's own code: the identification by model name, and, once a search
// has found the unit, the power query with the reader running. Every reader
// ends; a model is one of the five; a power flag is 0 or 1.

#include "FuzzCheck.h"
#include "ScriptedLine.h"
#include "pellivar/CBasicTessikPort.h"
#include "pellivar/CSItemVector.h"
#include "pellivar/CTessikCommunicator.h"
#include "pellivar/CommandSpec.h"
#include "pellivar/LineSplitter.h"
#include "pellivar/OutputTiming.h"
#include "pellivar/UnitCommands.h"

#include <map>
#include <string>
#include <string_view>

namespace {

// A subscription that counts what reaches it.
class CountingItem final : public pellivar::SItem {
public:
    explicit CountingItem(std::string key) : SItem(std::move(key)) {}
    void OnReply(const std::string& line) override {
        if (!Matches(line)) suitefuzz::fail("a reply delivered to a subscription it does not begin with");
        ++delivered;
    }
    const void* Target() const override { return this; }
    int delivered = 0;
};

void ReadLines(const std::uint8_t* data, std::size_t size) {
    static const pellivar::CommandSpec specs[] = {
        {"fc", pellivar::CommandSpec::kDecimal, 3},
        {"P1P", pellivar::CommandSpec::kDecimal, -1},
        {"fm", pellivar::CommandSpec::kCharacter, 0},
        {"OTH", pellivar::CommandSpec::kDecimal, -1},
    };
    static pellivar::QueuedPoster poster;
    static const auto subscriptions = [] {
        auto list = pellivar::CSItemVector::Create(poster);
        // The keys of the queries the program sends, as it derives them.
        for (const char* query : {"fc?3\n", "P1S?\n", "fU?e\n", "fU?d\n", "fI?001\n", "P1P?\n", "fc?d\n"})
            list->Subscribe(std::make_shared<CountingItem>(pellivar::CTessikCommunicator::ReplyKeyOfQuery(query)));
        return list;
    }();
    pellivar::LineSplitter splitter([](const std::string& line) {
        for (const auto& spec : specs) {
            int value = 0;
            (void)spec.Parse(line, value);
        }
        const int source = pellivar::UnitCommands::SourceOfReply(line);
        if (source < -1 || source > 16) suitefuzz::fail("a source outside the 17");
        std::int64_t rate = 0;
        (void)pellivar::OutputTiming::ApplyHalfReply(line, rate);

        std::size_t matching = 0;
        for (const auto& item : subscriptions->FindAll(line)) {
            if (!item->Matches(line)) suitefuzz::fail("a subscription found for a line it does not begin");
            ++matching;
        }
        subscriptions->Dispatch(line);
        if (poster.drain() != matching) suitefuzz::fail("a line delivered other than once to each subscription");

        const std::string key = pellivar::CTessikCommunicator::ReplyKeyOfQuery(line);
        if (!key.empty() && key.find_first_of("?;\n") != std::string::npos)
            suitefuzz::fail("a reply key that holds a query's or a line's mark");
    });
    splitter.Feed(std::string_view(reinterpret_cast<const char*>(data), size));
}

struct Link {
    suitefuzz::StepClock clock;
    suitefuzz::ScriptedLine line{clock};
    pellivar::QueuedPoster poster;
    std::shared_ptr<pellivar::CSItemVector> replies = pellivar::CSItemVector::Create(poster);
    pellivar::Timing timing = [] {
        pellivar::Timing t;
        t.identifyRounds = 2;
        t.powerAttempts = 2;
        t.powerReads = 3;
        return t;
    }();
};

void Exchange(Link& link, const suitefuzz::Script& script) {
    pellivar::CBasicTessikPort port(
        *link.replies, link.clock, link.timing,
        [](int com) { return std::string(com == 1 ? suitefuzz::ScriptedLine::kPath : ""); }, &link.line);
    port.SetSpeedIndex(4);
    if (script.choice % 2 == 0) {
        if (!port.Open(1)) suitefuzz::fail("the scripted line could not be opened");
        link.line.play(script.replies);
        if (port.Identify() && (port.GetModel() < 0 || port.GetModel() >= pellivar::ModelNames::kKnown))
            suitefuzz::fail("a model outside the five");
    } else {
        link.line.play(script.replies);
        if (port.FindUnitAtSpeed()) {
            const int power = port.QueryPower();
            if ((power != 0 && power != 1) || port.GetPowerFlag() != power) suitefuzz::fail("a power flag other than 0 or 1");
        }
    }
    port.Close();
    link.poster.drain();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ReadLines(data, size);
    static Link link;
    Exchange(link, suitefuzz::Script::Parse(data, size));
    return 0;
}
