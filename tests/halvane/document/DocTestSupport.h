#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "halvane/document/AppState.h"
#include "halvane/document/CHalvaneDoc.h"
#include "halvane/document/DocumentPostLoad.h"
#include "halvane/document/DocumentViews.h"
#include "halvane/signal/CCurve.h"
#include "platform/ScriptedUserPrompt.h"

// The fixtures (written by data/make_documents.py with Python's struct) and
// the fakes the document tests share.
namespace doctest {

using Bytes = std::vector<std::uint8_t>;

inline std::string DataPath(const std::string& name) { return std::string(HALVANE_DOC_TEST_DATA) + "/" + name; }

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("missing file " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline Bytes Fixture(const std::string& name) { return ReadBytes(DataPath(name)); }

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder under the system's temporary folder, removed at the end.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "halvane-doc-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    std::filesystem::path Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Records the post-load steps in order, with what the document held then.
class RecordingPostLoad : public halvane::document::DocumentPostLoad {
public:
    struct Call {
        std::string step;
        halvane::document::CHalvaneDoc* document;
        std::int32_t olderVersion;
        std::int32_t unitKind;
    };
    void RebuildGroupCurves(halvane::document::CHalvaneDoc& d) override { Record("RebuildGroupCurves", d); }
    void UpdateLevels(halvane::document::CHalvaneDoc& d) override { Record("UpdateLevels", d); }
    void RunRecalcTarg(halvane::document::CHalvaneDoc& d) override {
        Record("RunRecalcTarg", d);
        if (failRecalc) throw std::runtime_error("target job failed");
    }
    std::vector<std::string> Steps() const {
        std::vector<std::string> s;
        for (const Call& c : calls) s.push_back(c.step);
        return s;
    }
    std::vector<Call> calls;
    bool failRecalc = false;

private:
    void Record(const char* step, halvane::document::CHalvaneDoc& d) {
        calls.push_back({step, &d, d.m_bOlderVersion, d.m_nUnitKind});
    }
};

class CountingViews : public halvane::document::DocumentViews {
public:
    void RefreshViews() override { ++refreshes; }
    int refreshes = 0;
};

// A document with its own application state (started up, with a main
// window), scripted prompt and recorded post-load steps.
struct DocHarness {
    DocHarness() {
        app.m_bInitialized = 1;
        app.SetMainWindow(&views);
    }
    halvane::document::CHalvaneDoc::Services Services() { return {&app, &prompt, &postLoad}; }

    halvane::document::AppState app;
    CountingViews views;
    platform::ScriptedUserPrompt prompt;
    RecordingPostLoad postLoad;
    halvane::document::CHalvaneDoc doc{Services()};
};

// A flat curve of two points, 20 Hz and 20 kHz, at `level`.
inline std::unique_ptr<halvane::signal::CCurve> Curve(double level) {
    auto c = std::make_unique<halvane::signal::CCurve>(2, halvane::signal::CIndexVector::Frequency, halvane::signal::CComplexVector::Polar);
    c->X()[0] = 20;
    c->X()[1] = 20000;
    c->A()[0] = c->A()[1] = level;
    c->B()[0] = c->B()[1] = 0;
    return c;
}

}  // namespace doctest
