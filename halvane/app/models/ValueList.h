#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace halvane::app::models::CustomControls {

// One choice of a spin or combo box: the value stored and the label shown.
struct ValueEntry {
    int value = 0;
    std::string label;
};

// What typing into a spin box made of its text.
struct TypedMatch {
    std::optional<std::size_t> index;  // the entry selected, if any
    // A completion: the new edit text (the typed text followed by the rest
    // of the label) and the byte offset where the completed part starts.
    std::optional<std::string> completedText;
    std::size_t completedFrom = 0;
};

// The ordered choices of a control. A table is copied up to, not including,
// its first entry with an empty label (the tables end with such a marker).
class ValueList {
public:
    ValueList() = default;
    explicit ValueList(const std::vector<ValueEntry>& table);
    ValueList(std::initializer_list<ValueEntry> table) : ValueList(std::vector<ValueEntry>(table)) {}

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const ValueEntry& operator[](std::size_t i) const { return entries_[i]; }
    const std::vector<ValueEntry>& entries() const { return entries_; }

    // The index of `value` exactly, or none.
    std::optional<std::size_t> find(int value) const;
    // The entry shown for `value`: the exact match, else the closest value
    // (smallest distance, the first of equals). None for an empty list.
    std::optional<std::size_t> closest(int value) const;

    // Typing rules of the spin boxes: a label equal to `text` regardless of
    // case selects its entry; otherwise the first label that begins with it
    // (regardless of case) completes it. Letters are compared as ASCII;
    // other characters must match exactly.
    TypedMatch matchTyped(const std::string& text) const;

private:
    std::vector<ValueEntry> entries_;
};

// The names of the subwoofer high-pass slope orders 0..9 ("Auto", "Flat",
// "1st Order" .. "8th Order").
const ValueList& SlopeOrderNames();

// ASCII upper-casing used by every case-insensitive label comparison.
std::string UpperAscii(const std::string& text);

}  // namespace halvane::app::models::CustomControls
