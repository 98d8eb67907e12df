#pragma once

#include "pellivar/Poster.h"
#include "pellivar/ReplyLock.h"
#include "pellivar/SItem.h"

#include <atomic>
#include <list>
#include <memory>
#include <string>
#include <vector>

namespace pellivar {

// The active subscriptions, in subscription order, and the hand-over of reply
// lines from the reader to the user-interface thread. Every matching item
// gets its own delivery of the line, in list order; a line no key begins is
// dropped.
class CSItemVector : public std::enable_shared_from_this<CSItemVector> {
public:
    static std::shared_ptr<CSItemVector> Create(Poster& poster) {
        return std::shared_ptr<CSItemVector>(new CSItemVector(poster));
    }

    // Refuses a null item, one without a target and one with an empty key.
    bool Subscribe(SItemPtr item);
    // Removes the first entry holding this very item; the item lives on while
    // anything else holds it.
    void Unsubscribe(const SItem* item);

    // Reader side: one queued delivery per matching item.
    void Dispatch(const std::string& line);

    // While off (no main window), deliveries still release their items but
    // reach no one.
    void SetDeliveriesEnabled(bool on) { deliveries_ = on; }

    std::size_t size();
    bool Contains(const SItem* item);
    std::vector<SItemPtr> FindAll(const std::string& line);

    ReplyLock& Lock() { return lock_; }

private:
    explicit CSItemVector(Poster& poster) : poster_(poster) {}
    void Deliver(const SItemPtr& item, const std::string& line);

    Poster& poster_;
    ReplyLock lock_;
    std::list<SItemPtr> items_;
    std::atomic<bool> deliveries_{true};
};

}  // namespace pellivar
