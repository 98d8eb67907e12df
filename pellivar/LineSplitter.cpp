#include "pellivar/LineSplitter.h"

namespace pellivar {

void LineSplitter::Feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (c == '\0') continue;
        if (c == '\n') {
            std::string line;
            line.swap(carry_);
            if (handler_) handler_(line);
            continue;
        }
        if (carry_.size() >= kMaxLine) carry_.clear();
        carry_.push_back(c);
    }
}

}  // namespace pellivar
