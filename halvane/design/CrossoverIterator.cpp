#include "halvane/design/CrossoverIterator.h"

namespace halvane::design::ConTypes {

namespace {

std::vector<CrossoverChoice> hertz(std::vector<int> frequencies, bool flatFirst) {
    std::vector<CrossoverChoice> t;
    if (flatFirst) t.emplace_back(5, "Flat");
    for (const int f : frequencies) t.emplace_back(f, std::to_string(f));
    return t;
}

std::vector<int> flagshipFrequencies() {
    std::vector<int> f;
    for (int hz = 25; hz <= 160; hz += 5) f.push_back(hz);
    return f;
}

}  // namespace

const std::vector<CrossoverChoice>& BztTolvarineCrossoverFreqIterator::table() const {
    static const std::vector<CrossoverChoice> t = hertz(flagshipFrequencies(), false);
    return t;
}

const std::vector<CrossoverChoice>& BztTolvarineFlatCrossoverFreqIterator::table() const {
    static const std::vector<CrossoverChoice> t = hertz(flagshipFrequencies(), true);
    return t;
}

const std::vector<CrossoverChoice>& UnitClassTypeVUXv1CrossoverFreqIterator::table() const {
    static const std::vector<CrossoverChoice> t = hertz({60, 80, 100, 120, 150}, false);
    return t;
}

const std::vector<CrossoverChoice>& UnitClassTypeVUXv1CrossoverFreqIteratorFlat::table() const {
    static const std::vector<CrossoverChoice> t = hertz({30, 40, 50, 60, 80, 100, 120, 150}, true);
    return t;
}

}  // namespace halvane::design::ConTypes
