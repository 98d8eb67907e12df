#include "halvane/procedures/framework/GlobalLabels.h"

#include "halvane/diagnostics/HalvaneStrings.h"
#include "platform/StringTable.h"

namespace halvane::procedures {

namespace {

GlobalLabelTexts labels;

}  // namespace

void LoadGlobalLabels() {
    diagnostics::RegisterHalvaneStrings();
    const platform::StringTable& t = platform::processStrings();
    namespace ids = diagnostics::ids;
    labels.no = t.text(diagnostics::ids::No);
    labels.yes = t.text(diagnostics::ids::Yes);
    labels.offDisabled = t.text(diagnostics::ids::OffDisabled);
    labels.small = t.text(diagnostics::ids::Small);
    labels.large = t.text(diagnostics::ids::Large);
    labels.configurationNames = {t.text(diagnostics::ids::Movie), t.text(diagnostics::ids::Music)};
}

const GlobalLabelTexts& GlobalLabels() { return labels; }

std::string FormatGlobalLabel(int n) { return std::to_string(n); }

std::string FormatRangeText(const std::string& a, const std::string& b, const std::string& c) {
    // The arguments go in by position, so %1 and %2 may appear in any order
    // in a translated text; only this built-in one exists.
    const std::string format = "[%1 - %2]";
    const std::string* args[] = {&a, &b, &c};
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] >= '1' && format[i + 1] <= '3') {
            out += *args[format[i + 1] - '1'];
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

}  // namespace halvane::procedures
