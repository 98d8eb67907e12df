#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace platform {

// Writes the framework's binary archive into memory: little-endian integers,
// IEEE doubles and the framework's 16-bit string form. The document saves
// the finished bytes through a temporary file, so a failed save never
// leaves half a file.
class ArchiveWriter {
public:
    void writeInt8(std::int8_t v) { writeLE(static_cast<std::uint8_t>(v), 1); }
    void writeUInt8(std::uint8_t v) { writeLE(v, 1); }
    void writeInt16(std::int16_t v) { writeLE(static_cast<std::uint16_t>(v), 2); }
    void writeUInt16(std::uint16_t v) { writeLE(v, 2); }
    void writeInt32(std::int32_t v) { writeLE(static_cast<std::uint32_t>(v), 4); }
    void writeUInt32(std::uint32_t v) { writeLE(v, 4); }
    void writeDouble(double v);
    void writeDoubles(const double* values, std::size_t count);
    void writeBytes(const std::uint8_t* data, std::size_t count);

    // The framework's 16-bit string form: 0xFF, the marker 0xFFFE, the
    // length in UTF-16 code units (a byte below 0xFF; else 0xFF and a uint16
    // below 0xFFFE; else 0xFF, 0xFFFF and a uint32), then the code units in
    // UTF-16LE. `utf8` is the program's own text; a malformed sequence is
    // stored as U+FFFD.
    void writeString(std::string_view utf8);

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t> take() { return std::move(bytes_); }
    std::size_t size() const { return bytes_.size(); }

private:
    void writeLE(std::uint64_t v, std::size_t width);

    std::vector<std::uint8_t> bytes_;
};

}  // namespace platform
