#pragma once

#include "sim/Dialect.h"

#include <cstdint>
#include <deque>
#include <map>
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
class HalvaneDialect final : public LineDialect {
public:
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
    };

    explicit HalvaneDialect(int modelIndex = 0, std::string firmware = "1.31c", int baud = 19200);

    platform::LineSettings expectedLine() const override { return platform::LineSettings::eightN2(baud_); }
    void onWrongLine(std::string_view bytes, Responder& out) override;
    void onTick(Responder& out) override;

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
};

}  // namespace sim
