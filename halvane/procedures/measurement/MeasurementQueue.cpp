#include "halvane/procedures/measurement/MeasurementQueue.h"

#include <stdexcept>

#include "halvane/diagnostics/TException.h"

namespace halvane::procedures {

MeasurementItem MeasurementQueue::Peek() const {
    if (items_.empty()) throw std::logic_error("Can't peek on empty stack");
    return items_.front();
}

MeasurementItem MeasurementQueue::Pop() {
    if (items_.empty()) throw std::logic_error("Can't pop on empty stack");
    const MeasurementItem item = items_.front();
    items_.pop_front();
    return item;
}

bool MeasurementQueue::IsLastOfPosition() const {
    if (items_.empty()) throw std::logic_error("Can't peek on empty stack");
    const auto next = std::next(items_.begin());
    return next == items_.end() || next->position != items_.front().position;
}

void BuildMeasurementQueue(procedures::MeasurementSession& session, MeasurementQueue& queue, int configuration) {
    queue.Clear();
    if (configuration < 0 || configuration > 1) throw std::logic_error("Invalid configuration");
    const std::size_t c = static_cast<std::size_t>(configuration);
    const std::int32_t n = session.PositionsPerConfiguration()[c];
    if (n < 5 || n > 10) throw diagnostics::TException("Count out of range");
    session.SetPositionCount(n);
    const auto& selected = session.SelectedChannels()[c];
    for (std::int32_t p = 0; p < n; ++p)
        for (const auto& [index, channel] : selected) queue.Append({channel, p});
}

}  // namespace halvane::procedures
