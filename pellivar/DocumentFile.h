#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pellivar {

// Whole-file reads and writes for the settings documents.
struct DocumentFile {
    // A settings document is some 40 KB; anything far larger is not one and
    // is refused before it is read into memory.
    static constexpr std::size_t kMaxBytes = 16u << 20;

    // The whole regular file at `path`; false with a reason in `error`.
    static bool Read(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error);

    // Writes `bytes` to a temporary file beside `path`, flushes it to disk
    // and renames it over `path`, so the old file stays whole until the new
    // one is; the new file keeps the old one's permissions. False with a
    // reason in `error` (the temporary file is removed).
    static bool WriteAtomically(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error);
};

}  // namespace pellivar
