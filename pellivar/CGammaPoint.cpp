#include "pellivar/CGammaPoint.h"

namespace pellivar {

namespace {

void appendHex3(std::string& out, int v) {
    static constexpr char kDigits[] = "0123456789abcdef";
    if (v < 0 || v > 0xFFF) return;
    out.push_back(kDigits[(v >> 8) & 0xF]);
    out.push_back(kDigits[(v >> 4) & 0xF]);
    out.push_back(kDigits[v & 0xF]);
}

}  // namespace

std::string CGammaPoint::ToHex() const {
    std::string out;
    appendHex3(out, x);
    appendHex3(out, y);
    return out;
}

}  // namespace pellivar
