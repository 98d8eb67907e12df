#include "platform/ArchiveReader.h"

#include <bit>
#include <cstring>

#include "platform/ArchiveException.h"
#include "platform/TextCodec.h"

namespace platform {

void ArchiveReader::need(std::size_t count, const char* what) const {
    if (count > remaining()) {
        throw ArchiveException(ArchiveException::Cause::EndOfFile,
                               std::string("The document ends in the middle of ") + what + ".");
    }
}

std::uint64_t ArchiveReader::readLE(std::size_t width) {
    need(width, "a number");
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < width; ++i) v |= std::uint64_t{bytes_[pos_ + i]} << (8 * i);
    pos_ += width;
    return v;
}

std::int8_t ArchiveReader::readInt8() { return static_cast<std::int8_t>(readLE(1)); }
std::uint8_t ArchiveReader::readUInt8() { return static_cast<std::uint8_t>(readLE(1)); }
std::int16_t ArchiveReader::readInt16() { return static_cast<std::int16_t>(readLE(2)); }
std::uint16_t ArchiveReader::readUInt16() { return static_cast<std::uint16_t>(readLE(2)); }
std::int32_t ArchiveReader::readInt32() { return static_cast<std::int32_t>(readLE(4)); }
std::uint32_t ArchiveReader::readUInt32() { return static_cast<std::uint32_t>(readLE(4)); }
double ArchiveReader::readDouble() { return std::bit_cast<double>(readLE(8)); }

void ArchiveReader::readDoubles(double* out, std::size_t count) {
    if (count > remaining() / 8) {
        throw ArchiveException(ArchiveException::Cause::EndOfFile,
                               "The document ends in the middle of a list of numbers.");
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::uint64_t v = 0;
        const std::uint8_t* p = bytes_.data() + pos_ + 8 * i;
        for (std::size_t b = 0; b < 8; ++b) v |= std::uint64_t{p[b]} << (8 * b);
        out[i] = std::bit_cast<double>(v);
    }
    pos_ += count * 8;
}

void ArchiveReader::readBytes(std::uint8_t* out, std::size_t count) {
    need(count, "a block of bytes");
    if (count > 0) std::memcpy(out, bytes_.data() + pos_, count);
    pos_ += count;
}

void ArchiveReader::skip(std::size_t count) {
    need(count, "a reserved field");
    pos_ += count;
}

void ArchiveReader::requireElements(std::int64_t count, std::size_t elementSize, const char* what) const {
    if (count < 0 || (elementSize > 0 && static_cast<std::uint64_t>(count) > remaining() / elementSize)) {
        throw ArchiveException(ArchiveException::Cause::Generic,
                               std::string("The document is damaged: ") + what + " of " + std::to_string(count) +
                                   " entries is longer than the " + std::to_string(remaining()) +
                                   " bytes left.");
    }
}

// The framework's string length: a byte below 0xFF; else a uint16, where
// 0xFFFE marks 16-bit text and is followed by the length again; a uint16 of
// 0xFFFF is followed by a uint32.
std::string ArchiveReader::readString() {
    bool wide = false;
    std::uint64_t length = readUInt8();
    if (length == 0xFF) {
        std::uint16_t w = readUInt16();
        if (w == 0xFFFE) {
            wide = true;
            length = readUInt8();
            if (length == 0xFF) w = readUInt16();
        }
        if (length == 0xFF) {
            length = w < 0xFFFF ? std::uint64_t{w} : std::uint64_t{readUInt32()};
        }
    }
    const std::size_t unit = wide ? 2 : 1;
    requireElements(static_cast<std::int64_t>(length), unit, "a text");
    const std::uint8_t* p = bytes_.data() + pos_;
    pos_ += static_cast<std::size_t>(length) * unit;
    if (!wide) return Windows1252ToUtf8(std::string_view(reinterpret_cast<const char*>(p), length));
    std::u16string units(static_cast<std::size_t>(length), u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    return Utf16ToUtf8(units);
}

}  // namespace platform
