#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

// Reads the framework's binary archive: little-endian integers, IEEE doubles
// and the framework's string form, with no class tags or schema numbers.
// Works on bytes already in memory (the whole file), so every count can be
// checked against the bytes left before anything is allocated. Every short
// or damaged read raises ArchiveException.
class ArchiveReader {
public:
    explicit ArchiveReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    explicit ArchiveReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes.data(), bytes.size()) {}

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return bytes_.size() - pos_; }
    bool atEnd() const { return pos_ == bytes_.size(); }

    std::int8_t readInt8();
    std::uint8_t readUInt8();
    std::int16_t readInt16();
    std::uint16_t readUInt16();
    std::int32_t readInt32();
    std::uint32_t readUInt32();
    double readDouble();

    // `count` doubles into `out` (which holds at least count elements). The
    // caller checks the count first with requireElements.
    void readDoubles(double* out, std::size_t count);
    void readBytes(std::uint8_t* out, std::size_t count);
    void skip(std::size_t count);

    // Raises ArchiveException (generic cause) unless `count` elements of
    // `elementSize` bytes each are left in the stream. `what` names the
    // stored thing in the message.
    void requireElements(std::int64_t count, std::size_t elementSize, const char* what) const;

    // The framework's string form, returned as UTF-8. A string that carries
    // the 16-bit marker holds UTF-16LE code units; one without it is 8-bit
    // text in the writer's ANSI code page, decoded as Windows-1252.
    std::string readString();

private:
    void need(std::size_t count, const char* what) const;
    std::uint64_t readLE(std::size_t width);

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

}  // namespace platform
