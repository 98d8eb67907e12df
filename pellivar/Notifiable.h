#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace pellivar {

// A window or object told when a value has been updated from the processor.
class ValueObserver {
public:
    virtual ~ValueObserver() = default;
    virtual void OnValueChanged() = 0;
};

// A value that takes reply lines and tells its observers, synchronously and
// in registration order.
class Notifiable {
public:
    virtual ~Notifiable() = default;

    // The reply hand-over: one line that begins with the value's key.
    virtual void OnReply(const std::string& line) = 0;

    void AddObserver(ValueObserver* o) {
        if (o != nullptr) observers_.push_back(o);
    }
    void RemoveObserver(ValueObserver* o) {
        const auto it = std::find(observers_.begin(), observers_.end(), o);
        if (it != observers_.end()) observers_.erase(it);
    }
    // An observer may remove itself (or another) while being told.
    void NotifyObservers() {
        const auto copy = observers_;
        for (ValueObserver* o : copy)
            if (std::find(observers_.begin(), observers_.end(), o) != observers_.end()) o->OnValueChanged();
    }
    std::size_t ObserverCount() const { return observers_.size(); }

private:
    std::vector<ValueObserver*> observers_;
};

}  // namespace pellivar
