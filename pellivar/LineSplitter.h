#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace pellivar {

// Cuts the processor's byte stream into reply lines at "\n". A line cut by a
// read waits in the carry-over for the rest; NUL bytes are dropped; a run of
// bytes with no line end is dropped once it passes kMaxLine, so a babbling
// line cannot grow the carry-over without bound.
class LineSplitter {
public:
    static constexpr std::size_t kMaxLine = 1024;
    using LineHandler = std::function<void(const std::string& line)>;

    explicit LineSplitter(LineHandler handler) : handler_(std::move(handler)) {}

    void Feed(std::string_view bytes);
    void Reset() { carry_.clear(); }
    const std::string& CarryOver() const { return carry_; }

private:
    LineHandler handler_;
    std::string carry_;
};

}  // namespace pellivar
