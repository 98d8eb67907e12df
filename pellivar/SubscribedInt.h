#pragma once

#include "pellivar/SSItem.h"
#include "pellivar/Subscribed.h"
#include "pellivar/UnitLink.h"

#include <memory>

namespace pellivar {

// One video setting: an int with its command and, for ranged values, a range
// and a default. A ranged value that leaves its range (from a reply or a
// file) falls back to its default, not to the nearest bound.
class SubscribedInt : public Subscribed<int> {
public:
    struct Ranged {};
    // Ranged: channel -1 until the value is bound to a source.
    SubscribedInt(Ranged, int def, std::string prefix, std::string format, int minimum, int maximum,
                  UnitLink* link = nullptr);
    // Unranged, on a fixed channel.
    SubscribedInt(int def, std::string prefix, std::string format, int channel, UnitLink* link = nullptr);
    ~SubscribedInt() override;
    SubscribedInt(const SubscribedInt&) = delete;
    SubscribedInt& operator=(const SubscribedInt&) = delete;

    int Validate() override;
    // Whether v would be kept by Validate.
    bool InRange(int v) const { return !ranged_ || (v >= minimum_ && v <= maximum_); }

    int Minimum() const { return minimum_; }
    int Maximum() const { return maximum_; }
    int Default() const { return default_; }
    bool IsRanged() const { return ranged_; }

    // Queues the query / the set command with the current value.
    void SendQuery();
    void SendSet();
    // Subscribes (again) to replies under the current key; the previous
    // subscription, if any, is dropped.
    void SubscribeReplies();
    void UnsubscribeReplies();
    bool IsSubscribed() const { return item_ != nullptr; }

    void SetChannel(int channel) { command_.SetChannel(channel); }
    void SetLink(UnitLink* link);
    UnitLink* Link() const { return link_; }

private:
    int minimum_ = 0;
    int maximum_ = 0;
    int default_ = 0;
    bool ranged_ = false;
    UnitLink* link_ = nullptr;
    std::shared_ptr<SSItem> item_;
};

}  // namespace pellivar
