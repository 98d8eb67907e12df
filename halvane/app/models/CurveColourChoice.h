#pragma once

#include <array>
#include <cstdint>

namespace halvane::document {
struct DocumentData;
}

namespace halvane::app::models {

class ColourPicker;

// What the curve colour dialog edits: working copies of the document's
// measured, target and calculated colours (0x00BBGGRR). The document takes
// them only on OK; until then, and after Cancel, it keeps its own. The
// colours are not stored in the file, so taking them does not modify the
// document.
class CurveColourChoice {
public:
    static constexpr int kCount = 3;
    enum Kind : int { Measured = 0, Target = 1, Calculated = 2 };

    explicit CurveColourChoice(const document::DocumentData& doc);

    std::uint32_t Colour(int kind) const;
    // Asks the picker with the kind's colour preselected; the kind takes
    // the chosen colour (true) or stays on cancel (false). A kind outside
    // 0..2 asks nothing.
    bool Change(int kind, ColourPicker& picker);
    // OK: the three colours into the document.
    void WriteTo(document::DocumentData& doc) const;

private:
    std::array<std::uint32_t, kCount> colours_{};
};

}  // namespace halvane::app::models
