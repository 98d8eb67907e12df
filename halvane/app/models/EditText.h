#pragma once

#include <cstddef>
#include <string>

namespace halvane::app::models::CustomControls {

// The text of a spin box's edit field with its selection, in characters
// (the widget converts from its own string type).
struct EditText {
    std::u32string text;
    std::size_t selStart = 0;   // also the caret when nothing is selected
    std::size_t selLength = 0;
    friend bool operator==(const EditText&, const EditText&) = default;
};

// Backspace in a spin box's edit field, decided before the edit sees it:
// with a selection that reaches the end of the text (a completion) the
// selection grows by one character to the left and the text stays; else it
// deletes the selection, or the character before the caret, and leaves the
// caret there. Returns false for an empty field: the key goes on to the
// edit unchanged.
bool SpinBackspace(EditText& edit);

}  // namespace halvane::app::models::CustomControls
