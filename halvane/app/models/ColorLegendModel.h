#pragma once

#include <cstdint>
#include <string>

namespace halvane::document {
struct DocumentData;
}

namespace halvane::app::models {


// The colour legend beside the graphs: four rows, "Speaker:" then one row
// per kind of curve with a short line in its colour and its name. One of
// rows 1 to 3 is selected (row 1 at first); the heading row never is.
class ColorLegendModel {
public:
    static constexpr int kRowCount = 4;
    static constexpr int kFirstSelectable = 1;
    static constexpr int kLastSelectable = kRowCount - 1;
    // A row is this many average character widths wide.
    static constexpr int kRowWidthChars = 103;
    // The colour line's pen, in pixels.
    static constexpr int kLinePenWidth = 5;

    int Selected() const { return selected_; }
    // The next row (not past the last) or the previous one (not above row
    // 1); true when the selection moved.
    bool StepSelection(bool forward);
    // Selects a row of 1..3 other than the selected one (true); any other
    // row is ignored (false).
    bool SelectRow(int row);

    // "Speaker:" (string 428) for row 0; "Measured", "Target",
    // "Calculated" for rows 1 to 3; empty otherwise.
    static std::string RowText(int row);
    // Whether a row shows a colour line.
    static bool HasLine(int row) { return row >= 1 && row < kRowCount; }
    // The row's colour (0x00BBGGRR) from the document's curve colours; the
    // default colours without a document; 0 for a row without a line.
    static std::uint32_t RowColour(const document::DocumentData* doc, int row);

    // Where a row is drawn, for an average character width w and text
    // height h: the heading or name at x = w (heading) or 5w (names), the
    // line from w to 4w at mid-height of the row.
    struct RowGeometry {
        int textX = 0;
        int lineFrom = 0;
        int lineTo = 0;
        int lineY = 0;
    };
    static RowGeometry Geometry(int row, int top, int charWidth, int textHeight);

private:
    int selected_ = kFirstSelectable;
};

}  // namespace halvane::app::models
