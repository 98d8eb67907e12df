#pragma once

#include <cstdint>

namespace halvane::procedures {

// Quick Measure's connection states. Only one task (connect, disconnect,
// start, stop) runs at a time; a button is taken only in the states its row
// of the table allows.
namespace quickmeasure {

constexpr std::int32_t kDisconnected = 0;
constexpr std::int32_t kConnecting = 1;
constexpr std::int32_t kConnected = 2;
constexpr std::int32_t kDisconnecting = 3;
constexpr std::int32_t kStarting = 4;
constexpr std::int32_t kStopping = 5;
constexpr std::int32_t kMeasuring = 6;

enum class Button { Connect, Disconnect, Start, Stop };

// One row of the table: the state while the task runs and the states it
// ends in.
struct Transition {
    std::int32_t running = 0;
    std::int32_t success = 0;
    std::int32_t failure = 0;
};

// The row for `button` pressed in `state`; false when the button is not
// allowed there ("Busy, please wait").
bool FindTransition(Button button, std::int32_t state, Transition& out);

// Which controls a state enables.
struct EnabledControls {
    bool connect = false;
    bool disconnect = false;
    bool start = false;
    bool stop = false;
    bool speaker = false;
    friend bool operator==(const EnabledControls&, const EnabledControls&) = default;
};
EnabledControls ControlsFor(std::int32_t state);

}  // namespace quickmeasure
}  // namespace halvane::procedures
