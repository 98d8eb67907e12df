#include "halvane/app/models/ComboModel.h"

#include <algorithm>

namespace halvane::app::models::CustomControls {

ComboModel::ComboModel(const ValueList& list, const std::vector<int>& excluded) {
    for (const ValueEntry& entry : list.entries())
        if (std::find(excluded.begin(), excluded.end(), entry.value) == excluded.end()) items_.push_back(entry);
}

std::size_t ComboModel::dropItems() const { return std::min(items_.size() + 1, kMaxDropItems); }

std::optional<std::size_t> ComboModel::select(int* variable, bool& changed) const {
    changed = false;
    if (items_.empty() || variable == nullptr) return std::nullopt;
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].value == *variable) return i;
    *variable = items_.back().value;
    changed = true;
    return items_.size() - 1;
}

}  // namespace halvane::app::models::CustomControls
