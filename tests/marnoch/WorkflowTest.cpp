// The two workflows headless against the simulated processor: a scripted
// file chooser and status line, real files, real pty.

#include "MarnochSim.h"
#include "marnoch/MarnochTexts.h"
#include "marnoch/MarnochWorkflows.h"
#include "marnoch/SettingsFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <new>
#include <stdexcept>
#include <random>
#include <sstream>

namespace marnoch::test {

namespace {

struct ScriptedChooser final : IFileChooser {
    std::string answer;
    bool cancel = false;
    std::vector<std::string> proposed;
    int calls = 0;
    bool ChooseSettingsFile(bool, const std::string& initial, std::string& chosen) override {
        ++calls;
        proposed.push_back(initial);
        if (cancel) return false;
        chosen = answer;
        return true;
    }
};

struct StatusLog final : IStatusSink {
    std::vector<std::string> texts;
    void SetStatus(const std::string& text) override { texts.push_back(text); }
};

class MarnochWorkflow : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim_.started()) << sim_.simulator().error(); }

    MarnochWorkflows workflows() {
        return MarnochWorkflows(chooser_, status_, progress_, [this] { return sim_.makePort(image_); });
    }

    MarnochSim sim_;
    SettingsImage image_;
    ScriptedChooser chooser_;
    StatusLog status_;
    NullProgCtrl progress_;
    TempDir dir_;
};

}  // namespace

// The backup equals the unit's memory less the reserved ranges; srecord's
// srec_cat reads it back into the same bytes:
//   srec_cat F -motorola -fill 0x00 0x0000 0x1000 -o img.bin -binary
TEST_F(MarnochWorkflow, CreateBackupWritesTheUnitsMemory) {
    const auto memory = sim_.randomMemory(21);
    chooser_.answer = dir_.file("unit.k47");
    auto w = workflows();
    EXPECT_EQ(w.RunCaught(&MarnochWorkflows::RunCreateBackup), std::nullopt);
    const std::vector<std::string> expected = {text::kFindingUnit,   "Bzt 50 found",     text::kGettingSettings,
                                               text::kRetrievedOk,   text::kWritingFile, text::kSavedOk};
    EXPECT_EQ(status_.texts, expected);
    EXPECT_EQ(chooser_.proposed, std::vector<std::string>{"untitled.k47"});

    SettingsImage loaded;
    std::string text;
    ASSERT_TRUE(LoadSettingsFile(loaded, chooser_.answer, text)) << text;
    for (unsigned a = 0; a < 4096; ++a)
        if ((a >= 0x002 && a < 0x040) || a >= 0x060) {
            ASSERT_EQ(loaded[a], memory[a]) << a;
        }

    if (!HaveSrecord()) return;
    const std::string img = dir_.file("img.bin");
    auto r = RunCommand("srec_cat " + chooser_.answer + " -motorola -fill 0x00 0x0000 0x1000 -o " + img + " -binary");
    ASSERT_EQ(r.status, 0) << r.output;
    std::ifstream in(img, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::string want(reinterpret_cast<const char*>(memory.data()), memory.size());
    for (unsigned a = 0; a < 0x002; ++a) want[a] = 0;
    for (unsigned a = 0x040; a < 0x060; ++a) want[a] = 0;
    EXPECT_EQ(s.str(), want);
}

// Back up, change the unit, upload the backup: the unit's programmable
// bytes are the backup's again; the next file dialog proposes the last file.
TEST_F(MarnochWorkflow, UploadRestoresABackup) {
    const auto memory = sim_.randomMemory(22);
    chooser_.answer = dir_.file("unit.k47");
    auto w = workflows();
    ASSERT_EQ(w.RunCaught(&MarnochWorkflows::RunCreateBackup), std::nullopt);
    const auto changed = sim_.randomMemory(23);
    image_.bytes().fill(0);  // the image plays no part beyond the file
    status_.texts.clear();
    EXPECT_EQ(w.RunCaught(&MarnochWorkflows::RunUpload), std::nullopt);
    const std::vector<std::string> steps = {text::kFindingUnit, "Bzt 50 found", text::kReadingFile,
                                            "Bzt 50 found",     text::kProgramming, text::kProgrammedOk};
    EXPECT_EQ(status_.texts, steps);
    EXPECT_EQ(chooser_.proposed.back(), chooser_.answer);
    sim_.dialect([&](sim::MarnochDialect& d) {
        for (unsigned a = 0; a < 4096; ++a) {
            const bool programmable = (a >= 0x010 && a < 0x040) || a >= 0x060;
            ASSERT_EQ(d.memory()[a], programmable ? memory[a] : changed[a]) << a;
        }
    });
}

// A damaged file never reaches the unit: no loader entry, no address, no
// byte written.
TEST_F(MarnochWorkflow, DamagedFileIsRefusedBeforeTheUnitIsTouched) {
    const auto memory = sim_.randomMemory(24);
    SettingsImage source;
    std::string good = SettingsFileText(source);
    struct Case {
        std::string content;
        std::string text;
    };
    std::string badChecksum = good;
    badChecksum[20] = '7';
    std::string outOfRange = "S1130ff8" + std::string(32, '0') + "e5\n" + good;
    const Case cases[] = {
        {badChecksum, text::kChecksumError},
        {good.substr(0, good.size() / 3), text::kFormatError},  // cut inside a record
        {outOfRange, text::kFormatError},
    };
    for (const Case& c : cases) {
        chooser_.answer = dir_.file("bad.k47");
        std::ofstream(chooser_.answer, std::ios::binary) << c.content;
        auto w = workflows();
        const auto failure = w.RunCaught(&MarnochWorkflows::RunUpload);
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(FirstLine(*failure), c.text);
        EXPECT_NE(failure->find("\n\nLine "), std::string::npos) << *failure;
        EXPECT_EQ(status_.texts.back(), text::kReadingFile);
    }
    sim_.dialect([&](sim::MarnochDialect& d) {
        EXPECT_EQ(d.memory(), memory);
        EXPECT_EQ(d.addressed().count(), 0u);
        EXPECT_EQ(d.state(), sim::MarnochDialect::State::Firmware);
    });
    EXPECT_EQ(sim_.simulator().log().count("Z31842.7"), 0u);
}

TEST_F(MarnochWorkflow, CancelAndMissingUnit) {
    chooser_.cancel = true;
    auto w = workflows();
    EXPECT_EQ(w.RunCaught(&MarnochWorkflows::RunCreateBackup), text::kInvalidFileSelection);
    EXPECT_EQ(status_.texts.back(), "Bzt 50 found");
    EXPECT_EQ(w.RunCaught(&MarnochWorkflows::RunUpload), text::kInvalidFileSelection);
    EXPECT_EQ(w.chosenFileName(), "untitled.k47");

    // No unit: the warning, and no file dialog.
    chooser_.calls = 0;
    MarnochWorkflows none(chooser_, status_, progress_, [this] {
        return std::make_unique<CSerialPort>(image_, sim_.clock(), [](int) { return std::string(); });
    });
    EXPECT_EQ(none.RunCaught(&MarnochWorkflows::RunUpload), text::kNotFound + "\n  COM1 to COM8: no device");
    EXPECT_EQ(chooser_.calls, 0);
    EXPECT_EQ(status_.texts.back(), text::kFindingUnit);
}

// A place the backup cannot be saved in is refused before the unit is
// read, naming the file and the reason; the unit never enters its loader.
TEST_F(MarnochWorkflow, AnUnwritablePlaceIsRefusedBeforeTheRead) {
    chooser_.answer = "/nonexistent-folder/unit.k47";
    auto w = workflows();
    EXPECT_EQ(w.RunCaught(&MarnochWorkflows::RunCreateBackup),
              text::kCannotWriteFile + " /nonexistent-folder/unit.k47" +
                  "\n\nCannot create a file in /nonexistent-folder: No such file or directory");
    EXPECT_EQ(status_.texts.back(), "Bzt 50 found");
    EXPECT_EQ(sim_.simulator().log().count("Z31842.7"), 0u);
}

// Whatever ends a step is the step's failure, shown like the others: the
// exception's own text, or "Unrecognized exception" when it has none. The
// last-resort text of main says the program closes.
TEST_F(MarnochWorkflow, AnyFailureIsAFailedStep) {
    struct Throws {
        std::function<void()> raise;
        std::string text;
    };
    const Throws cases[] = {
        {[] { throw std::runtime_error("port table damaged"); }, "port table damaged"},
        {[] { throw std::bad_alloc(); }, std::bad_alloc().what()},
        {[] { throw 42; }, text::kUnrecognizedException},
    };
    for (const Throws& c : cases) {
        MarnochWorkflows w(chooser_, status_, progress_, [&]() -> std::unique_ptr<CSerialPort> {
            c.raise();
            return nullptr;
        });
        EXPECT_EQ(w.RunCaught(&MarnochWorkflows::RunUpload), c.text);
        EXPECT_EQ(w.RunCaught(&MarnochWorkflows::RunCreateBackup), c.text);
    }
    EXPECT_EQ(FatalErrorText("no memory"), "no memory\n\nApplication is closing.");
    EXPECT_EQ(FatalErrorText(nullptr), text::kUnrecognizedException);
    EXPECT_EQ(FatalErrorText(""), text::kUnrecognizedException);
}

// A success with a note (the clock not set): the status line shows the OK
// line and the note comes to the user in the box, since the status line
// shows one line only.
TEST_F(MarnochWorkflow, AClockNotSetIsShownAfterTheUpload) {
    SettingsImage source;
    std::mt19937 rng(5);
    for (auto& b : source.bytes()) b = static_cast<std::uint8_t>(rng());
    chooser_.answer = dir_.file("unit.k47");
    std::string text;
    ASSERT_TRUE(SaveSettingsFile(source, chooser_.answer, text)) << text;
    sim_.dialect([](sim::MarnochDialect& d) { d.knobs().clockQuiet = true; });
    auto w = workflows();
    EXPECT_EQ(w.RunCaught(&MarnochWorkflows::RunUpload), text::kProgrammedOk + "\n\n" + text::kClockNotSet);
    EXPECT_EQ(status_.texts.back(), text::kProgrammedOk);
}

}  // namespace marnoch::test
