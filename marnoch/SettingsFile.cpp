#include "marnoch/SettingsFile.h"

#include "marnoch/MarnochTexts.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
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

bool SaveSettingsFile(const SettingsImage& image, const std::string& path, std::string& text) {
    const std::string content = SettingsFileText(image);
    std::vector<char> temp(path.begin(), path.end());
    for (const char c : std::string(".XXXXXX")) temp.push_back(c);
    temp.push_back('\0');
    const int fd = path.empty() ? -1 : ::mkstemp(temp.data());
    if (fd < 0) {
        text = text::kCannotOpenFile;
        return false;
    }
    // The new file gets the old one's permissions, or the usual ones.
    struct stat old{};
    mode_t mode = 0;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = ::fchmod(fd, mode) == 0;
    std::size_t done = 0;
    while (ok && done < content.size()) {
        const ssize_t w = ::write(fd, content.data() + done, content.size() - done);
        if (w > 0) done += static_cast<std::size_t>(w);
        else if (w < 0 && errno == EINTR) continue;
        else ok = false;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.data(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.data());
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
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        text = text::kCannotOpenFile;
        return false;
    }
    std::string content;
    char chunk[8192];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        content.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (content.size() > kMaxFileBytes) {
            text = text::kFormatError;
            return false;
        }
    }
    if (in.bad()) {
        text = text::kCannotOpenFile;
        return false;
    }
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
