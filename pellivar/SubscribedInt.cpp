#include "pellivar/SubscribedInt.h"

namespace pellivar {

SubscribedInt::SubscribedInt(Ranged, int def, std::string prefix, std::string format, int minimum, int maximum,
                             UnitLink* link)
    : Subscribed<int>(def, CommandSpec(std::move(prefix), std::move(format), -1)),
      minimum_(minimum), maximum_(maximum), default_(def), ranged_(true), link_(link) {}

SubscribedInt::SubscribedInt(int def, std::string prefix, std::string format, int channel, UnitLink* link)
    : Subscribed<int>(def, CommandSpec(std::move(prefix), std::move(format), channel)),
      default_(def), ranged_(false), link_(link) {}

SubscribedInt::~SubscribedInt() { UnsubscribeReplies(); }

int SubscribedInt::Validate() {
    if (ranged_ && (value_ < minimum_ || value_ > maximum_)) value_ = default_;
    return value_;
}

void SubscribedInt::SendQuery() {
    const std::string q = command_.BuildQuery();
    if (link_ != nullptr && !q.empty()) link_->UpdateUnitWithString(q);
}

void SubscribedInt::SendSet() {
    const std::string s = command_.BuildSet(value_);
    if (link_ != nullptr && !s.empty()) link_->UpdateUnitWithString(s);
}

void SubscribedInt::SubscribeReplies() {
    UnsubscribeReplies();
    const std::string key = command_.ReplyKey();
    if (link_ == nullptr || key.empty()) return;
    auto item = std::make_shared<SSItem>(key, this);
    if (link_->Subscribe(item)) item_ = std::move(item);
}

// The item may still have deliveries queued; detached, they reach nothing.
void SubscribedInt::UnsubscribeReplies() {
    if (!item_) return;
    item_->Detach();
    if (link_ != nullptr) link_->Unsubscribe(item_.get());
    item_.reset();
}

void SubscribedInt::SetLink(UnitLink* link) {
    if (link == link_) return;
    const bool wasSubscribed = item_ != nullptr;
    UnsubscribeReplies();
    link_ = link;
    if (wasSubscribed) SubscribeReplies();
}

}  // namespace pellivar
