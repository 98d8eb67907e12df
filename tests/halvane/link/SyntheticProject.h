#pragma once

#include "halvane/link/UploadData.h"

#include <fstream>
#include <map>
#include <string>

namespace linktest {

// The project whose upload reference/upload_reference.py computes: every
// stage up to the seventh designed from integer formulas (exact in binary
// wherever both sides divide), the rest identity sections, and gain words
// from -20 to 20 steps (negative ones as 24-bit two's complement, as the
// calculation stores them). Keep the formulas in step with the script.
inline halvane::link::UploadData SyntheticProject() {
    halvane::link::UploadData doc;
    for (int c = 0; c < 2; ++c)
        for (int r = 0; r < 8; ++r)
            for (int ch = 0; ch < 8; ++ch) {
                auto& set = doc.At(c, r, ch);
                set.Gain = (((c * 100 + r * 10 + ch) * 13) % 41 - 20) & 0xFFFFFF;
                set.Filled = 1;
                for (int b = 0; b < 7; ++b) {
                    const int n = c * 1000 + r * 100 + ch * 10 + b;
                    halvane::design::Biquad& q = set.Stages[static_cast<std::size_t>(b)];
                    q.b2_2 = ((n * 37) % 201 - 100) / 256.0;
                    q.b1_2 = ((n * 53) % 401 - 200) / 256.0;
                    q.b0_2 = 0.25 + ((n * 17) % 101) / 404.0;
                    q.a2_2 = ((n * 29) % 181 - 90) / 200.0;
                    q.a1_2 = -((n * 41) % 301) / 320.0;
                    q.inUse = 1;
                }
            }
    return doc;
}

// A committed reference file: "KEY VALUE" per line, both hexadecimal or
// the key a receiver word.
inline std::map<std::string, std::string> ReadReference(const std::string& name) {
    std::map<std::string, std::string> out;
    std::ifstream in(std::string(LINK_REFERENCE_DIR) + "/" + name);
    std::string key, value;
    while (in >> key >> value) out[key] = value;
    return out;
}

}  // namespace linktest
