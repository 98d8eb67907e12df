#include "marnoch/LoaderTrace.h"

#include <algorithm>
#include <set>

namespace marnoch {

namespace {

// Two lost bytes in one window are replayed up to this length; longer
// windows (an address tried many times over) only with one lost, which
// keeps a replay to some ten thousand parses.
constexpr std::size_t kTwoLostUpTo = 160;

// The loader's command parser as far as writes go.
class Parser {
public:
    Parser(unsigned address, int version) : address_(address), version_(version) {}

    void feed(std::uint8_t b, std::set<std::pair<unsigned, std::uint8_t>>& writes) {
        if (gone_) return;
        switch (pending_) {
        case 'a':
            if (operands_ == 0) {
                high_ = b;
                operands_ = 1;
                return;
            }
            address_ = ((static_cast<unsigned>(high_) << 8) | b) & 0xFFFu;
            pending_ = 0;
            return;
        case 'd':
            writes.insert({address_, b});
            pending_ = 0;
            return;
        case 'h':
            gone_ = changesSpeed(b);
            pending_ = 0;
            return;
        default: break;
        }
        switch (b) {
        case 'a':
        case 'd':
        case 'h':
            pending_ = static_cast<char>(b);
            operands_ = 0;
            return;
        case 'X': gone_ = true; return;  // the firmware starts and hears nothing of this
        default: return;
        }
    }

private:
    bool changesSpeed(std::uint8_t divisor) const {
        if (version_ >= 300) return divisor == 0x04 || divisor == 0x1D;
        if (version_ >= 200) return divisor == 0x01 || divisor == 0x0B;
        return false;
    }

    unsigned address_;
    int version_;
    char pending_ = 0;
    int operands_ = 0;
    std::uint8_t high_ = 0;
    bool gone_ = false;
};

}  // namespace

std::vector<std::pair<unsigned, std::uint8_t>> LoaderTrace::WritesIfLost(std::string_view bytes, unsigned address,
                                                                          int loaderVersion, int lost) {
    std::set<std::pair<unsigned, std::uint8_t>> writes;
    const std::size_t n = bytes.size();
    auto parse = [&](std::size_t skip1, std::size_t skip2) {
        Parser p(address, loaderVersion);
        for (std::size_t i = 0; i < n; ++i)
            if (i != skip1 && i != skip2) p.feed(static_cast<std::uint8_t>(bytes[i]), writes);
    };
    if (lost == 0) parse(n, n);
    if (lost == 1)
        for (std::size_t i = 0; i < n; ++i) parse(i, n);
    if (lost == 2)
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = i + 1; j < n; ++j) parse(i, j);
    return {writes.begin(), writes.end()};
}

void LoaderTrace::start(unsigned address) {
    address_ = address;
    bytes_.clear();
    spoilt_ = false;
}

void LoaderTrace::sent(std::string_view bytes) { bytes_.append(bytes); }

void LoaderTrace::replay() {
    if (!spoilt_ || bytes_.empty()) return;
    // What the bytes do as sent (the writes meant) is no stray write.
    const auto meant = WritesIfLost(bytes_, address_, version_, 0);
    auto add = [&](const std::vector<std::pair<unsigned, std::uint8_t>>& found) {
        for (const auto& write : found) {
            const unsigned a = write.first;
            const std::uint8_t v = write.second;
            if (std::find(meant.begin(), meant.end(), std::make_pair(a, v)) != meant.end()) continue;
            const bool known = std::any_of(writes_.begin(), writes_.end(), [&](const Write& w) {
                return w.window == windows_ && w.address == a && w.value == v;
            });
            if (!known) writes_.push_back({a, v, windows_});
        }
    };
    add(WritesIfLost(bytes_, address_, version_, 1));
    if (bytes_.size() <= kTwoLostUpTo) add(WritesIfLost(bytes_, address_, version_, 2));
}

void LoaderTrace::settled(unsigned address) {
    replay();
    ++windows_;
    start(address);
}

void LoaderTrace::close() {
    replay();
    ++windows_;
    start(kUnknownAddress);
}

}  // namespace marnoch
