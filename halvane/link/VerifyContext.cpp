#include "halvane/link/VerifyContext.h"

#include "halvane/diagnostics/Format.h"
#include "halvane/diagnostics/HalvaneStrings.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/WireText.h"
#include "halvane/signal/ChannelTable.h"
#include "platform/StringTable.h"

namespace halvane::link::Comm {

namespace {

constexpr int kDoubleAttempts = LinkTiming::kVerifyDoubleAttempts;
constexpr int kIntAttempts = LinkTiming::kVerifyIntAttempts;
constexpr std::int64_t kFailedQuerySleepMs = LinkTiming::kAfterFailedVerifyQueryMs;
constexpr std::int64_t kConfigurationSleepMs = LinkTiming::kBeforeConfigurationMs;
constexpr int kSendTries = LinkTiming::kUnverifiedLevelTries;

constexpr const char* kLetters[design::TargetConfigBasic::kConfigurations] = {"C", "M"};
constexpr const char* kCrossoverWords[design::TargetConfigBasic::kGroups] = {"SZ%sXF", "SZ%sXC", "SZ%sXR", "SZ%sXB", "SZ%sX"};
constexpr const char* kSizeWords[design::TargetConfigBasic::kGroups] = {"SZ%sF", "SZ%sC", "SZ%sR", "SZ%sB", "SZ%sNS"};
constexpr const char* kLevelWords[signal::ChannelTable::kCount] = {"SLL", "SLC", "SLR", "SLSR", "SLBR", "SLBL", "SLSL", "SLs"};
constexpr const char* kMusicSubLevelWord = "SLm";

std::string Word(const char* pattern, int cfg) { return diagnostics::Format(pattern, kLetters[cfg]); }

std::string Label(int id) {
    diagnostics::RegisterHalvaneStrings();
    return platform::processStrings().text(id);
}

// "No", "Yes", "Off/Disabled", "Small", "Large": yes/no v at v, size s at 2 + s.
std::string SharedLabel(int index) {
    static constexpr int ids[] = {diagnostics::ids::No, diagnostics::ids::Yes, diagnostics::ids::OffDisabled,
                                  diagnostics::ids::Small, diagnostics::ids::Large};
    if (index < 0 || index >= 5) return std::to_string(index);
    return Label(ids[index]);
}

std::string ConfigurationName(int cfg) { return Label(cfg == 0 ? diagnostics::ids::Movie : diagnostics::ids::Music); }

template <class T, class Query>
bool SetAndVerify(VerifyContext& context, const std::string& set, const std::string& query, T wanted, int attempts,
                  Query&& read) {
    CBasicTessikPort& port = *context.port;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        T value{};
        if (read(value, query)) {
            if (value == wanted) return true;
        } else {
            port.Pause(kFailedQuerySleepMs);
            port.Drain();
            // A silent processor or an aborted job: the setting has failed.
            if (port.Stopping()) return false;
        }
        port.SendAndReceive(set, "\n");
    }
    return false;
}

// A silent processor or an aborted job: the settings still to go are not
// tried, and the failure text says why.
bool StopHere(VerifyContext& context) {
    if (!context.port->Stopping()) return false;
    context.AppendErrorLine(context.port->LinkFailed() ? "The processor stopped answering." : "Stopped by the user.");
    return true;
}

bool SendLevelUnverified(CBasicTessikPort& port, const std::string& word, double level) {
    const std::string command = word + FormatDouble("%0.2lf", level) + "\n";
    for (int attempt = 0; attempt < kSendTries; ++attempt) {
        if (port.SendAndReceive(command, "\n")) return true;
        port.Drain();
        if (port.Stopping()) return false;
    }
    return false;
}

}  // namespace

bool SetAndVerifyDoubleSkip(VerifyContext& context, const std::string& prefix, const std::string& format,
                            double value, std::size_t skip) {
    if (context.port == nullptr) return false;
    CBasicTessikPort& port = *context.port;
    return SetAndVerify(context, prefix + FormatDouble(format, value) + "\n", prefix + "?\n", value, kDoubleAttempts,
                        [&](double& out, const std::string& query) {
                            return port.QueryValue(out, query, "%lf", "\n", skip);
                        });
}

bool SetAndVerifyDouble(VerifyContext& context, const std::string& prefix, const std::string& format, double value) {
    return SetAndVerifyDoubleSkip(context, prefix, format, value, prefix.size());
}

bool SetAndVerifyInt(VerifyContext& context, const std::string& prefix, std::int32_t value) {
    if (context.port == nullptr) return false;
    CBasicTessikPort& port = *context.port;
    const std::size_t skip = prefix.size();
    return SetAndVerify(context, prefix + FormatInt("%d", value) + "\n", prefix + "?\n", static_cast<int>(value),
                        kIntAttempts, [&](int& out, const std::string& query) {
                            return port.QueryValueSlow(out, query, "%d", "\n", skip);
                        });
}

bool SendSpeakerConfig(VerifyContext& context, const design::TargetConfig& targets, const GroupFlags& groupFlags) {
    context.failureText.clear();
    if (context.port == nullptr) return false;
    CBasicTessikPort& port = *context.port;
    using diagnostics::Format;

    const std::int32_t same = targets.MusicUsesMovie;
    if (!SetAndVerifyInt(context, "SZS", same))
        context.AppendErrorLine(
            Format("Music Same As Movie speaker configuration setting failed to verify. (should be %s)",
                   SharedLabel(same).c_str()));

    for (int cfg = 0; cfg < design::TargetConfigBasic::kConfigurations; ++cfg) {
        if (StopHere(context)) return false;
        const std::string name = ConfigurationName(cfg);
        port.Pause(kConfigurationSleepMs);
        port.Drain();
        if (!SetAndVerifyInt(context, Word("SZ%sA", cfg), 1))
            context.AppendErrorLine(Format(
                "%s config speaker configuration 'Advanced' setting failed to verify. (should be set to ON)",
                name.c_str()));

        // Music takes the Movie crossovers and flags while it follows Movie.
        const int from = targets.EffectiveConfiguration(cfg);
        for (int g = 0; g < design::TargetConfigBasic::kGroups; ++g) {
            if (StopHere(context)) return false;
            const bool sub = g == design::TargetConfigBasic::Subwoofer;
            const std::int32_t x = targets.Crossover[static_cast<std::size_t>(from)][static_cast<std::size_t>(g)];
            std::int32_t crossoverCode = x;
            std::int32_t sizeCode = 1;
            bool sendSize = true;
            if (groupFlags[static_cast<std::size_t>(from)][static_cast<std::size_t>(g)] != 0 && !sub) {
                crossoverCode = design::TargetConfigBasic::kInvalidCrossover;  // full range
                sizeCode = 2;
                sendSize = g != design::TargetConfigBasic::Front;
            } else if (x == design::TargetConfigBasic::kNoCrossover) {
                crossoverCode = design::TargetConfigBasic::kDefaultCrossover;
                sizeCode = 0;
            }
            const char* group = signal::ChannelTable::kGroupNames[static_cast<std::size_t>(g)];
            if (!SetAndVerifyInt(context, Word(kCrossoverWords[g], cfg), crossoverCode))
                context.AppendErrorLine(Format("%s config speaker configuration %s speaker 'crossover' setting failed "
                                               "to verify. (should be set to %s)",
                                               name.c_str(), group, std::to_string(crossoverCode).c_str()));
            if (!sendSize) continue;
            const std::string sizeWord = Word(kSizeWords[g], cfg);
            const auto sizeFailed = [&] {
                context.AppendErrorLine(Format(
                    "%s config speaker configuration %s speaker 'size' setting failed to verify. (should be set to %s)",
                    name.c_str(), group, SharedLabel(2 + sizeCode).c_str()));
            };
            if (SetAndVerifyInt(context, sizeWord, sizeCode)) continue;
            if (!sub) {
                sizeFailed();
                continue;
            }
            // The subwoofer's size refuses while its "use" setting
            // disagrees: set that first, then the size once more.
            const std::int32_t use = sizeCode == 0 ? 0 : 1;
            if (!SetAndVerifyInt(context, cfg == 0 ? "SZCS" : "SZMS", use))
                context.AppendErrorLine(Format(
                    "%s config speaker configuration subwoofer 'use' setting failed to verify. (should be set to %s)",
                    name.c_str(), SharedLabel(use).c_str()));
            if (!SetAndVerifyInt(context, sizeWord, sizeCode)) sizeFailed();
        }
    }

    const std::int32_t rears = targets.ConfigOption != 0 ? 1 : 2;
    if (!SetAndVerifyInt(context, "SZNB", rears))
        context.AppendErrorLine(Format(" Rear 'count' setting failed to verify. (should be set to %s)",
                                       std::to_string(rears).c_str()));
    return context.failureText.empty();
}

bool LevelsVerifiable(double version, char letter) { return version > 1.31 || (version == 1.31 && letter >= 'c'); }

bool SendSpeakerLevels(VerifyContext& context, const design::TargetConfig& targets) {
    context.failureText.clear();
    if (context.port == nullptr) return false;
    CBasicTessikPort& port = *context.port;
    double version = 0;
    char letter = 0;
    const bool known = port.ParseVersion(version, letter);
    const double musicSub = targets.MusicSubTrim * 0.5;

    if (!known || !LevelsVerifiable(version, letter)) {
        for (int i = 0; i < signal::ChannelTable::kCount; ++i)
            if (!SendLevelUnverified(port, kLevelWords[i], targets.ChannelTrim[static_cast<std::size_t>(i)] * 0.5))
                return false;
        return SendLevelUnverified(port, kMusicSubLevelWord, musicSub);
    }

    // Firmware 1.31c answers level queries with a three-character lead.
    const bool leadOfThree = version == 1.31 && letter == 'c';
    for (int i = 0; i < signal::ChannelTable::kCount; ++i) {
        if (StopHere(context)) return false;
        const double level = targets.ChannelTrim[static_cast<std::size_t>(i)] * 0.5;
        const std::string word = kLevelWords[i];
        const bool ok = leadOfThree ? SetAndVerifyDoubleSkip(context, word, "%0.2lf", level, 3)
                                    : SetAndVerifyDouble(context, word, "%0.2lf", level);
        if (!ok)
            context.AppendErrorLine(diagnostics::Format("%s speaker 'level' setting failed to verify. (should be set to %s)",
                                                    signal::ChannelTable::kNames[static_cast<std::size_t>(i)],
                                                    FormatDouble("%0.2lf", level).c_str()));
    }
    if (targets.CrossoverFor(design::TargetConfigBasic::Music, design::TargetConfigBasic::Subwoofer) != design::TargetConfigBasic::kNoCrossover &&
        !SetAndVerifyDouble(context, kMusicSubLevelWord, "%0.2lf", musicSub))
        context.AppendErrorLine(diagnostics::Format("Music sub speaker 'level' setting failed to verify. (should be set to %s)",
                                                FormatDouble("%0.2lf", musicSub).c_str()));
    return context.failureText.empty();
}

}  // namespace halvane::link::Comm
