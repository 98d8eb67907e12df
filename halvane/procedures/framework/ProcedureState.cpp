#include "halvane/procedures/framework/ProcedureState.h"

#include "halvane/diagnostics/HalvaneStrings.h"
#include "platform/StringTable.h"

#include <array>
#include <mutex>

namespace halvane::procedures {

namespace {

constexpr int kStates = 7;  // 0..5 from the table, 6 empty, then the overflow entry

const std::array<std::string, kStates + 1>& stateTexts() {
    static std::array<std::string, kStates + 1> texts;
    static std::once_flag once;
    std::call_once(once, [] {
        diagnostics::RegisterHalvaneStrings();
        const platform::StringTable& table = platform::processStrings();
        texts[0] = table.text(diagnostics::ids::PressStart);
        texts[1] = table.text(diagnostics::ids::ProcedureCompleted);
        texts[2] = table.text(diagnostics::ids::ProcedureTerminated);
        texts[3] = table.text(diagnostics::ids::ProcedureFailed);
        texts[4] = table.text(diagnostics::ids::ProcedurePleaseWait);
        texts[5] = table.text(diagnostics::ids::ProcedureAborting);
        texts[6] = std::string();
        texts[7] = "Error, index exceeded maximum";
    });
    return texts;
}

}  // namespace

const std::string& ProcedureStateText(int state) {
    const auto& texts = stateTexts();
    if (state < 0 || state >= kStates) return texts[kStates];
    return texts[static_cast<std::size_t>(state)];
}

bool ProcedureStatusText(int state, const std::string& argument, std::string& text) {
    if (state >= kProcedureReady && state <= kProcedureAborting) {
        text = FormatPositional(ProcedureStateText(state), {argument, std::string()});
        return true;
    }
    if (state == kProcedureBlank) {
        text.clear();
        return true;
    }
    return false;
}

std::string FormatPositional(const std::string& format, const std::vector<std::string>& args) {
    std::string out;
    out.reserve(format.size());
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        const char next = format[i + 1];
        if (next == '%') {
            out += '%';
            ++i;
        } else if (next >= '1' && next <= '9') {
            const auto index = static_cast<std::size_t>(next - '1');
            if (index < args.size()) out += args[index];
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace halvane::procedures
