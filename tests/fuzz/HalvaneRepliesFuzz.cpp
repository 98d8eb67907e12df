// Any bytes as Halvane's processor replies, line by line, read as each kind
// of value the link asks for ("%d", "%lf", "%06X", "%08X") and as a
// firmware version text: every reading ends, a reading that says "one
// field" gave a value, and a version read has digits.

#include "FuzzCheck.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/WireText.h"

#include <cmath>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string line;
    auto feed = [&] {
        for (std::size_t skip : {std::size_t{0}, std::size_t{3}, std::size_t{6}}) {
            if (line.size() < skip) break;
            const std::string_view rest = std::string_view(line).substr(skip);
            int i = 0;
            (void)Comm::ScanValue(rest, "%d", i);
            double d = 0;
            const Comm::ScanResult r = Comm::ScanValue(rest, "%lf", d);
            if (r.fields == 1 && std::isnan(d) && rest.find_first_of("nN") == std::string_view::npos)
                suitefuzz::fail("a NaN read from text that names none");
            unsigned u = 0;
            (void)Comm::ScanValue(rest, "%06X", u);
            (void)Comm::ScanValue(rest, "%08X", u);
        }
        double number = 0;
        char letter = 0;
        if (Comm::CBasicTessikPort::ParseVersionText(line, number, letter) && !(number >= 0))
            suitefuzz::fail("a negative or NaN firmware version");
        line.clear();
    };
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') feed();
        else line.push_back(static_cast<char>(data[i]));
    }
    feed();
    return 0;
}
