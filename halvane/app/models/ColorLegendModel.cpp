#include "halvane/app/models/ColorLegendModel.h"

#include "halvane/diagnostics/HalvaneStrings.h"
#include "halvane/document/DocumentData.h"
#include "platform/StringTable.h"

#include <algorithm>
#include <array>

namespace halvane::app::models {

namespace {

constexpr std::array<const char*, 3> kCurveKindNames = {"Measured", "Target", "Calculated"};
constexpr std::array<std::uint32_t, 3> kDefaultColours = {document::DocumentData::kMeasuredColour, document::DocumentData::kTargetColour,
                                                          document::DocumentData::kCalculatedColour};

}  // namespace

bool ColorLegendModel::StepSelection(bool forward) {
    const int next = forward ? std::min(selected_ + 1, kLastSelectable) : std::max(selected_ - 1, kFirstSelectable);
    if (next == selected_) return false;
    selected_ = next;
    return true;
}

bool ColorLegendModel::SelectRow(int row) {
    if (row < kFirstSelectable || row > kLastSelectable || row == selected_) return false;
    selected_ = row;
    return true;
}

std::string ColorLegendModel::RowText(int row) {
    if (row == 0) {
        diagnostics::RegisterHalvaneStrings();
        return platform::processStrings().text(diagnostics::ids::SpeakerLabel);
    }
    if (HasLine(row)) return kCurveKindNames[static_cast<std::size_t>(row - 1)];
    return {};
}

std::uint32_t ColorLegendModel::RowColour(const document::DocumentData* doc, int row) {
    if (!HasLine(row)) return 0;
    const auto i = static_cast<std::size_t>(row - 1);
    return doc != nullptr ? doc->m_CurveColor[i] : kDefaultColours[i];
}

ColorLegendModel::RowGeometry ColorLegendModel::Geometry(int row, int top, int charWidth, int textHeight) {
    RowGeometry g;
    g.textX = HasLine(row) ? 5 * charWidth : charWidth;
    if (HasLine(row)) {
        g.lineFrom = charWidth;
        g.lineTo = 4 * charWidth;
        g.lineY = top + textHeight / 2;
    }
    return g;
}

}  // namespace halvane::app::models
