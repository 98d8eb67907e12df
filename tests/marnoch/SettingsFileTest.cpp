// The ".k47" settings file: the exact records written, the reader's checks
// on damaged files, and both directions against srecord, an independent
// reader and writer of Motorola S-records.

#include "MarnochSim.h"
#include "marnoch/MarnochTexts.h"
#include "marnoch/SettingsFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace marnoch::test {

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeAll(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

SettingsImage randomImage(unsigned seed) {
    SettingsImage image;
    std::mt19937 rng(seed);
    for (auto& b : image.bytes()) b = static_cast<std::uint8_t>(rng());
    return image;
}

SettingsImage filledImage(std::uint8_t value) {
    SettingsImage image;
    image.bytes().fill(value);
    return image;
}

int filesIn(const std::string& folder) {
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++files;
    return files;
}

// Limits the size of files this process writes while it lives; a write past
// it fails (EFBIG) instead of ending the process with SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old_;
        small.rlim_cur = bytes;
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

}  // namespace

// Reference lines worked out by hand from the record rule (count = data + 3,
// checksum = 0xFF - low byte of count + address bytes + data).
TEST(SettingsFile, WritesTheRecordsOfBothRanges) {
    const auto zero = lines(SettingsFileText(SettingsImage{}));
    ASSERT_EQ(zero.size(), 254u);
    EXPECT_EQ(zero[0], "S113000200000000000000000000000000000000ea");
    EXPECT_EQ(zero[3], "S1110032" + std::string(28, '0') + "bc");
    EXPECT_EQ(zero[4].substr(0, 8), "S1130060");
    EXPECT_EQ(zero[253].substr(0, 8), "S1130ff0");

    SettingsImage counting;
    for (unsigned i = 0; i < 16; ++i) counting[0x060 + i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(lines(SettingsFileText(counting))[4], "S1130060000102030405060708090a0b0c0d0e0f14");
}

TEST(SettingsFile, RoundTripRestoresTheFileRangesOnly) {
    TempDir dir;
    const std::string path = dir.file("backup.k47");
    const SettingsImage source = randomImage(7);
    std::string text;
    ASSERT_TRUE(SaveSettingsFile(source, path, text));
    EXPECT_EQ(text, text::kSavedOk);

    SettingsImage loaded = filledImage(0xA5);
    ASSERT_TRUE(LoadSettingsFile(loaded, path, text)) << text;
    for (unsigned a = 0; a < SettingsImage::kSize; ++a) {
        const bool inFile = (a >= 0x002 && a < 0x040) || a >= 0x060;
        EXPECT_EQ(loaded[a], inFile ? source[a] : 0xA5) << "address " << a;
    }
}

// A damaged file fails with its text and leaves the image as it was.
TEST(SettingsFile, DamagedFilesChangeNothing) {
    TempDir dir;
    const std::string good = SettingsFileText(randomImage(3));
    const auto goodLines = lines(good);
    auto withLine = [&](std::size_t index, const std::string& replacement) {
        std::string out;
        for (std::size_t i = 0; i < goodLines.size(); ++i) out += (i == index ? replacement : goodLines[i]) + "\n";
        return out;
    };
    std::string flipped = goodLines[100];
    flipped[12] = flipped[12] == '0' ? '1' : '0';
    std::string truncatedFile = good.substr(0, good.size() / 2);
    truncatedFile.resize(truncatedFile.rfind('\n') + 1);

    // Each with its first line, then the line number and what was wrong.
    struct Case {
        const char* name;
        std::string content;
        std::string text;
        std::string detail;
    };
    std::string overlap = good + goodLines[14].substr(0, 8);  // a record at 0x100 again, one byte changed
    {
        const std::string again = goodLines[14];
        unsigned first = std::stoul(again.substr(8, 2), nullptr, 16) ^ 0x01;
        unsigned sum = first;
        for (std::size_t i = 2; i + 2 < again.size(); i += 2)
            if (i != 8) sum += std::stoul(again.substr(i, 2), nullptr, 16);
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02x", first);
        overlap += hex + again.substr(10, again.size() - 12);
        std::snprintf(hex, sizeof hex, "%02x", 0xFF - (sum & 0xFF));
        overlap += std::string(hex) + "\n";
    }
    const std::string binary = good.substr(0, 300) + std::string("\0\x01\x02\xff", 4) + good.substr(300);
    const Case cases[] = {
        {"changed digit", withLine(100, flipped), text::kChecksumError, "Line 101: the record's checksum is"},
        {"count below the address", withLine(5, "S1020060fd"), text::kFormatError,
         "Line 6: the S1 record's byte count 0x02 is less than its address and checksum."},
        {"word shorter than its count", withLine(5, goodLines[5].substr(0, 20)), text::kFormatError,
         "Line 6: the S1 record's byte count 0x13 asks for 42 characters; the record has 20."},
        {"odd length", withLine(5, goodLines[5].substr(0, 21)), text::kFormatError,
         "Line 6: the S1 record has an odd number of characters (21)"},
        {"not hex", withLine(5, "S1zz" + goodLines[5].substr(4)), text::kFormatError,
         "Line 6: \"z\" at column 3 of the S1 record is no hex digit."},
        {"past the memory", withLine(5, "S214000ff8" + std::string(32, '0') + "00"), text::kFormatError,
         "Line 6: the S2 record's 16 data bytes at address 0xFF8 reach past the settings memory's last address 0xFFF."},
        {"long word", withLine(5, "S1" + std::string(300, '1')), text::kFormatError,
         "Line 6: the S1 record's byte count 0x11 asks for 38 characters; the record has 302."},
        {"binary", binary, text::kFormatError, "is no text; this is not a settings file."},
        {"overlap", overlap, text::kFormatError,
         "Line 255: address 0x100 is given 0x"},
        {"first half only", truncatedFile, text::kFileIncomplete, "No record gives address 0x"},
        {"record missing", withLine(200, ""), text::kFileIncomplete, "No record gives address 0xCA0."},
        {"empty", "", text::kFileIncomplete, "No record gives address 0x010."},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file("bad.k47");
        writeAll(path, c.content);
        SettingsImage image = filledImage(0x5C);
        std::string text;
        EXPECT_FALSE(LoadSettingsFile(image, path, text)) << c.name;
        EXPECT_EQ(FirstLine(text), c.text) << c.name;
        EXPECT_NE(text.find(c.detail), std::string::npos) << c.name << ": " << text;
        EXPECT_EQ(image.bytes(), filledImage(0x5C).bytes()) << c.name;
    }
    // A record given twice alike is no fault.
    const std::string path = dir.file("twice.k47");
    writeAll(path, good + goodLines[14] + "\n");
    SettingsImage twice;
    std::string twiceText;
    EXPECT_TRUE(LoadSettingsFile(twice, path, twiceText)) << twiceText;
    SettingsImage image;
    std::string text;
    EXPECT_FALSE(LoadSettingsFile(image, dir.file("missing.k47"), text));
    EXPECT_EQ(text, text::kCannotOpenFile + " " + dir.file("missing.k47"));

    // Far too large to be a backup: refused before it is read.
    const std::string huge = dir.file("huge.k47");
    { std::ofstream(huge, std::ios::binary).seekp((50 << 20) - 1) << 'x'; }
    EXPECT_FALSE(LoadSettingsFile(image, huge, text));
    EXPECT_EQ(text, text::kFormatError + "\n\nThe file holds 52428800 bytes; a settings file holds about 11000.");
}

TEST(SettingsFile, ReadsHeadersS2RecordsCrlfAndUpperCase) {
    TempDir dir;
    const SettingsImage source = randomImage(11);
    std::string text = SettingsFileText(source);
    // S2 at 0x000060 in place of the S1 record at 0x0060, CRLF line ends,
    // upper case, and a header and a termination record around them.
    auto ls = lines(text);
    std::string s2 = "S214000060";
    unsigned sum = 0x14 + 0x60;
    char hex[3];
    for (unsigned a = 0x060; a < 0x070; ++a) {
        std::snprintf(hex, sizeof hex, "%02x", source[a]);
        s2 += hex;
        sum += source[a];
    }
    std::snprintf(hex, sizeof hex, "%02x", 0xFF - (sum & 0xFF));
    ls[4] = s2 + hex;
    std::string mixed = "S00600004844521B\r\n";
    for (auto& l : ls) {
        for (auto& c : l) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        mixed += l + "\r\n";
    }
    mixed += "S9030000FC\r\n";
    const std::string path = dir.file("mixed.k47");
    writeAll(path, mixed);
    SettingsImage loaded;
    ASSERT_TRUE(LoadSettingsFile(loaded, path, text)) << text;
    for (unsigned a = 0x060; a < 0x1000; ++a) ASSERT_EQ(loaded[a], source[a]) << a;
}

// A failed save keeps the old file and leaves no temporary file behind.
// The folder is made read-only; root writes there all the same, so for root
// a file-size limit of nothing fails the write of the new file instead.
TEST(SettingsFile, FailedSaveKeepsTheOldFile) {
    TempDir dir;
    const std::string path = dir.file("backup.k47");
    std::string text;
    ASSERT_TRUE(SaveSettingsFile(filledImage(1), path, text));
    const std::string before = readAll(path);
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const bool folderRefuses = ::geteuid() != 0;
    bool saved = true;
    if (folderRefuses) {
        ::chmod(folder.c_str(), 0555);
        saved = SaveSettingsFile(filledImage(2), path, text);
        ::chmod(folder.c_str(), 0755);
    } else {
        FileSizeLimit limit(0);
        saved = SaveSettingsFile(filledImage(2), path, text);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(FirstLine(text), folderRefuses ? text::kCannotOpenFile + " " + path : text::kCannotWriteFile);
    EXPECT_NE(text.find(folderRefuses ? folder : path), std::string::npos) << text;
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(filesIn(folder), 1);
}

// A write that fails half way (the file size limit stands in for a full
// disk) is reported, the old backup stays and no temporary file is left.
TEST(SettingsFile, FailedWriteKeepsTheOldFile) {
    TempDir dir;
    const std::string path = dir.file("backup.k47");
    std::string text;
    ASSERT_TRUE(SaveSettingsFile(filledImage(1), path, text));
    const std::string before = readAll(path);
    bool saved = true;
    {
        FileSizeLimit limit(4096);
        saved = SaveSettingsFile(filledImage(2), path, text);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(FirstLine(text), text::kCannotWriteFile);
    EXPECT_NE(text.find(path + ": File too large"), std::string::npos) << text;
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(filesIn(std::filesystem::path(path).parent_path().string()), 1);
}

TEST(SettingsFile, WriteErrorIsReportedNotSaved) {
    // /dev/full accepts the open of nothing in /dev, so use a path whose
    // folder does not exist: no temporary file can be made.
    std::string text;
    EXPECT_FALSE(SaveSettingsFile(SettingsImage{}, "/nonexistent-folder/backup.k47", text));
    EXPECT_EQ(text, text::kCannotOpenFile + " /nonexistent-folder/backup.k47" +
                        "\n\nCannot create a file in /nonexistent-folder: No such file or directory");
    // A folder where the file should be is not replaced.
    TempDir dir;
    const std::string path = dir.file("backup.k47");
    std::filesystem::create_directory(path);
    EXPECT_FALSE(SaveSettingsFile(SettingsImage{}, path, text));
    EXPECT_EQ(text, text::kCannotOpenFile + " " + path + "\n\nCannot replace " + path + ": Is a directory");
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

// srecord checks our file independently:
//   srec_cat F -motorola -o /dev/null            (every record and checksum valid)
//   srec_info F -motorola                        (data ranges 0002-003F, 0060-0FFF)
//   srec_cat F -motorola -fill 0x00 0x0000 0x1000 -o img.bin -binary  (content)
// and writes a reference from the image with the same record layout:
//   srec_cat image.bin -binary -exclude 0x0000 0x0002 -exclude 0x0040 0x0060
//     -o ref.s19 -motorola -address-length=2 -obs=16 -disable=header
//     -disable=data-count -disable=exec-start-address -disable=footer
// which must equal ours once upper-cased (srec_cmp agrees too).
TEST(SettingsFile, SrecordAcceptsAndReproducesOurFile) {
    if (!HaveSrecord()) GTEST_SKIP() << "srecord (srec_cat) is not installed";
    TempDir dir;
    const SettingsImage source = randomImage(42);
    const std::string ours = dir.file("backup.k47");
    std::string text;
    ASSERT_TRUE(SaveSettingsFile(source, ours, text));

    auto r = RunCommand("srec_cat " + ours + " -motorola -o /dev/null");
    EXPECT_EQ(r.status, 0) << r.output;
    r = RunCommand("srec_info " + ours + " -motorola");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Data:   0002 - 003F"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("0060 - 0FFF"), std::string::npos) << r.output;

    const std::string img = dir.file("img.bin");
    r = RunCommand("srec_cat " + ours + " -motorola -fill 0x00 0x0000 0x1000 -o " + img + " -binary");
    ASSERT_EQ(r.status, 0) << r.output;
    std::string expected(reinterpret_cast<const char*>(source.bytes().data()), SettingsImage::kSize);
    for (unsigned a = 0; a < 0x002; ++a) expected[a] = 0;
    for (unsigned a = 0x040; a < 0x060; ++a) expected[a] = 0;
    EXPECT_EQ(readAll(img), expected);

    const std::string bin = dir.file("image.bin");
    writeAll(bin, std::string(reinterpret_cast<const char*>(source.bytes().data()), SettingsImage::kSize));
    const std::string ref = dir.file("ref.s19");
    r = RunCommand("srec_cat " + bin + " -binary -exclude 0x0000 0x0002 -exclude 0x0040 0x0060 -o " + ref +
                   " -motorola -address-length=2 -obs=16 -disable=header -disable=data-count"
                   " -disable=exec-start-address -disable=footer");
    ASSERT_EQ(r.status, 0) << r.output;
    std::string upper = readAll(ours);
    for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(upper, readAll(ref));
    r = RunCommand("srec_cmp " + ours + " -motorola " + ref + " -motorola");
    EXPECT_EQ(r.status, 0) << r.output;
}

// Files srecord writes in its own default forms read equal to ours:
//   srec_cat image.bin -binary -exclude ... -o f -motorola              (S0, S1, S5, S9)
//   ... -address-length=3                                               (S2 and S8)
//   ... -address-length=4                                               (S3: not ours, incomplete)
// and with CRLF line ends (sed 's/$/\r/').
TEST(SettingsFile, ReadsFilesWrittenBySrecord) {
    if (!HaveSrecord()) GTEST_SKIP() << "srecord (srec_cat) is not installed";
    TempDir dir;
    const SettingsImage source = randomImage(99);
    const std::string bin = dir.file("image.bin");
    writeAll(bin, std::string(reinterpret_cast<const char*>(source.bytes().data()), SettingsImage::kSize));
    const std::string base = "srec_cat " + bin + " -binary -exclude 0x0000 0x0002 -exclude 0x0040 0x0060 -o ";

    SettingsImage ours;
    std::string text;
    ASSERT_TRUE(SaveSettingsFile(source, dir.file("ours.k47"), text));
    ASSERT_TRUE(LoadSettingsFile(ours, dir.file("ours.k47"), text));

    struct Form {
        const char* name;
        std::string options;
        bool crlf;
        bool readable;
    };
    const Form forms[] = {
        {"default", "-motorola", false, true},
        {"s2", "-motorola -address-length=3", false, true},
        {"crlf", "-motorola", true, true},
        {"s3", "-motorola -address-length=4", false, false},
    };
    for (const Form& f : forms) {
        const std::string file = dir.file(std::string(f.name) + ".k47");
        auto r = RunCommand(base + file + " " + f.options);
        ASSERT_EQ(r.status, 0) << r.output;
        if (f.crlf) {
            r = RunCommand("sed -i 's/$/\\r/' " + file);
            ASSERT_EQ(r.status, 0) << r.output;
            ASSERT_NE(readAll(file).find("\r\n"), std::string::npos);
        }
        SettingsImage loaded;
        const bool ok = LoadSettingsFile(loaded, file, text);
        EXPECT_EQ(ok, f.readable) << f.name << ": " << text;
        if (f.readable) {
            EXPECT_EQ(loaded.bytes(), ours.bytes()) << f.name;
        } else {
            EXPECT_EQ(FirstLine(text), text::kFileIncomplete) << f.name;
        }
    }
}

}  // namespace marnoch::test

namespace marnoch::test {

// Records that give one address twice: srecord accepts the same byte given
// again ("redundant ... value", exit 0) and refuses two different ones
// ("multiple 0x00000100 values", exit 1):
//   srec_cat F -motorola -o /dev/null
// The reader judges both files alike, naming the address and both lines.
TEST(SettingsFile, OverlappingRecordsAreJudgedAsSrecordJudgesThem) {
    TempDir dir;
    const std::string good = SettingsFileText(randomImage(5));
    const std::string at100 = lines(good)[14];  // 16 bytes at 0x100, line 15
    ASSERT_EQ(at100.substr(0, 8), "S1130100");
    // One byte at 0x100 that differs from the good record's.
    const unsigned old = static_cast<unsigned>(std::stoul(at100.substr(8, 2), nullptr, 16));
    const unsigned changed = old ^ 0x80;
    const unsigned sum = 0x04 + 0x01 + 0x00 + changed;
    char one[16];
    std::snprintf(one, sizeof one, "S1040100%02x%02x", changed, 0xFF - (sum & 0xFF));
    char expected[128];
    std::snprintf(expected, sizeof expected,
                  "\n\nLine 255: address 0x100 is given 0x%02X here and 0x%02X on line 15; overlapping records must "
                  "agree.",
                  changed, old);

    struct Case {
        const char* name;
        std::string content;
        bool accepted;
    };
    const Case cases[] = {{"same bytes", good + at100 + "\n", true}, {"different byte", good + one + "\n", false}};
    for (const Case& c : cases) {
        const std::string path = dir.file("overlap.k47");
        writeAll(path, c.content);
        SettingsImage image;
        std::string text;
        EXPECT_EQ(LoadSettingsFile(image, path, text), c.accepted) << c.name << ": " << text;
        if (!c.accepted) {
            EXPECT_EQ(text, text::kFormatError + expected) << c.name;
        }
        if (!HaveSrecord()) continue;
        const auto r = RunCommand("srec_cat " + path + " -motorola -o /dev/null");
        EXPECT_EQ(r.status == 0, c.accepted) << c.name << ": " << r.output;
        if (!c.accepted) {
            EXPECT_NE(r.output.find("multiple 0x00000100 values"), std::string::npos) << r.output;
        }
    }
}

}  // namespace marnoch::test
