#include "halvane/app/models/PointBufferPool.h"

#include <array>
#include <atomic>

namespace halvane::app::models {

namespace {

struct Pool {
    std::array<std::atomic<bool>, 2> inUse{};
    std::array<std::array<PlotPoint, PointBuffer::kPoints>, 2> points{};
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

}  // namespace

PointBuffer::PointBuffer(PointBuffer&& other) noexcept
    : data_(other.data_), slot_(other.slot_), heap_(std::move(other.heap_)) {
    other.data_ = nullptr;
    other.slot_ = -1;
}

PointBuffer& PointBuffer::operator=(PointBuffer&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = other.data_;
        slot_ = other.slot_;
        heap_ = std::move(other.heap_);
        other.data_ = nullptr;
        other.slot_ = -1;
    }
    return *this;
}

PointBuffer::~PointBuffer() { Release(); }

void PointBuffer::Release() {
    if (data_ != nullptr && slot_ >= 0) PointBufferPool::Release(slot_);
    heap_.reset();
    data_ = nullptr;
    slot_ = -1;
}

PointBuffer PointBufferPool::Claim() {
    Pool& pool = ThePool();
    for (int slot = 0; slot < 2; ++slot) {
        bool expected = false;
        if (pool.inUse[slot].compare_exchange_strong(expected, true))
            return PointBuffer(pool.points[slot].data(), slot, nullptr);
    }
    auto heap = std::make_unique<PlotPoint[]>(PointBuffer::kPoints);
    PlotPoint* data = heap.get();
    return PointBuffer(data, -1, std::move(heap));
}

int PointBufferPool::InUse() {
    Pool& pool = ThePool();
    return static_cast<int>(pool.inUse[0].load()) + static_cast<int>(pool.inUse[1].load());
}

void PointBufferPool::Release(int slot) { ThePool().inUse[slot].store(false, std::memory_order_release); }

}  // namespace halvane::app::models
