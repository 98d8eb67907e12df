#include "halvane/app/models/CurveColourChoice.h"

#include "halvane/app/models/ColourPicker.h"
#include "halvane/document/DocumentData.h"

namespace halvane::app::models {

namespace {

bool IsKind(int kind) { return kind >= 0 && kind < CurveColourChoice::kCount; }

}  // namespace

CurveColourChoice::CurveColourChoice(const document::DocumentData& doc) : colours_(doc.m_CurveColor) {}

std::uint32_t CurveColourChoice::Colour(int kind) const {
    return IsKind(kind) ? colours_[static_cast<std::size_t>(kind)] : 0;
}

bool CurveColourChoice::Change(int kind, ColourPicker& picker) {
    if (!IsKind(kind)) return false;
    auto& colour = colours_[static_cast<std::size_t>(kind)];
    const std::optional<std::uint32_t> chosen = picker.PickColour(colour);
    if (!chosen) return false;
    // A colour value is 0x00BBGGRR: the top byte carries nothing.
    colour = *chosen & 0x00FFFFFFu;
    return true;
}

void CurveColourChoice::WriteTo(document::DocumentData& doc) const { doc.m_CurveColor = colours_; }

}  // namespace halvane::app::models
