#include "pellivar/CBasicTessikPort.h"

#include "pellivar/CPortInputBuffer.h"
#include "pellivar/CSItemVector.h"
#include "platform/PortMap.h"
#include "platform/PortTried.h"

namespace pellivar {

PortResolver DefaultPortResolver() {
    return [](int comNumber) {
        static const platform::PortMap map;
        return map.resolve(comNumber).path;
    };
}

CBasicTessikPort::CBasicTessikPort(CSItemVector& replies, platform::Clock& clock, Timing timing,
                                   PortResolver resolver, platform::ByteLine* line)
    : replies_(replies), clock_(clock), timing_(timing), resolver_(std::move(resolver)), serial_(clock),
      line_(line != nullptr ? *line : serial_),
      splitter_([this](const std::string& line) {
          if (lineObserver_) lineObserver_(line);
          replies_.Dispatch(line);
      }) {}

CBasicTessikPort::~CBasicTessikPort() {
    stop_ = true;
    Close();
}

std::string CBasicTessikPort::DevicePath() {
    std::lock_guard lock(portLock_);
    return line_.path();
}

void CBasicTessikPort::SetWriteObserver(WriteObserver observer) {
    std::lock_guard lock(portLock_);
    writeObserver_ = std::move(observer);
}

void CBasicTessikPort::SetLostObserver(LostObserver observer) {
    std::lock_guard lock(portLock_);
    lostObserver_ = std::move(observer);
}

void CBasicTessikPort::SetLineObserver(LineObserver observer) {
    std::lock_guard lock(portLock_);
    lineObserver_ = std::move(observer);
}

void CBasicTessikPort::MarkLost(const std::string& reason) {
    if (!connected_.exchange(false)) return;
    if (lostObserver_) lostObserver_(reason);
}

CBasicTessikPort::SearchProgress CBasicTessikPort::GetSearchProgress() const {
    SearchProgress p;
    p.port = searchPort_.load();
    p.speedsTried = searchTried_.load();
    p.speeds = searchSpeeds_.load();
    p.baud = PortSpeeds::baud(speedIndex_.load());
    return p;
}

// Called with the port lock held.
bool CBasicTessikPort::ConfigureLocked(bool drainFirst) {
    return line_.configure(platform::LineSettings::eightN1(PortSpeeds::baud(speedIndex_)), drainFirst);
}

// The port's read time-outs: n bytes, or multiplier x n + constant in all, or
// an interval without a byte once one has come.
long CBasicTessikPort::ReadLocked(char* buffer, std::size_t n) {
    const auto& t = timeouts_;
    return line_.read(buffer, n, t.readMultiplier * static_cast<std::int64_t>(n) + t.readConstant,
                      t.readInterval);
}

bool CBasicTessikPort::WriteLocked(const std::string& text) {
    if (!line_.isOpen()) return false;
    if (writeObserver_) writeObserver_(clock_.nowMs(), text);
    const auto& t = timeouts_;
    if (line_.writeAll(text, t.writeMultiplier * static_cast<std::int64_t>(text.size()) + t.writeConstant)) return true;
    MarkLost(kWriteFailedReason);
    return false;
}

bool CBasicTessikPort::Open(int portNumber) {
    std::lock_guard life(lifecycle_);
    Close();
    portNumber_ = portNumber;
    const std::string path = resolver_ ? resolver_(portNumber) : std::string();
    if (path.empty()) return false;

    {
        std::lock_guard lock(portLock_);
        if (!line_.open(path)) return false;
        if (!ConfigureLocked(false)) {
            line_.close();
            return false;
        }
        splitter_.Reset();
        open_ = true;
    }
    if (!SetTimeouts()) {
        Close();
        return false;
    }
    return true;
}

// The receive side is purged; the transmit side is left alone: it may still
// hold the speed change written just before the port was re-opened for the
// search at the new speed.
bool CBasicTessikPort::SetTimeouts() {
    std::lock_guard lock(portLock_);
    if (!line_.isOpen() || !line_.purgeInput()) return false;
    timeouts_ = kWorking;
    return true;
}

void CBasicTessikPort::Close() {
    std::lock_guard life(lifecycle_);
    // The reader needs the port lock to finish its pass: stop it first.
    if (reader_) {
        reader_->Stop();
        reader_.reset();
    }
    std::lock_guard lock(portLock_);
    connected_ = false;
    open_ = false;
    line_.close();
}

bool CBasicTessikPort::Identify() {
    model_ = -1;
    {
        std::lock_guard lock(portLock_);
        if (!line_.isOpen() || !ConfigureLocked(true)) return false;
    }
    for (int round = 0; round < timing_.identifyRounds; ++round) {
        if (stop_) return false;
        {
            std::lock_guard lock(portLock_);
            if (!WriteLocked("?\n")) return false;
        }
        clock_.sleepMs(timing_.identifyWaitMs);
        char reply[101] = {};
        long n = 0;
        {
            std::lock_guard lock(portLock_);
            n = ReadLocked(reply, 100);
        }
        if (n > 0) {
            std::string text(reply, static_cast<std::size_t>(n));
            const int model = ModelNames::match(text);
            if (model >= 0) {
                model_ = model;
                return true;
            }
        }
    }
    return false;
}

bool CBasicTessikPort::Search(int lastPort, bool allSpeeds) {
    std::lock_guard life(lifecycle_);
    Close();
    int found = 0;
    struct ProgressEnd {
        CBasicTessikPort& p;
        ~ProgressEnd() { p.searchPort_ = 0; }
    } progressEnd{*this};
    searchSpeeds_ = allSpeeds ? static_cast<int>(PortSpeeds::kSearchOrder.size()) : 1;
    std::vector<platform::PortTried> tried;
    for (int port = 1; port <= lastPort && found == 0 && !stop_; ++port) {
        if (allSpeeds) speedIndex_ = 0;
        searchTried_ = 0;
        platform::PortTried& here = tried.emplace_back(platform::PortTried{port, resolver_ ? resolver_(port) : "", {}});
        if (!Open(port)) {
            if (!here.device.empty()) here.outcome = OpenFailure();
            continue;
        }
        here.outcome = kNoAnswerOutcome;
        searchPort_ = port;
        {
            std::lock_guard lock(portLock_);
            timeouts_ = kSearching;
        }
        if (allSpeeds) {
            for (const int index : PortSpeeds::kSearchOrder) {
                if (stop_) break;
                speedIndex_ = index;
                ++searchTried_;
                if (Identify()) {
                    found = port;
                    break;
                }
            }
        } else {
            searchTried_ = 1;
            if (Identify()) found = port;
        }
    }
    const auto report = [&] {
        std::lock_guard lock(reportLock_);
        lastSearch_ = std::move(tried);
    };
    if (found == 0 || stop_) {
        Close();
        report();
        return false;
    }
    // Open again at the speed found, with the working time-outs, and start
    // handing what the unit says to the subscriptions.
    const int model = model_;
    if (!Open(found)) {
        tried.back().outcome = OpenFailure();
        Close();
        report();
        return false;
    }
    tried.back().outcome = kAnsweredOutcome;
    report();
    model_ = model;
    reader_ = std::make_unique<CPortInputBuffer>(*this);
    reader_->Start();
    connected_ = true;
    return true;
}

std::string CBasicTessikPort::OpenFailure() {
    std::lock_guard lock(portLock_);
    return platform::CouldNotOpen(line_);
}

std::string CBasicTessikPort::SearchReport() const {
    std::lock_guard lock(reportLock_);
    return platform::PortTriedLines(lastSearch_);
}

bool CBasicTessikPort::FindUnit() { return Search(kSearchPorts, true); }

bool CBasicTessikPort::FindUnitAtSpeed() { return Search(kSearchPortsAtSpeed, false); }

// The port lock is held for the whole exchange so the reader cannot take the
// answer; everything read is then fed to the line splitter in order, so a
// reply that was in flight is still delivered and a line cut at the edge of
// the exchange is completed by the reader, not spliced.
int CBasicTessikPort::QueryPower() {
    if (!IsConnected()) return 0;
    std::lock_guard lock(portLock_);
    if (!line_.isOpen()) return 0;
    power_ = 0;
    bool answered = false;  // "P1P" came back at all (on or off)
    int attempt = 0;
    for (; attempt < timing_.powerAttempts && power_ == 0 && !stop_; ++attempt) {
        if (!WriteLocked("P1P?\n")) return 0;
        std::string collected;
        for (int r = 0; r < timing_.powerReads; ++r) {
            clock_.sleepMs(timing_.powerReadGapMs);
            char bytes[10];
            const long n = ReadLocked(bytes, sizeof bytes);
            if (n < 0) {
                MarkLost(kHungUpReason);
                return 0;
            }
            if (n > 0) collected.append(bytes, static_cast<std::size_t>(n));
        }
        if (collected.find("P1P1") != std::string::npos) power_ = 1;
        if (collected.find("P1P") != std::string::npos) answered = true;
        splitter_.Feed(collected);
    }
    // Every attempt went unanswered: the unit is gone from the line.
    if (!answered && attempt == timing_.powerAttempts) MarkLost(kNoPowerAnswerReason);
    return power_;
}

bool CBasicTessikPort::Write(const std::string& text) {
    if (!open_) return false;
    std::lock_guard lock(portLock_);
    return WriteLocked(text);
}

bool CBasicTessikPort::Drain() {
    if (!open_) return false;
    std::lock_guard lock(portLock_);
    return line_.isOpen() && line_.drainOutput();
}

bool CBasicTessikPort::ReadPass() {
    std::lock_guard lock(portLock_);
    if (!line_.isOpen()) return false;
    char bytes[5];
    const long n = ReadLocked(bytes, sizeof bytes);
    if (n < 0) {
        MarkLost(kHungUpReason);
        return false;
    }
    if (n > 0) splitter_.Feed(std::string_view(bytes, static_cast<std::size_t>(n)));
    return true;
}

bool CBasicTessikPort::Purge() {
    std::lock_guard lock(portLock_);
    return line_.isOpen() && line_.purgeInput();
}

}  // namespace pellivar
