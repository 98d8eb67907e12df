#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// The framework's serialization exception: a stored document that ends early
// or holds values its reader cannot accept. The open that meets it fails as a
// whole and keeps nothing of what was read.
class ArchiveException : public std::runtime_error {
public:
    enum class Cause {
        Generic,    // damaged contents: a bad form, unequal counts, a count larger than the stream
        EndOfFile,  // the stream ended in the middle of a value
    };

    ArchiveException(Cause cause, const std::string& what) : std::runtime_error(what), cause_(cause) {}

    Cause cause() const { return cause_; }

private:
    Cause cause_;
};

}  // namespace platform
