#include "halvane/app/models/EditText.h"

#include <algorithm>

namespace halvane::app::models::CustomControls {

bool SpinBackspace(EditText& edit) {
    if (edit.text.empty()) return false;
    const std::size_t size = edit.text.size();
    edit.selStart = std::min(edit.selStart, size);
    edit.selLength = std::min(edit.selLength, size - edit.selStart);
    if (edit.selLength > 0 && edit.selStart + edit.selLength == size) {
        if (edit.selStart > 0) {
            --edit.selStart;
            ++edit.selLength;
        }
        return true;
    }
    if (edit.selLength > 0) {
        edit.text.erase(edit.selStart, edit.selLength);
    } else if (edit.selStart > 0) {
        --edit.selStart;
        edit.text.erase(edit.selStart, 1);
    }
    edit.selLength = 0;
    return true;
}

}  // namespace halvane::app::models::CustomControls
