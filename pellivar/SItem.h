#pragma once

#include <memory>
#include <string>

namespace pellivar {

class CSItemVector;

// One reply subscription: a line from the processor belongs to the item when
// it begins with the item's key. Items are shared: the subscription list
// holds one reference, and each reply on its way to the item holds another,
// so an item never goes away while a delivery for it is queued.
class SItem {
public:
    explicit SItem(std::string key) : key_(std::move(key)) {}
    virtual ~SItem() = default;
    SItem(const SItem&) = delete;
    SItem& operator=(const SItem&) = delete;

    // Delivers one matched reply line (without its "\n"), on the thread that
    // drains the poster, with no lock held.
    virtual void OnReply(const std::string& line) = 0;

    const std::string& Key() const { return key_; }
    // The object the item serves; an item without one cannot be subscribed.
    virtual const void* Target() const = 0;

    virtual bool IsOneShot() const { return false; }
    virtual bool IsBusy() const { return true; }
    // Counted as a reply is queued for the item (under the reply lock)...
    virtual void AddPending() {}
    // ...and uncounted once it has been delivered (under the reply lock).
    virtual void ReleasePending(CSItemVector& list) { Release(list); }

    // A one-shot item that is no longer busy takes itself off the list.
    void Release(CSItemVector& list);

    bool Matches(const std::string& line) const {
        return !key_.empty() && line.compare(0, key_.size(), key_) == 0;
    }

private:
    std::string key_;
};

using SItemPtr = std::shared_ptr<SItem>;

}  // namespace pellivar
