#include "marnoch/SettingsFile.h"

#include "marnoch/MarnochTexts.h"

#include "platform/DocumentFile.h"

#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace marnoch {

namespace {

constexpr char kHex[] = "0123456789abcdef";
// A backup is about 10 KB; anything far larger is not one.
constexpr std::size_t kMaxFileBytes = 1 << 20;

void appendHex(std::string& out, unsigned value, int digits) {
    for (int d = digits - 1; d >= 0; --d) out.push_back(kHex[(value >> (4 * d)) & 0xF]);
}

// WriteSRecords: records of at most 16 data bytes from first up to end.
void appendRecords(std::string& out, const SettingsImage& image, unsigned first, unsigned end) {
    while (first < end) {
        const unsigned length = end - first > 16 ? 16 : end - first;
        const unsigned count = length + 3;
        unsigned sum = count + (first >> 8) + (first & 0xFF);
        out += "S1";
        appendHex(out, count, 2);
        appendHex(out, first, 4);
        for (unsigned a = first; a < first + length; ++a) {
            appendHex(out, image[a], 2);
            sum += image[a];
        }
        appendHex(out, 0xFF - (sum & 0xFF), 2);
        out.push_back('\n');
        first += length;
    }
}

// Whether a new file can be made at `path`: its folder exists and may be
// written, and a file already there is a regular file that may be written.
bool CanCreate(const std::string& path) {
    if (path.empty()) return false;
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat st{};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || ::access(folder.c_str(), W_OK | X_OK) != 0)
        return false;
    if (::stat(path.c_str(), &st) == 0 && (!S_ISREG(st.st_mode) || ::access(path.c_str(), W_OK) != 0)) return false;
    return true;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

unsigned hexAt(std::string_view word, std::size_t at, int digits) {
    unsigned v = 0;
    for (int i = 0; i < digits; ++i) v = v * 16 + static_cast<unsigned>(hexValue(word[at + static_cast<std::size_t>(i)]));
    return v;
}

enum class RecordResult { Stored, Skipped, Format, Checksum };

RecordResult handleWord(std::string_view word, SettingsImage& staging, std::bitset<SettingsImage::kSize>& covered) {
    if (word.size() < 2 || (word[1] != '1' && word[1] != '2')) return RecordResult::Skipped;
    const bool s2 = word[1] == '2';
    const std::size_t addressDigits = s2 ? 6 : 4;
    const unsigned overhead = s2 ? 4 : 3;  // address bytes and checksum
    for (std::size_t i = 2; i < word.size(); ++i)
        if (hexValue(word[i]) < 0) return RecordResult::Format;
    if (word.size() < 4 + addressDigits + 2) return RecordResult::Format;
    const unsigned count = hexAt(word, 2, 2);
    if (count < overhead || word.size() != 4 + 2 * static_cast<std::size_t>(count)) return RecordResult::Format;
    const unsigned address = hexAt(word, 4, static_cast<int>(addressDigits));
    const unsigned length = count - overhead;
    if (address > SettingsImage::kSize || length > SettingsImage::kSize - address) return RecordResult::Format;

    unsigned sum = count;
    for (std::size_t i = 0; i < addressDigits / 2; ++i) sum += hexAt(word, 4 + 2 * i, 2);
    const std::size_t dataAt = 4 + addressDigits;
    std::uint8_t data[256];
    for (unsigned i = 0; i < length; ++i) {
        data[i] = static_cast<std::uint8_t>(hexAt(word, dataAt + 2 * i, 2));
        sum += data[i];
    }
    if (hexAt(word, dataAt + 2 * length, 2) != 0xFF - (sum & 0xFF)) return RecordResult::Checksum;
    for (unsigned i = 0; i < length; ++i) {
        staging[address + i] = data[i];
        covered.set(address + i);
    }
    return RecordResult::Stored;
}

}  // namespace

std::string SettingsFileText(const SettingsImage& image) {
    std::string out;
    out.reserve(11000);
    for (const auto& range : kFileRanges) appendRecords(out, image, range.first, range.end);
    return out;
}

// The platform's writer replaces the file only once the new one is
// complete on disk. A place the file cannot be created in, or an existing
// file that is no regular file or may not be written, is refused first with
// the open text; a failure after that is a write failure.
bool SaveSettingsFile(const SettingsImage& image, const std::string& path, std::string& text) {
    if (!CanCreate(path)) {
        text = text::kCannotOpenFile;
        return false;
    }
    const std::string content = SettingsFileText(image);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(content.data());
    std::string error;
    if (!platform::DocumentFile::WriteReplacing(path, {bytes, content.size()}, error)) {
        text = text::kCannotWriteFile;
        return false;
    }
    text = text::kSavedOk;
    return true;
}

bool ParseSettingsText(std::string_view content, SettingsImage& staging, std::bitset<SettingsImage::kSize>& covered,
                       std::string& text) {
    std::size_t i = 0;
    while (i < content.size()) {
        while (i < content.size() && isSpace(content[i])) ++i;
        const std::size_t start = i;
        while (i < content.size() && !isSpace(content[i])) ++i;
        if (i == start) break;
        switch (handleWord(content.substr(start, i - start), staging, covered)) {
        case RecordResult::Stored:
        case RecordResult::Skipped: break;
        case RecordResult::Format: text = text::kFormatError; return false;
        case RecordResult::Checksum: text = text::kChecksumError; return false;
        }
    }
    return true;
}

bool LoadSettingsFile(SettingsImage& image, const std::string& path, std::string& text) {
    struct stat st{};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        text = text::kCannotOpenFile;
        return false;
    }
    // Far larger than any backup: not one.
    if (static_cast<std::uint64_t>(st.st_size) > kMaxFileBytes) {
        text = text::kFormatError;
        return false;
    }
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!platform::DocumentFile::Read(path, bytes, error, kMaxFileBytes)) {
        text = text::kCannotOpenFile;
        return false;
    }
    const std::string_view content(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    SettingsImage staging = image;
    std::bitset<SettingsImage::kSize> covered;
    if (!ParseSettingsText(content, staging, covered, text)) return false;
    for (const auto& range : kProgramRanges)
        for (unsigned a = range.first; a < range.end; ++a)
            if (!covered.test(a)) {
                text = text::kFileIncomplete;
                return false;
            }
    image = staging;
    return true;
}

}  // namespace marnoch
