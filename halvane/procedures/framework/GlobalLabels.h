#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace halvane::procedures {

// Labels shared by the settings tables and views, loaded once from the
// string table at start-up.
struct GlobalLabelTexts {
    std::string no;           // entry 462 "No"
    std::string yes;          // entry 463 "Yes"
    std::string offDisabled;  // entry 464 "Off/Disabled"
    std::string small;        // entry 465 "Small"
    std::string large;        // entry 466 "Large"
    // The configuration names by configuration: entries 204 "Movie", 205 "Music".
    std::array<std::string, 2> configurationNames;
};

// Loads the labels from the process string table (the built-in English
// entries unless a language is loaded). Called once by the application's
// initialisation, on the user-interface thread, before any worker runs.
void LoadGlobalLabels();
const GlobalLabelTexts& GlobalLabels();

// The decimal text of n.
std::string FormatGlobalLabel(int n);

// A value with its decimal text: the entries of the settings' choice tables.
struct ValueLabel {
    explicit ValueLabel(std::int32_t v) : value(v), text(FormatGlobalLabel(v)) {}
    std::int32_t value;
    std::string text;
};

// "[%1 - %2]" with the arguments put in by position ("[a - b]"); the third
// argument has no place in the text.
std::string FormatRangeText(const std::string& a, const std::string& b, const std::string& c = {});

}  // namespace halvane::procedures
