#pragma once

#include "pellivar/Notifiable.h"
#include "pellivar/SItem.h"

#include <atomic>

namespace pellivar {

// A subscription that hands replies to a value, which parses, validates and
// tells its observers. The value detaches it when it goes away.
class SSItem final : public SItem {
public:
    SSItem(std::string key, Notifiable* target) : SItem(std::move(key)), target_(target) {}

    void OnReply(const std::string& line) override {
        if (Notifiable* t = target_.load()) t->OnReply(line);
    }
    const void* Target() const override { return target_.load(); }
    void Detach() { target_.store(nullptr); }

private:
    std::atomic<Notifiable*> target_;
};

}  // namespace pellivar
