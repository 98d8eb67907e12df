#include "pellivar/CPortInputBuffer.h"

#include "pellivar/CBasicTessikPort.h"

#include <thread>

namespace pellivar {

CPortInputBuffer::~CPortInputBuffer() { Stop(); }

void CPortInputBuffer::Start() {
    if (thread_.joinable()) return;
    // Stale input goes now, before anything is sent: done on the new thread
    // instead, a late start would throw away the first replies.
    port_.Purge();
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
}

void CPortInputBuffer::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void CPortInputBuffer::Run() {
    unsigned pass = 0;
    while (!stop_) {
        if (++pass % 5 == 0) std::this_thread::yield();
        // A hung-up line fails at once; wait a read time-out rather than spin.
        if (!port_.ReadPass()) port_.clock().sleepMs(port_.timing().readerRetryMs);
    }
}

}  // namespace pellivar
