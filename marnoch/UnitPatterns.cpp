#include "marnoch/UnitPatterns.h"

namespace marnoch {

namespace {

bool has(const std::string& s, const char* pattern) { return s.find(pattern) != std::string::npos; }

struct CodedPattern {
    const char* text;
    int model;
};

// Replies of the running firmware: model and version.
constexpr const char* kFirmwarePatterns[] = {
    "Bzt 2 V",          "Bzt 20 V",         "Bzt 20-HD v",    "Bzt 30-HD v",   "Bzt 40 v",
    "Bzt 50 v",         "Bzt 40/Qex v",     "Bzt 50/Qex v",   "Bzt 50v v",     "Tolvarine Z5HD v",
    "Tolvarine Z5v2 v", "Tolvarine Z6 v",   "Tolvarine Z6v v", "Bzt 30 V",     "Tolvarine Z5 v",
};

constexpr CodedPattern kProgrammerPatterns[] = {
    {"Bzt 20 EEPROM Prog", 1},          {"Bzt 30 EEPROM Prog", 2},        {"Bzt 20-HD EEPROM Prog", 1},
    {"Bzt 30-HD EEPROM Prog", 2},       {"Bzt 40 EEPROM Prog", 3},        {"Bzt 40/Qex EEPROM Prog", 4},
    {"Bzt 50 EEPROM Prog", 5},          {"Bzt 50/Qex EEPROM Prog", 6},    {"Bzt 50v EEPROM Prog", 7},
    {"Bzt 50v FLASH Prog", 8},          {"Tolvarine Z5HD EEPROM Prog", 9}, {"Tolvarine Z5v2 EEPROM Prog", 9},
    {"Tolvarine Z6 EEPROM Prog", 10},   {"Tolvarine Z6v EEPROM Prog", 11}, {"Tolvarine Z6v FLASH Prog", 12},
    {"Tolvarine Z5 EEPROM Prog", 9},
};

constexpr CodedPattern kLoaderPatterns[] = {
    {"TOLVARINE Z5 ISP", 9}, {"TOLVARINE Z6 ISP", 10}, {"TOLVARINE Z6v2 ISP", 11}, {"TOLVARINE Z6v3 ISP", 12},
    {"Bzt 20 ISP", 1},       {"Bzt 30 ISP", 2},        {"Bzt 40 ISP", 3},          {"Bzt 40qex ISP", 4},
    {"Bzt 50 ISP", 5},       {"Bzt 50qex ISP", 6},     {"Bzt 50v2 ISP", 7},        {"Bzt 50v3 ISP", 8},
};

struct Acceptance {
    const char* text;
    bool probeToo;
};
constexpr Acceptance kAcceptance[] = {
    {"Bzt 2 ", true},          {"Bzt 20 ", true},         {"Bzt 20-HD ", true},      {"Bzt 30-HD ", true},
    {"Bzt 40 ", true},         {"Bzt 40/Qex ", true},     {"Bzt 40qex ISP", true},   {"Bzt 50qex ISP", true},
    {"Bzt 50 ", true},         {"Bzt 50/Qex ", true},     {"Bzt 50v ", true},        {"Bzt 50v2 ISP", true},
    {"Bzt 50v3 ISP", true},    {"TOLVARINE Z6v3 ISP", true}, {"Tolvarine Z5HD ", true}, {"Tolvarine Z5v2 ", true},
    {"Tolvarine Z6 ", true},   {"TOLVARINE Z6", false},   {"Tolvarine Z6v ", true},  {"TOLVARINE Z6v2 ISP", true},
    {"Bzt 30 ", true},         {"Tolvarine Z5", true},    {"TOLVARINE Z5", false},
};

struct ModelPattern {
    const char* text;
    int model;
    bool probeToo;
};
constexpr ModelPattern kModelPatterns[] = {
    {"Tolvarine Z5 ", 9, true},       {"TOLVARINE Z5", 9, false},     {"Bzt 2 ", 0, true},
    {"Bzt 30 ", 2, true},             {"Bzt 20-HD ", 1, true},        {"Bzt 30-HD ", 2, true},
    {"Bzt 40 ", 3, true},             {"Bzt 40/Qex ", 4, true},       {"Bzt 40qex ISP", 4, true},
    {"Bzt 50 ", 5, true},             {"Bzt 50/Qex ", 6, true},       {"Bzt 50qex ISP", 6, true},
    {"Bzt 50v F", 8, true},           {"Bzt 50v3 ISP", 8, true},      {"Bzt 50v ", 7, true},
    {"Bzt 50v2 ISP", 7, true},        {"Tolvarine Z5HD ", 9, true},   {"Tolvarine Z5v2 ", 9, true},
    {"Tolvarine Z6 ", 10, true},      {"TOLVARINE Z6 ", 10, false},   {"Tolvarine Z6v F", 12, true},
    {"TOLVARINE Z6v3 ISP", 12, true}, {"Tolvarine Z6v ", 11, true},   {"TOLVARINE Z6v2 ISP", 11, true},
};

constexpr const char* kLoaderBanners[] = {
    "Bzt ISP",       "Bzt 20 ISP",    "Bzt 30 ISP",   "Bzt 40 ISP",         "Bzt 40qex ISP",
    "Bzt 50qex ISP", "Bzt 50 ISP",    "Bzt 50v2 ISP", "Bzt 50v3 ISP",       "TOLVARINE Z6v3 ISP",
    "TOLVARINE Z5 ISP", "TOLVARINE Z6 ISP", "TOLVARINE Z6v2 ISP",
};

constexpr const char* kFoundTexts[] = {
    "Bzt 2 found",        "Bzt 20 found",       "Bzt 30 found",        "Bzt 40 found",        "Bzt 40/Qex found",
    "Bzt 50 found",       "Bzt 50/Qex found",   "Bzt 50v found",       "Bzt 50v found",       "Tolvarine Z5 found",
    "Tolvarine Z6 found", "Tolvarine Z6v found", "Tolvarine Z6v found",
};

}  // namespace

FirstPassMatch MatchFirstPass(const std::string& reply) {
    // The rows are tried in their table order; the first match wins.
    for (const char* p : kFirmwarePatterns)
        if (has(reply, p)) return {FirstPassMatch::Firmware, kModelNone};
    for (const auto& p : kProgrammerPatterns)
        if (has(reply, p.text)) return {FirstPassMatch::Programmer, p.model};
    for (const auto& p : kLoaderPatterns)
        if (has(reply, p.text)) return {FirstPassMatch::Loader, p.model};
    if (has(reply, "Invalid Command")) return {FirstPassMatch::InvalidCommand, kModelNone};
    return {};
}

bool PassesAcceptance(const std::string& reply, bool inProbe) {
    for (const auto& a : kAcceptance)
        if ((a.probeToo || !inProbe) && has(reply, a.text)) return true;
    return false;
}

int ModelOfReply(const std::string& reply, bool inProbe) {
    for (const auto& m : kModelPatterns)
        if ((m.probeToo || !inProbe) && has(reply, m.text)) return m.model;
    return 1;
}

bool IsLoaderBanner(const std::string& banner) {
    for (const char* b : kLoaderBanners)
        if (has(banner, b)) return true;
    return false;
}

std::string FoundText(int model) {
    if (model < 0 || model >= static_cast<int>(std::size(kFoundTexts))) return {};
    return kFoundTexts[model];
}

}  // namespace marnoch
