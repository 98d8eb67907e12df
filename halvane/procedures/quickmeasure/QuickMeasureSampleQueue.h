#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace halvane::procedures {

// The microphone samples Quick Measure has received and not yet analysed,
// in capture order. The recorder's dispatcher appends each delivered block;
// once a window of 131072 samples is pending, the oldest window is taken for
// one analysis and its second half stays queued at the head, so successive
// analyses overlap by half: one response per 65536 new samples. Every
// operation holds the queue's own lock; any thread may call.
class QuickMeasureSampleQueue {
public:
    static constexpr int kWindow = 0x20000;  // samples per analysis
    static constexpr int kHop = 0x10000;     // new samples per analysis

    // Queues a delivered block (shared, never written) and returns the new
    // pending total. An empty block is ignored.
    int Append(std::shared_ptr<const double[]> samples, int count);

    // With at least kWindow samples pending: copies the oldest kWindow into
    // `window` (resized to kWindow), keeps the last kHop of them queued at
    // the head and answers true; the pending total drops by kHop. With
    // fewer, nothing changes and the answer is false.
    bool TakeWindow(std::vector<double>& window);

    // Drops every pending sample.
    void Clear();
    int Pending() const;
    std::size_t PendingBlocks() const;

private:
    struct Block {
        std::shared_ptr<const double[]> samples;
        int offset = 0;  // the first sample not yet taken
        int count = 0;   // samples left from offset
    };

    mutable std::mutex mutex_;
    std::deque<Block> pending_;
    int total_ = 0;
};

}  // namespace halvane::procedures
