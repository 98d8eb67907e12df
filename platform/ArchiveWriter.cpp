#include "platform/ArchiveWriter.h"

#include <bit>

#include "platform/TextCodec.h"

namespace platform {

void ArchiveWriter::writeLE(std::uint64_t v, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void ArchiveWriter::writeDouble(double v) { writeLE(std::bit_cast<std::uint64_t>(v), 8); }

void ArchiveWriter::writeDoubles(const double* values, std::size_t count) {
    bytes_.reserve(bytes_.size() + 8 * count);
    for (std::size_t i = 0; i < count; ++i) writeLE(std::bit_cast<std::uint64_t>(values[i]), 8);
}

void ArchiveWriter::writeBytes(const std::uint8_t* data, std::size_t count) {
    bytes_.insert(bytes_.end(), data, data + count);
}

void ArchiveWriter::writeString(std::string_view utf8) {
    const std::u16string units = Utf8ToUtf16(utf8);
    const std::uint64_t n = units.size();
    writeUInt8(0xFF);
    writeUInt16(0xFFFE);
    if (n < 0xFF) {
        writeUInt8(static_cast<std::uint8_t>(n));
    } else if (n < 0xFFFE) {
        writeUInt8(0xFF);
        writeUInt16(static_cast<std::uint16_t>(n));
    } else {
        writeUInt8(0xFF);
        writeUInt16(0xFFFF);
        writeUInt32(static_cast<std::uint32_t>(n));
    }
    bytes_.reserve(bytes_.size() + 2 * n);
    for (char16_t u : units) writeUInt16(static_cast<std::uint16_t>(u));
}

}  // namespace platform
