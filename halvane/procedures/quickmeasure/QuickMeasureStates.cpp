#include "halvane/procedures/quickmeasure/QuickMeasureStates.h"

namespace halvane::procedures::quickmeasure {

bool FindTransition(Button button, std::int32_t state, Transition& out) {
    switch (button) {
    case Button::Connect:
        if (state != kDisconnected) return false;
        out = {kConnecting, kConnected, kDisconnected};
        return true;
    case Button::Disconnect:
        if (state != kConnected && state != kMeasuring) return false;
        out = {kDisconnecting, kDisconnected, kConnected};
        return true;
    case Button::Start:
        if (state != kConnected) return false;
        out = {kStarting, kMeasuring, kConnected};
        return true;
    case Button::Stop:
        if (state != kMeasuring) return false;
        out = {kStopping, kConnected, kMeasuring};
        return true;
    }
    return false;
}

EnabledControls ControlsFor(std::int32_t state) {
    EnabledControls c;
    if (state == kDisconnected) {
        c.connect = true;
    } else if (state == kConnected) {
        c.disconnect = c.start = c.speaker = true;
    } else if (state == kMeasuring) {
        c.disconnect = c.stop = true;
    }
    return c;
}

}  // namespace halvane::procedures::quickmeasure
