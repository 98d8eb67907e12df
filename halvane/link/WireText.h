#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Numbers on the serial wire: formatted and read the same way whatever the
// process locale says (a decimal comma would break every level command).
// The formats are the printf/scanf ones the command sets are written in; only
// the conversions they use are understood: "%d", "%lf"/"%f" with an optional
// width and precision, and "%X"/"%x" with an optional zero flag and width.
namespace halvane::link::Comm {

// "%0.2lf" of 1.5 gives "1.50"; "%.1lf" of -95.5 gives "-95.5".
std::string FormatDouble(std::string_view format, double value);
// "%d" of 80 gives "80"; "%06X" of 0x1A gives "00001A". Text around the
// conversion is kept: "dq3850001%06X" of 0x2A gives "dq385000100002A".
std::string FormatInt(std::string_view format, std::int64_t value);

// How one scanf-style conversion went on a reply text.
struct ScanResult {
    int fields = 0;         // 1 when the value converted
    bool trailing = false;  // characters follow the value (the "%c" after it)

    // The strict form: the value and nothing after it.
    bool exact() const { return fields == 1 && !trailing; }
    // The count a "<format>%c" sscanf would give: 0, 1 or 2.
    int count() const { return fields == 0 ? 0 : trailing ? 2 : 1; }
};

// One conversion of `format` (leading whitespace skipped as scanf does).
ScanResult ScanValue(std::string_view text, std::string_view format, int& out);
ScanResult ScanValue(std::string_view text, std::string_view format, unsigned& out);
ScanResult ScanValue(std::string_view text, std::string_view format, double& out);

}  // namespace halvane::link::Comm
