#include "pellivar/CSItemVector.h"

#include <algorithm>

namespace pellivar {

void SItem::Release(CSItemVector& list) {
    if (IsOneShot() && !IsBusy()) list.Unsubscribe(this);
}

bool CSItemVector::Subscribe(SItemPtr item) {
    if (!item || item->Target() == nullptr || item->Key().empty()) return false;
    std::lock_guard lock(lock_);
    items_.push_back(std::move(item));
    return true;
}

void CSItemVector::Unsubscribe(const SItem* item) {
    if (item == nullptr || item->Key().empty()) return;
    std::lock_guard lock(lock_);
    const auto it = std::find_if(items_.begin(), items_.end(), [&](const SItemPtr& p) { return p.get() == item; });
    if (it != items_.end()) items_.erase(it);
}

std::size_t CSItemVector::size() {
    std::lock_guard lock(lock_);
    return items_.size();
}

bool CSItemVector::Contains(const SItem* item) {
    std::lock_guard lock(lock_);
    return std::any_of(items_.begin(), items_.end(), [&](const SItemPtr& p) { return p.get() == item; });
}

std::vector<SItemPtr> CSItemVector::FindAll(const std::string& line) {
    std::lock_guard lock(lock_);
    std::vector<SItemPtr> found;
    for (const auto& item : items_)
        if (item->Matches(line)) found.push_back(item);
    return found;
}

// Posts under the reply lock, so deliveries keep the order of the lines even
// when two threads feed lines.
void CSItemVector::Dispatch(const std::string& line) {
    std::lock_guard lock(lock_);
    std::weak_ptr<CSItemVector> self = weak_from_this();
    for (const auto& item : items_) {
        if (!item->Matches(line)) continue;
        item->AddPending();
        poster_.post([self, item, line] {
            if (auto list = self.lock()) list->Deliver(item, line);
        });
    }
}

// The value's own work (parsing, validation, observers, possibly a modal
// box) runs with no lock held, so the reader is never blocked by a window.
void CSItemVector::Deliver(const SItemPtr& item, const std::string& line) {
    if (deliveries_) item->OnReply(line);
    std::lock_guard lock(lock_);
    item->ReleasePending(*this);
}

}  // namespace pellivar
