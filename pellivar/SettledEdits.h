#pragma once

#include "pellivar/CGammaList.h"
#include "pellivar/GammaCurveExchange.h"
#include "pellivar/ReadBack.h"
#include "pellivar/SubscribedInt.h"
#include "platform/Deadline.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pellivar {

class CTessikCommunicator;

// The read-back of single edits. A value typed, slid or chosen, and a gamma
// point moved, added or deleted, is sent at once; the processor
// acknowledges nothing, and a byte lost on the line leaves it holding
// another value ("fes091" arrives as "fes09"). Once an edit has settled (no
// newer edit of the same thing for Timing::editSettleMs of the link's
// clock), what it sent is asked for; what came back different or not at
// all is sent again and asked again, at most ReadBack::kMaxResends times. A
// drag sends every step but is asked for once, and a clean line costs one
// query per settled value.
//
// What settled together is one batch; a batch that ends with values the
// unit still does not hold gives one report that names them. The replies
// also reach the values' own subscriptions, so the pages end showing what
// the unit holds. A curve takes no replies while it is read back (a curve
// that arrived in part may be none the program can draw); one the unit
// still holds otherwise is requested whole at the end, as "Retrieve" does.
// A thing edited again while its read-back runs is not sent again with its
// old value: the newer edit is checked in its own turn.
class SettledEdits {
public:
    SettledEdits(CTessikCommunicator& communicator, UnitLink& link, std::int64_t settleMs);
    ~SettledEdits();
    SettledEdits(const SettledEdits&) = delete;
    SettledEdits& operator=(const SettledEdits&) = delete;

    // The same setting of another source. A set that loses its channel
    // character on the line sets it instead ("fes091" heard as "fes91" sets
    // AUX to 1): where a batch finds the line losing bytes, those a send
    // could have reached so are asked too, and put back as the page shows
    // them.
    // Its name is made only for one a send could reach: a drag's every step
    // passes them all.
    struct Neighbour {
        const SubscribedInt* value;
        std::function<std::string()> name;
        ReadBack::Shown shown;
    };

    // What was just sent, named as the pages name it.
    void ValueSent(const SubscribedInt& value, std::string name, ReadBack::Shown shown = {},
                   const std::vector<Neighbour>& others = {});
    void PointSent(int curve, int index, const CGammaList& list, std::string curveName);
    // The whole curve (a point added or deleted, a generated curve).
    void CurveSent(int curve, const CGammaList& list, std::string curveName);

    // The gamma page's exchange (null while there is none).
    void SetCurveExchange(GammaCurveExchange* exchange) { curves_ = exchange; }

    // Something waits to settle or is being read back.
    bool Busy() const { return !pending_.empty() || check_ != nullptr; }
    // Told when an edit arrives while nothing was busy; the caller then
    // runs Poll until Busy() is false.
    void SetBusyHandler(std::function<void()> handler) { busy_ = std::move(handler); }

    // One step: reads back what has settled, judges a round whose replies
    // are in, sends again what differs. Returns the report of a batch that
    // ended with values the unit does not hold, else nothing. Without a
    // connected unit nothing was sent: what waits is dropped.
    std::string Poll();

private:
    using Adder = std::function<void(ReadBack&)>;
    struct Pending {
        Adder add;  // the items, as the edit sent them
        platform::Deadline settles;
        int curve;  // -1 for a value
        // Other sources' values its sends could have set, by reply key.
        std::map<std::string, Adder> reached;
    };
    // A pending edit's place in the round: items [first, last).
    struct Checked {
        std::string key;
        int curve;  // -1 for a value
        std::size_t first, last;
    };

    void Edited(const std::string& key, Adder add, int curve = -1, std::map<std::string, Adder> reached = {});
    void Start();
    std::string Judge();
    // The round is over: its curves take replies again, and those the unit
    // holds otherwise are requested.
    void EndRound(bool request);
    // A newer edit of the thing waits (a whole curve covers its points).
    bool Superseded(const std::string& key) const;
    static std::string CurveKey(int curve) { return "curve " + std::to_string(curve); }

    CTessikCommunicator& communicator_;
    UnitLink& link_;
    std::int64_t settleMs_;
    std::function<void()> busy_;
    GammaCurveExchange* curves_ = nullptr;
    std::map<std::string, Pending> pending_;

    // The round in flight.
    std::unique_ptr<ReadBack> check_;
    std::vector<Checked> checked_;
    std::uint64_t lastQuery_ = 0;  // the communicator's number of the round's last query
    int resends_ = 0;
    bool doubted_ = false;  // the round's neighbours were asked
    bool answered_ = false;  // the last query was answered at the step before
};

}  // namespace pellivar
