#pragma once

#include <atomic>
#include <thread>

namespace pellivar {

class CBasicTessikPort;

// The reader thread: pass after pass it takes what the unit sent (a few
// bytes at a time, with the port's short time-outs) and hands the complete
// lines to the subscriptions. It never spins: each pass waits on the line.
class CPortInputBuffer {
public:
    explicit CPortInputBuffer(CBasicTessikPort& port) : port_(port) {}
    virtual ~CPortInputBuffer();
    CPortInputBuffer(const CPortInputBuffer&) = delete;
    CPortInputBuffer& operator=(const CPortInputBuffer&) = delete;

    void Start();
    // Sets the stop flag and waits for the thread; a pass lasts at most the
    // read time-out.
    void Stop();
    bool Running() const { return thread_.joinable(); }

private:
    void Run();

    CBasicTessikPort& port_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace pellivar
