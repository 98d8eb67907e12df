// halvane-lab doc, run as a program on the fixtures. Its JSON is read back
// with Python's json module (/usr/bin/python3) where that is installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/halvane/document/DocTestSupport.h"

#ifdef HALVANE_LAB

namespace {

struct LabRun {
    int status = -1;
    std::string out;
};

LabRun Shell(const std::string& command) {
    LabRun r;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) return r;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) r.out.append(buffer, n);
    const int raw = ::pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

std::string Lab(const std::string& fixture) {
    return std::string("'") + HALVANE_LAB + "' doc '" + doctest::DataPath(fixture) + "'";
}

}  // namespace

TEST(HalvaneLabDoc, PrintsTheStoredContentsAsJson) {
    const LabRun run = Shell(Lab("doc_v10_slots8.qex"));
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\"version\":10,\"unitKind\":2,\"rateSlots\":8,\"stagesPerSet\":10"), std::string::npos);
    EXPECT_NE(run.out.find("{\"channel\":7,\"points\":3,\"name\":\"Subwoofer\""), std::string::npos);
    EXPECT_NE(run.out.find("\"crossover\":[[60,70,80,90,100],[110,120,130,140,170]]"), std::string::npos);

    if (::access("/usr/bin/python3", X_OK) != 0) GTEST_SKIP() << "no /usr/bin/python3 to parse the JSON";
    // 2 configurations x 8 slots x 8 channels; the last set's gain by the
    // fixture's rule 1000 cfg + 100 slot + channel + 1.
    const LabRun check = Shell(Lab("doc_v10_slots8.qex") +
                            " | /usr/bin/python3 -c \"import json,sys; d=json.load(sys.stdin); "
                            "f=d['filterSets']; print(len(f), f[-1]['gain'], len(f[-1]['stages']), "
                            "len(d['measurementSets']['6']), d['calibrationIds'], d['olderVersion'])\"");
    ASSERT_EQ(check.status, 0);
    EXPECT_EQ(check.out, "128 1708 10 2 [7, 42] 1\n");
}

TEST(HalvaneLabDoc, ARefusedFileGivesItsFailureTextAndExitsOne) {
    LabRun run = Shell(Lab("doc_huge_calibration.qex") + " 2>&1");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.rfind("Failed to open document.\nThe document is damaged:", 0), 0u) << run.out;
    run = Shell(Lab("doc_v1_absurd.qex") + " 2>&1");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Failed to open document.\nThe document is damaged: the Movie crossover of the Front group is "
                       "1515870810 Hz, outside -1 to 96000 Hz.\n");
    run = Shell(Lab("doc_v22.qex") + " 2>&1");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Error, invalid file format.\nThe file is of version 22; documents of versions 1 to 21 can be read.\n");
    run = Shell(Lab("no_such_file.qex") + " 2>&1");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.rfind("Failed to open document.\nCannot open ", 0), 0u) << run.out;
}

#endif  // HALVANE_LAB
