#pragma once

#include <memory>

namespace halvane::signal::AudioSampler2 {

// The client of the streaming recorder: gets every recorded block of
// doubles, in capture order, on the recorder's dispatcher thread.
class WaveCallback {
public:
    // One delivered block. The recorder allocates it for this delivery and
    // the client owns it from then on; it is freed with the last copy of
    // `block`, also when a delivery is dropped unrun at shutdown.
    struct Data {
        std::shared_ptr<const double[]> block;
        int count = 0;

        const double* data() const { return block.get(); }
    };

    virtual ~WaveCallback() = default;
    virtual void DataReady(Data data) = 0;
};

}  // namespace halvane::signal::AudioSampler22
