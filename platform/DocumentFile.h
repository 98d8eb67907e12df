#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

// Whole-file access for the programs' documents: a document is read into
// memory in one piece (so its reader can check every count against the
// bytes there are) and written through a temporary file in the same folder
// that replaces the old file only once every byte is on disk, so a failed
// save leaves the old file as it was.
namespace DocumentFile {

// The largest file accepted as a document; a bigger one is refused before
// anything is allocated for it.
constexpr std::size_t kMaxDocumentBytes = std::size_t{512} << 20;

// Reads the whole file at `path` into `out`. False with `error` set (the
// system's reason) when it cannot be opened or read or is larger than
// `maxBytes`; `out` is unchanged then.
bool Read(const std::string& path, std::vector<std::uint8_t>& out, std::string& error,
          std::size_t maxBytes = kMaxDocumentBytes);

// Writes `bytes` to a new temporary file beside `path`, flushes it to disk,
// gives it the old file's permissions (or the usual ones for a new file)
// and renames it over `path`. False with `error` set on any failure; the
// temporary file is removed then and `path` is untouched.
bool WriteReplacing(const std::string& path, std::span<const std::uint8_t> bytes, std::string& error);

// Whether WriteReplacing could write `path` now: a temporary file can be
// made (and is removed again) in its folder, and a file already there is a
// regular file that may be written. False with `error` set (what and the
// system's reason) otherwise. Lets a program refuse a place before it does
// the work whose result is to be saved there.
bool CanReplace(const std::string& path, std::string& error);

}  // namespace DocumentFile

}  // namespace platform
