#pragma once

#include "halvane/app/models/PlotGeometry.h"

#include <memory>

namespace halvane::app::models {

// A point buffer claimed for drawing one curve: one of the two pooled
// buffers of the process, or one of the same size from the heap when both
// are in use. Moving hands the claim on; destruction releases it.
class PointBuffer {
public:
    static constexpr int kPoints = 65536;

    PointBuffer() = default;
    PointBuffer(PointBuffer&& other) noexcept;
    PointBuffer& operator=(PointBuffer&& other) noexcept;
    PointBuffer(const PointBuffer&) = delete;
    PointBuffer& operator=(const PointBuffer&) = delete;
    ~PointBuffer();

    PlotPoint* Data() const { return data_; }
    int Capacity() const { return kPoints; }
    // The index of the pooled buffer held (0 or 1), or -1 for a heap one.
    int PoolSlot() const { return slot_; }

private:
    friend class PointBufferPool;
    PointBuffer(PlotPoint* data, int slot, std::unique_ptr<PlotPoint[]> heap)
        : data_(data), slot_(slot), heap_(std::move(heap)) {}
    void Release();

    PlotPoint* data_ = nullptr;
    int slot_ = -1;
    std::unique_ptr<PlotPoint[]> heap_;
};

// The two process-wide buffers of 65536 points that curve drawing uses. A
// buffer is claimed by flipping its in-use flag from 0 to 1 (compare and
// exchange, the buffers tried in order) and released by storing 0.
class PointBufferPool {
public:
    static PointBuffer Claim();
    // How many of the two pooled buffers are claimed now.
    static int InUse();

private:
    friend class PointBuffer;
    static void Release(int slot);
};

}  // namespace halvane::app::models
