#include "halvane/app/models/CheckListModel.h"

namespace halvane::app::models {

void CheckListModel::fill() {
    for (std::size_t i = 0; i < count_; ++i) items_[i].Checked = items_[i].Requested;
}

bool CheckListModel::toggle(std::size_t index, const void* list) {
    if (index >= count_) return false;
    CheckData& item = items_[index];
    item.Checked = item.Checked != 0 ? 0 : 1;
    if (owner_ != nullptr) owner_->OnCheckChanged(static_cast<int>(index), list);
    return item.Checked != 0;
}

}  // namespace halvane::app::models
