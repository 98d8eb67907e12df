#include "pellivar/SettledEdits.h"

#include "pellivar/CTessikCommunicator.h"

#include <algorithm>
#include <utility>

namespace pellivar {

SettledEdits::SettledEdits(CTessikCommunicator& communicator, UnitLink& link, std::int64_t settleMs)
    : communicator_(communicator), link_(link), settleMs_(settleMs) {}

SettledEdits::~SettledEdits() = default;

void SettledEdits::Edited(const std::string& key, Adder add, int curve, std::map<std::string, Adder> reached) {
    // Nothing reached a unit that is not there.
    if (!communicator_.GetPort().IsConnected()) return;
    const bool was = Busy();
    // A drag's earlier steps may have reached other sources than its last.
    const auto before = pending_.find(key);
    if (before != pending_.end()) reached.merge(before->second.reached);
    pending_.insert_or_assign(key, Pending{std::move(add),
                                           platform::Deadline(communicator_.GetPort().clock(), settleMs_), curve,
                                           std::move(reached)});
    if (!was && busy_) busy_();
}

void SettledEdits::ValueSent(const SubscribedInt& value, std::string name, ReadBack::Shown shown,
                             const std::vector<Neighbour>& others) {
    const CommandSpec& c = value.Command();
    if (c.Prefix().empty()) return;
    const std::string set = c.BuildSet(value.Value());
    const std::vector<std::string> heard = ReadBack::HeardWithOneLost(set);
    const auto reaches = [&](const std::string& start) {
        return std::any_of(heard.begin(), heard.end(), [&](const std::string& h) {
            return h.size() > start.size() && h.compare(0, start.size(), start) == 0;
        });
    };
    std::map<std::string, Adder> reached;
    for (const Neighbour& n : others) {
        const CommandSpec& o = n.value->Command();
        if (o.Prefix().empty() || o.ReplyKey() == c.ReplyKey() || !reaches(o.Prefix() + 's' + o.ChannelChar()))
            continue;
        reached[o.ReplyKey()] = [name = n.name(), other = o.BuildSet(n.value->Value()), query = o.BuildQuery(),
                                 shown = n.shown](ReadBack& check) { check.AddDoubtfulSet(name, other, query, shown); };
    }
    Edited("value " + c.ReplyKey(),
           [name = std::move(name), set, query = c.BuildQuery(), shown = std::move(shown)](ReadBack& check) {
               check.AddSet(name, set, query, shown);
           },
           -1, std::move(reached));
}

void SettledEdits::PointSent(int curve, int index, const CGammaList& list, std::string curveName) {
    // A whole curve still to be read back takes the moved point with it.
    if (pending_.count(CurveKey(curve)) != 0) return CurveSent(curve, list, std::move(curveName));
    Edited(CurveKey(curve) + " point " + std::to_string(index),
           [curve, index, list, curveName = std::move(curveName)](ReadBack& check) {
               check.AddCurvePoint(curve, index, list, curveName);
           },
           curve);
}

void SettledEdits::CurveSent(int curve, const CGammaList& list, std::string curveName) {
    const std::string points = CurveKey(curve) + " point ";
    std::erase_if(pending_, [&](const auto& p) { return p.first.rfind(points, 0) == 0; });
    // Every point and the first slot past the end, which confirms the count.
    Edited(
        CurveKey(curve),
        [curve, list, curveName = std::move(curveName)](ReadBack& check) {
            check.AddCurve(curve, list, curveName, list.GetCount() + 1);
        },
        curve);
}

bool SettledEdits::Superseded(const std::string& key) const {
    if (pending_.count(key) != 0) return true;
    const auto point = key.find(" point ");
    return point != std::string::npos && pending_.count(key.substr(0, point)) != 0;
}

std::string SettledEdits::Poll() {
    if (!communicator_.GetPort().IsConnected()) {
        pending_.clear();
        if (check_) EndRound(false);
        return {};
    }
    if (check_) return Judge();
    Start();
    return {};
}

void SettledEdits::Start() {
    std::vector<std::string> settled;
    for (const auto& [key, p] : pending_)
        if (p.settles.expired()) settled.push_back(key);
    if (settled.empty()) return;
    check_ = std::make_unique<ReadBack>(link_);
    for (const std::string& key : settled) {
        const std::size_t first = check_->size();
        const Pending& p = pending_.at(key);
        p.add(*check_);
        const int curve = p.curve;
        checked_.push_back({key, curve, first, check_->size()});
        // Past the edit's own items: a newer edit withdraws them, not these.
        for (const auto& entry : p.reached) entry.second(*check_);
        pending_.erase(key);
        if (curve >= 0 && curves_ != nullptr) curves_->HoldReplies(curve);
    }
    if (check_->QueueQueries() == 0) {
        EndRound(false);
        return;
    }
    lastQuery_ = communicator_.CommandsQueued();
    resends_ = 0;
    doubted_ = false;
    answered_ = false;
}

// A round is judged once every reply is in. A reply lost on the way is
// given up by the communicator when a later query is answered, or asked
// again; either way its number passes the round's last. The replies it has
// judged are still on their way to the subscriptions then: the round is
// judged at the step after. A reply that may still come late (a query asked
// twice) would be taken for the next round's: that waits too.
std::string SettledEdits::Judge() {
    if (communicator_.QueriesAwaitingReply() != 0) {
        answered_ = false;
        return {};
    }
    if (check_->Awaited() > 0) {
        if (communicator_.AnsweredThrough() < lastQuery_) return {};
        if (!answered_) {
            answered_ = true;
            return {};
        }
    }
    check_->Settle();
    for (const Checked& c : checked_)
        if (Superseded(c.key))
            for (std::size_t i = c.first; i < c.last; ++i) check_->Withdraw(i);
    if (check_->Outstanding() > 0 && resends_ < ReadBack::kMaxResends) {
        ++resends_;
        check_->QueueResends();
        // The line lost something: what a lost channel character may have
        // set elsewhere is asked now, and put back at the next round.
        if (!std::exchange(doubted_, true)) check_->Doubt();
        check_->QueueQueries();
        lastQuery_ = communicator_.CommandsQueued();
        answered_ = false;
        return {};
    }
    std::string report = check_->Report();
    EndRound(true);
    return report;
}

void SettledEdits::EndRound(bool request) {
    for (const Checked& c : checked_) {
        if (c.curve < 0 || curves_ == nullptr) continue;
        bool held = false;
        for (std::size_t i = c.first; i < c.last; ++i)
            held = held || (check_->state(i) != ReadBack::State::Confirmed && check_->state(i) != ReadBack::State::Withdrawn);
        if (request && held) curves_->RequestCurve(c.curve);
        else curves_->TakeReplies(c.curve);
    }
    check_.reset();
    checked_.clear();
}

}  // namespace pellivar
