#pragma once

#include "sim/Dialect.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace sim {

// Halvane's processor: identification per model and firmware version, the
// power of zones 1-3, and a settings store of words queried with "W?" and
// set with "W<value>" (speaker configuration, levels, main volume). Commands
// end at "\n" or ";"; a command's word is the longest known word it begins
// with ("SZCXF80" sets SZCXF, not SZCX). A query answers the word and the
// value; a set answers its own echo; an unknown command is echoed too.
// The line is 8N2 at the configured speed.
//
// A flagship (models 0-5) also has DSP memory reached through a debug mode
// ("D3807.2" on, "dx" off): base-address queries, word writes echoed with
// exactly six characters and reads answered with the six-digit word, with
// the "dq" words on models 0-3 and "dm" on models 4-5; and a test tone
// ("P1N<ch>", "P1N8" off). A receiver (models 6-8) has the fixed-width words
// REQ, QEX (its test tone), AVC, B, F<c><g>, L<i>, and the float-bit stores
// C<c><k><r><b><i> and G<c><k><r> (eight hexadecimal digits).
class HalvaneDialect final : public LineDialect {
public:
    // What a read of a DSP word or a query of a float-bit word never written
    // answers (after the word, for the receivers): no value reads from it.
    static constexpr const char* kUnwrittenReply = "UNWRITTEN";

    // Model indices as Halvane numbers them (0 "Tolvarine Z6 " .. 8 "Vux700 ").
    static constexpr int kModelCount = 9;
    static const char* ModelPrefix(int modelIndex);

    struct Knobs {
        std::string identOverride;     // the whole identification text, in place of "<prefix>v<version>"
        std::string staleBeforeIdent;  // bytes ahead of each identification reply, in the same write
        std::string staleBeforeReplies;  // bytes ahead of every other reply, in the same write
        int identIgnoreCount = 0;      // this many "?" go unanswered first
        int fragments = 1;             // each reply in this many writes...
        std::int64_t fragmentGapMs = 20;  // ...this far apart (simulator clock)
        std::set<std::string> silentWords;  // words whose queries and sets get no reply
        // Sets of a word acknowledged but not taken, this many times first.
        std::map<std::string, int> ignoreSets;
        // Lead of level (SL*) query replies in place of the word; "auto":
        // three characters on firmware 1.31c (the word's first three).
        std::string levelLead = "auto";
        bool garbageAtWrongSpeed = false;  // bytes at another speed get junk without a line end
        // One burst of this much junk without a line end, sent as soon as the
        // line takes it (more than a line buffer holds keeps it full).
        std::size_t floodBytes = 0;

        // DSP memory (flagships).
        std::uint32_t coefficientBase = 0x002000;  // answered to the coefficient base query
        std::uint32_t gainBase = 0x000800;         // answered to the gain base query
        bool baseQueriesSilent = false;            // base queries get no reply
        bool requireDebugMode = true;              // DSP words outside debug mode: "Invalid Command"
        int rejectWrites = 0;                      // the next k word writes: "Invalid Command", not stored
        int echoJunkLines = 0;                     // lines ahead of each write's echo
        int wrongEchoes = 0;                       // the next k word writes are echoed with another word
        std::uint32_t badReadAddress = 0xFFFFFFFFu;  // reads of this address answer a wrong word...
        int badReadCount = 0;                        // ...this many times
        std::string gR1Reply = "gR1";              // the service check's answer ("In" asks for a resend)
        int toneExtraLines = 2;                    // lines after the echo of "P1N<ch>"
        bool debugSilent = false;                  // "D3807.2" gets no reply

        // Receiver words.
        bool looseGainReplies = false;  // G queries answer the bits and " OK"
        bool differEverywhere = false;  // C and G queries answer the bits with the low bit flipped
        bool confirmLines = true;       // a query confirming a new REQ/QEX value is followed by a state line
    };

    explicit HalvaneDialect(int modelIndex = 0, std::string firmware = "1.31c", int baud = 19200);

    platform::LineSettings expectedLine() const override { return platform::LineSettings::eightN2(baud_); }
    void onWrongLine(std::string_view bytes, Responder& out) override;
    void onTick(Responder& out) override;
    // [settings] every word but the levels, [levels] the level words (SL...
    // and a receiver's L<i>), then a flagship's [dsp] (address and word, six
    // hexadecimal digits each, as written) or a receiver's [bits] (word and
    // eight hexadecimal digits).
    std::string memoryText() const override;

    void setBaud(int baud) { baud_ = baud; }
    void setModel(int modelIndex) { model_ = modelIndex; }
    void setFirmware(std::string version) { firmware_ = std::move(version); }
    int model() const { return model_; }
    const std::string& firmware() const { return firmware_; }
    std::string identification() const;

    Knobs& knobs() { return knobs_; }

    // Zones 1-3.
    bool power(int zone) const;
    void setPower(int zone, bool on);

    // A setting's value as the processor reports it; none for unknown words.
    std::optional<std::string> setting(const std::string& word) const;
    bool setSetting(const std::string& word, const std::string& value);
    // Set commands received for a word, taken or not.
    int setsReceived(const std::string& word) const;
    int identRequests() const { return identRequests_; }

    // DSP memory: address -> 24-bit word, as written.
    const std::map<std::uint32_t, std::uint32_t>& dspMemory() const { return memory_; }
    void setDspWord(std::uint32_t address, std::uint32_t word) { memory_[address] = word & 0xFFFFFFu; }
    bool debugMode() const { return debugMode_; }
    int dspWrites() const { return dspWrites_; }
    int dspReads() const { return dspReads_; }
    // A receiver's float-bit store: "C01234" or "G012" -> bits; none when
    // never written.
    std::optional<std::uint32_t> bits(const std::string& word) const;
    const std::map<std::string, std::uint32_t>& bitStore() const { return bits_; }

    // The channel whose test tone plays (0-7), or -1. The source reads it
    // without the simulator's lock, so a microphone on another thread can
    // ask at any time.
    int toneChannel() const { return tone_->load(); }
    std::function<int()> toneSource() const {
        auto tone = tone_;
        return [tone] { return tone->load(); };
    }
    // Called (on the simulator's thread, before the command's reply goes
    // out) whenever the playing channel changes; -1: none plays.
    void setToneObserver(std::function<void(int)> observer) { toneObserver_ = std::move(observer); }

protected:
    void onCommand(const std::string& command, Responder& out) override;

private:
    struct Setting {
        int decimals;  // -1: an integer
        std::string value;
    };
    struct Pending {
        std::int64_t dueMs;
        std::string bytes;
    };

    void answer(const std::string& text, Responder& out);
    bool isReceiver() const { return model_ >= 6; }
    // The unit words (test tone, service and debug mode, DSP memory, float
    // bits); false when the command is none of them.
    bool unitCommand(const std::string& command, Responder& out);
    bool dspCommand(const std::string& command, Responder& out);
    bool bitCommand(const std::string& command, Responder& out);
    void afterSet(const std::string& word, const std::string& value);
    void afterQuery(const std::string& word, const std::string& value, Responder& out);
    const std::string* longestWord(const std::string& command) const;
    std::optional<std::string> normalised(const Setting& s, std::string_view value) const;
    std::string levelLeadFor(const std::string& word) const;

    int model_;
    std::string firmware_;
    int baud_;
    Knobs knobs_;
    std::map<std::string, Setting> settings_;
    std::map<std::string, int> setsReceived_;
    std::deque<Pending> pending_;
    int identRequests_ = 0;

    std::map<std::uint32_t, std::uint32_t> memory_;
    std::map<std::string, std::uint32_t> bits_;
    std::map<std::string, std::string> unconfirmed_;  // REQ/QEX value asked for since their last query
    bool debugMode_ = false;
    int dspWrites_ = 0;
    int dspReads_ = 0;
    std::shared_ptr<std::atomic<int>> tone_ = std::make_shared<std::atomic<int>>(-1);
    std::function<void(int)> toneObserver_;
    void setTone(int channel) {
        const int before = tone_->exchange(channel);
        if (before != channel && toneObserver_) toneObserver_(channel);
    }
};

}  // namespace sim
