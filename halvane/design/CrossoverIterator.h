#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace halvane::design::ConTypes {

// An iterator over a fixed, ascending table of (frequency, label) pairs: the
// crossover choices a unit class offers.
template <class T>
class QexIteratorT {
public:
    virtual ~QexIteratorT() = default;

    // Copies the current pair into `out` and returns it; null past the end.
    T* Current(T* out) const {
        if (!IsValid() || out == nullptr) return nullptr;
        *out = table()[static_cast<std::size_t>(index_)];
        return out;
    }
    bool IsValid() const { return index_ >= 0 && static_cast<std::size_t>(index_) < table().size(); }
    // One step on; null when already past the end.
    QexIteratorT* Next() {
        if (!IsValid()) return nullptr;
        ++index_;
        return this;
    }
    // The last entry whose frequency is at most `frequency`; clamps to the
    // first and last entries. Returns the new index.
    std::int32_t Seek(std::int32_t frequency) {
        const auto& t = table();
        std::int32_t found = 0;
        for (std::size_t i = 0; i < t.size(); ++i)
            if (t[i].first <= frequency) found = static_cast<std::int32_t>(i);
        index_ = t.empty() ? 0 : found;
        return index_;
    }
    std::int32_t Index() const { return index_; }
    std::size_t Size() const { return table().size(); }

protected:
    virtual const std::vector<T>& table() const = 0;

private:
    std::int32_t index_ = 0;
};

using CrossoverChoice = std::pair<int, std::string>;
using CrossoverIterator = QexIteratorT<CrossoverChoice>;

// A concrete iterator only supplies its table.
template <class T>
class CfiTypeHelper : public QexIteratorT<T> {};

// 25 to 160 Hz in steps of 5 (28 entries).
class BztTolvarineCrossoverFreqIterator final : public CfiTypeHelper<CrossoverChoice> {
protected:
    const std::vector<CrossoverChoice>& table() const override;
};
// (5, "Flat"), then 25 to 160 Hz in steps of 5 (29 entries).
class BztTolvarineFlatCrossoverFreqIterator final : public CfiTypeHelper<CrossoverChoice> {
protected:
    const std::vector<CrossoverChoice>& table() const override;
};
// 60, 80, 100, 120, 150 Hz.
class UnitClassTypeVUXv1CrossoverFreqIterator final : public CfiTypeHelper<CrossoverChoice> {
protected:
    const std::vector<CrossoverChoice>& table() const override;
};
// (5, "Flat"), 30, 40, 50, 60, 80, 100, 120, 150 Hz.
class UnitClassTypeVUXv1CrossoverFreqIteratorFlat final : public CfiTypeHelper<CrossoverChoice> {
protected:
    const std::vector<CrossoverChoice>& table() const override;
};

}  // namespace halvane::design::ConTypes
