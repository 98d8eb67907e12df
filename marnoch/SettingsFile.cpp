#include "marnoch/SettingsFile.h"

#include "marnoch/MarnochTexts.h"

#include "platform/DocumentFile.h"

#include <array>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace marnoch {

namespace {

constexpr char kHex[] = "0123456789abcdef";
// A backup is about 10 KB; anything far larger is not one.
constexpr std::size_t kMaxFileBytes = 1 << 20;

// A file's text with the file's path after it, so the user sees which
// file (and, when a place is refused, which name in it) was meant.
std::string naming(const std::string& text, const std::string& path) {
    return path.empty() ? text : text + " " + path;
}

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

std::string hexByte(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
    return text;
}

std::string addressText(unsigned address) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%03X", address);
    return text;
}

// What the reader keeps while it goes through the words: the line it is on
// and, for every address a record has given, the line that gave it, so
// that a second record for the same address must agree with the first.
struct ParseState {
    SettingsImage& staging;
    std::bitset<SettingsImage::kSize>& covered;
    std::array<std::uint32_t, SettingsImage::kSize> lineOf{};
    std::uint32_t line = 1;
};

// Checks one word; returns what is wrong with it (empty when it was stored
// or skipped). `checksum` says whether the fault is the checksum's.
std::string handleWord(std::string_view word, ParseState& st, bool& checksum) {
    checksum = false;
    if (word.size() < 2 || (word[1] != '1' && word[1] != '2')) return {};
    const bool s2 = word[1] == '2';
    const std::string kind = s2 ? "S2" : "S1";
    const std::size_t addressDigits = s2 ? 6 : 4;
    const unsigned overhead = s2 ? 4 : 3;  // address bytes and checksum
    for (std::size_t i = 2; i < word.size(); ++i)
        if (hexValue(word[i]) < 0) {
            const auto c = static_cast<unsigned char>(word[i]);
            const std::string shown = c >= 0x21 && c < 0x7F ? "\"" + std::string(1, word[i]) + "\"" : hexByte(c);
            return shown + " at column " + std::to_string(i + 1) + " of the " + kind + " record is no hex digit";
        }
    if (word.size() % 2 != 0)
        return "the " + kind + " record has an odd number of characters (" + std::to_string(word.size()) +
               "); its bytes are two hex digits each";
    if (word.size() < 4 + addressDigits + 2)
        return "the " + kind + " record is too short (" + std::to_string(word.size()) + " characters)";
    const unsigned count = hexAt(word, 2, 2);
    if (count < overhead)
        return "the " + kind + " record's byte count " + hexByte(count) + " is less than its address and checksum";
    if (word.size() != 4 + 2 * static_cast<std::size_t>(count))
        return "the " + kind + " record's byte count " + hexByte(count) + " asks for " +
               std::to_string(4 + 2 * count) + " characters; the record has " + std::to_string(word.size());
    const unsigned address = hexAt(word, 4, static_cast<int>(addressDigits));
    const unsigned length = count - overhead;
    if (address > SettingsImage::kSize || length > SettingsImage::kSize - address)
        return "the " + kind + " record's " + std::to_string(length) + " data bytes at address " +
               addressText(address) + " reach past the settings memory's last address 0xFFF";

    unsigned sum = count;
    for (std::size_t i = 0; i < addressDigits / 2; ++i) sum += hexAt(word, 4 + 2 * i, 2);
    const std::size_t dataAt = 4 + addressDigits;
    std::uint8_t data[256];
    for (unsigned i = 0; i < length; ++i) {
        data[i] = static_cast<std::uint8_t>(hexAt(word, dataAt + 2 * i, 2));
        sum += data[i];
    }
    const unsigned given = hexAt(word, dataAt + 2 * length, 2);
    const unsigned wanted = 0xFF - (sum & 0xFF);
    if (given != wanted) {
        checksum = true;
        return "the record's checksum is " + hexByte(given) + "; its bytes give " + hexByte(wanted);
    }
    // Two records for one address are one value given twice, or a file
    // whose two halves disagree: nobody can say which byte was meant.
    for (unsigned i = 0; i < length; ++i) {
        const unsigned a = address + i;
        if (st.covered.test(a) && st.staging[a] != data[i])
            return "address " + addressText(a) + " is given " + hexByte(data[i]) + " here and " +
                   hexByte(st.staging[a]) + " on line " + std::to_string(st.lineOf[a]) +
                   "; overlapping records must agree";
    }
    for (unsigned i = 0; i < length; ++i) {
        st.staging[address + i] = data[i];
        st.covered.set(address + i);
        st.lineOf[address + i] = st.line;
    }
    return {};
}

// A settings file is text: a NUL or another control byte that is no white
// space says it is something else.
bool isBinaryByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u < 0x20 && !isSpace(c)) || u == 0x7F;
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
// the open text; a failure after that is a write failure. Both name the
// file and the system's reason.
bool SaveSettingsFile(const SettingsImage& image, const std::string& path, std::string& text) {
    std::string error;
    if (!platform::DocumentFile::CanReplace(path, error)) {
        text = naming(text::kCannotOpenFile, path) + "\n\n" + error;
        return false;
    }
    const std::string content = SettingsFileText(image);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(content.data());
    if (!platform::DocumentFile::WriteReplacing(path, {bytes, content.size()}, error)) {
        text = text::kCannotWriteFile + "\n\n" + error;
        return false;
    }
    text = text::kSavedOk;
    return true;
}

bool CheckSettingsFileWritable(const std::string& path, std::string& text) {
    std::string error;
    if (platform::DocumentFile::CanReplace(path, error)) return true;
    text = naming(text::kCannotWriteFile, path) + "\n\n" + error;
    return false;
}

bool ParseSettingsText(std::string_view content, SettingsImage& staging, std::bitset<SettingsImage::kSize>& covered,
                       std::string& text) {
    ParseState st{staging, covered};
    auto fail = [&](const std::string& first, const std::string& why) {
        text = first + "\n\nLine " + std::to_string(st.line) + ": " + why + ".";
        return false;
    };
    std::size_t i = 0;
    while (i < content.size()) {
        while (i < content.size() && isSpace(content[i])) {
            if (content[i] == '\n') ++st.line;
            ++i;
        }
        const std::size_t start = i;
        while (i < content.size() && !isSpace(content[i])) {
            if (isBinaryByte(content[i]))
                return fail(text::kFormatError, "byte " + hexByte(static_cast<unsigned char>(content[i])) +
                                                    " is no text; this is not a settings file");
            ++i;
        }
        if (i == start) break;
        bool checksum = false;
        const std::string why = handleWord(content.substr(start, i - start), st, checksum);
        if (!why.empty()) return fail(checksum ? text::kChecksumError : text::kFormatError, why);
    }
    return true;
}

bool LoadSettingsFile(SettingsImage& image, const std::string& path, std::string& text) {
    struct stat st{};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        text = naming(text::kCannotOpenFile, path);
        return false;
    }
    // Far larger than any backup: not one.
    if (static_cast<std::uint64_t>(st.st_size) > kMaxFileBytes) {
        text = text::kFormatError + "\n\nThe file holds " + std::to_string(st.st_size) +
               " bytes; a settings file holds about 11000.";
        return false;
    }
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!platform::DocumentFile::Read(path, bytes, error, kMaxFileBytes)) {
        text = naming(text::kCannotOpenFile, path);
        return false;
    }
    const std::string_view content(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    SettingsImage staging = image;
    std::bitset<SettingsImage::kSize> covered;
    if (!ParseSettingsText(content, staging, covered, text)) return false;
    for (const auto& range : kProgramRanges)
        for (unsigned a = range.first; a < range.end; ++a)
            if (!covered.test(a)) {
                text = text::kFileIncomplete + "\n\nNo record gives address " + addressText(a) + ".";
                return false;
            }
    image = staging;
    return true;
}

}  // namespace marnoch
