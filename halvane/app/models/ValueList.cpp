#include "halvane/app/models/ValueList.h"

#include <cstdlib>

namespace halvane::app::models::CustomControls {

ValueList::ValueList(const std::vector<ValueEntry>& table) {
    for (const ValueEntry& entry : table) {
        if (entry.label.empty()) break;
        entries_.push_back(entry);
    }
}

std::optional<std::size_t> ValueList::find(int value) const {
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].value == value) return i;
    return std::nullopt;
}

std::optional<std::size_t> ValueList::closest(int value) const {
    if (const auto exact = find(value)) return exact;
    std::optional<std::size_t> best;
    long long bestDistance = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        // In 64 bits: the distance of two ints can exceed INT_MAX.
        const long long distance = std::llabs(static_cast<long long>(entries_[i].value) - value);
        if (!best || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

std::string UpperAscii(const std::string& text) {
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

TypedMatch ValueList::matchTyped(const std::string& text) const {
    TypedMatch match;
    const std::string typed = UpperAscii(text);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (UpperAscii(entries_[i].label) == typed) {
            match.index = i;
            return match;
        }
    }
    if (typed.empty()) return match;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const std::string& label = entries_[i].label;
        if (label.size() > text.size() && UpperAscii(label.substr(0, text.size())) == typed) {
            match.index = i;
            match.completedText = text + label.substr(text.size());
            match.completedFrom = text.size();
            return match;
        }
    }
    return match;
}

const ValueList& SlopeOrderNames() {
    static const ValueList names{{0, "Auto"},      {1, "Flat"},      {2, "1st Order"}, {3, "2nd Order"},
                                 {4, "3rd Order"}, {5, "4th Order"}, {6, "5th Order"}, {7, "6th Order"},
                                 {8, "7th Order"}, {9, "8th Order"}};
    return names;
}

}  // namespace halvane::app::models::CustomControls
