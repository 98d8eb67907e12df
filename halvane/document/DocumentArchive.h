#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace platform {
class ArchiveReader;
class ArchiveWriter;
}  // namespace platform

namespace halvane::document {

struct DocumentData;

// The project file (".QEX"): the framework's binary archive, little-endian,
// with no class tags or schema numbers. The first int32 is the version;
// version 21 is written, versions 1 to 21 are read.
namespace DocumentArchive {

constexpr std::int32_t kCurrentVersion = 21;
constexpr std::int32_t kOldestVersion = 1;

// The first int32 of the file is not a version this program reads.
class VersionError : public std::runtime_error {
public:
    explicit VersionError(std::int32_t version)
        : std::runtime_error("The file is of version " + std::to_string(version) +
                             "; documents of versions 1 to 21 can be read."),
          version_(version) {}
    std::int32_t version() const { return version_; }

private:
    std::int32_t version_;
};

// The document cannot be written (its unit kind is not known yet, or its
// calibration data is shorter than its size). Raised before the first
// byte is written.
class WriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes version 21: version, unit kind, calibration ids, curve sets 0 and
// 1, measurement sets 6 and 7, curve sets 2 to 5, the filter-set block in
// the unit kind's shape, the target configuration, the calibration size and
// bytes, the older-version flag and the correction kind.
void Write(const DocumentData& data, platform::ArchiveWriter& ar);

// Reads a document of any version from 1 to 21 into `data` (pass a fresh
// object: on failure it holds whatever was read) and returns the version.
// Everything the version does not store keeps the fresh object's value,
// except as the version table says (the unit kind of versions before 13,
// the older-version flag and the correction kind). Raises VersionError for
// a version outside 1 to 21 and platform::ArchiveException for a short or
// damaged file (every count is checked against the bytes left before
// anything is allocated; an unknown unit kind, curve-set key, form or axis
// kind is damage, as are numbers that are not numbers and target values
// outside StoredValueRanges). Bytes after the last field are ignored.
std::int32_t Read(platform::ArchiveReader& ar, DocumentData& data);

}  // namespace DocumentArchive

}  // namespace halvane::document
