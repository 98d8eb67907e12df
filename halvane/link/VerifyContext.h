#pragma once

#include "halvane/design/TargetConfig.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace halvane::link::Comm {

class CBasicTessikPort;

// What the set-and-verify exchanges work on: the port, and the failure text
// with one line ("...\r\n") per setting that did not verify, so that the
// caller can show every failed setting at once.
struct VerifyContext {
    std::string failureText;
    CBasicTessikPort* port = nullptr;

    explicit VerifyContext(CBasicTessikPort* p = nullptr) : port(p) {}
    void AppendErrorLine(const std::string& message) { failureText += message + "\r\n"; }
};

// The group flags of both configurations, as the target record keeps them.
using GroupFlags = std::array<std::array<std::int32_t, design::TargetConfigBasic::kGroups>, design::TargetConfigBasic::kConfigurations>;

// Sets a numeric setting and reads it back until the processor reports the
// value: each attempt queries "<prefix>?\n" and, unless the reply (after
// `skip` characters, the prefix's length by default) is the value exactly,
// sends "<prefix><value>\n". 5 attempts for doubles, 10 (slow replies) for
// integers. A failed query waits 100 ms and drains before the set is sent.
bool SetAndVerifyDouble(VerifyContext& context, const std::string& prefix, const std::string& format, double value);
bool SetAndVerifyDoubleSkip(VerifyContext& context, const std::string& prefix, const std::string& format,
                            double value, std::size_t skip);
bool SetAndVerifyInt(VerifyContext& context, const std::string& prefix, std::int32_t value);

// The speaker sizes and crossovers of both configurations ("SZ..." words),
// every setting set and verified; a failed one adds its line and the rest
// still go. Music reads crossovers and flags through MusicUsesMovie. True
// when everything verified. The failure text is emptied first.
bool SendSpeakerConfig(VerifyContext& context, const design::TargetConfig& targets, const GroupFlags& groupFlags);

// The channel levels ("SL..." words, trims x 0.5 dB): set and verified from
// firmware 1.31c on (1.31c answers with a three-character lead), merely sent
// on older firmware, where the first level that cannot be sent ends it.
bool SendSpeakerLevels(VerifyContext& context, const design::TargetConfig& targets);

// The firmware decides whether levels can be read back.
bool LevelsVerifiable(double version, char letter);

}  // namespace halvane::link::Comm
