#pragma once

#include "halvane/procedures/measurement/MeasurementSession.h"

#include <cstdint>
#include <list>

namespace halvane::procedures {

// One measurement of a run: a channel at a listening position.
struct MeasurementItem {
    std::int32_t channel = 0;
    std::int32_t position = 0;
    bool operator==(const MeasurementItem&) const = default;
};

// The measurements of one run, taken oldest first.
class MeasurementQueue {
public:
    void Clear() { items_.clear(); }
    void Append(MeasurementItem item) { items_.push_back(item); }
    // Puts an item at the taking end: it becomes the current item.
    void Push(MeasurementItem item) { items_.push_front(item); }
    bool IsEmpty() const { return items_.empty(); }
    int Count() const { return static_cast<int>(items_.size()); }

    // The current (oldest) item. Throws std::logic_error "Can't peek on
    // empty stack".
    MeasurementItem Peek() const;
    // Removes and returns the current item. Throws std::logic_error "Can't
    // pop on empty stack".
    MeasurementItem Pop();
    // Whether the current item is the last of its position: nothing follows
    // it or the next item is at another position. Throws like Peek on an
    // empty queue.
    bool IsLastOfPosition() const;

private:
    std::list<MeasurementItem> items_;
};

// Fills the queue for a configuration (0 or 1) of the session: every
// selected channel at position 0, then every selected channel at position
// 1, and so on for the configuration's PositionsPerConfiguration. Sets the
// session's PositionCount. A position count outside 5..10 throws
// diagnostics::TException "Count out of range" with the queue emptied and
// PositionCount unchanged; a configuration other than 0 or 1 throws
// std::logic_error.
void BuildMeasurementQueue(procedures::MeasurementSession& session, MeasurementQueue& queue, int configuration);

}  // namespace halvane::procedures
