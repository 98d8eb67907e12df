#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marnoch {

// What the boot loader may have written while bytes sent to it were lost.
// The loader has no framing: after a lost "a" it takes the address bytes
// for commands, and a low address byte 0x64 is its write command "d", which
// then writes the next byte it hears at the address it last had. Nothing on
// the line says so, but the program knows every byte it sent: it replays
// them through the loader's command parser, once for every choice of one or
// two of them lost, and collects every write that could have come of it.
//
// The bytes are gathered in windows. A window opens where the loader is
// known to be idle at an address (two clean reads that agree, or a verified
// write) and closes at the next such point; only a window in which some
// exchange went wrong (a resend, a stray byte, no answer) is replayed.
class LoaderTrace {
public:
    // An address nobody can name: the loader's own before the first one set.
    static constexpr unsigned kUnknownAddress = 0x10000;

    struct Write {
        unsigned address;     // kUnknownAddress when the loader's address was not known
        std::uint8_t value;
        std::size_t window;   // the window it may have happened in (counted from 0)
    };

    // The speed divisors that end the parse depend on the loader's version.
    explicit LoaderTrace(int loaderVersion) : version_(loaderVersion) {}

    void start(unsigned address);
    void sent(std::string_view bytes);
    // Some exchange of the open window went wrong.
    void spoilt() { spoilt_ = true; }
    // The loader is idle at `address`: the open window closes.
    void settled(unsigned address);
    // No more bytes follow, or the loader was entered again and its state is
    // known only from here on: the open window closes as it is, and the next
    // starts idle at an address nobody can name.
    void close();
    // The writes of the open window as far as it goes, found now (when the
    // window settles or closes it is replayed whole).
    void replayOpen() { replay(); }

    // The window now open.
    std::size_t window() const { return windows_; }
    const std::vector<Write>& possibleWrites() const { return writes_; }

    // The writes the loader makes of `bytes`, starting idle at `address`,
    // when `lost` of them (0 to 2) did not arrive, over every choice of
    // those; duplicates removed. A speed change or the loader's exit ends
    // what it hears.
    static std::vector<std::pair<unsigned, std::uint8_t>> WritesIfLost(std::string_view bytes, unsigned address,
                                                                       int loaderVersion, int lost);

private:
    void replay();

    int version_;
    unsigned address_ = kUnknownAddress;
    std::string bytes_;
    bool spoilt_ = false;
    std::size_t windows_ = 0;
    std::vector<Write> writes_;
};

}  // namespace marnoch
