#pragma once

#include "sim/Dialect.h"

#include <array>
#include <map>
#include <string>
#include <vector>

namespace sim {

// The processor as Pellivar sees it: 8N1 at one of eight speeds; commands
// end at ";" or "\n" (empty commands and NULs are ignored); "SSB<d>" changes
// the speed as soon as its digit arrives, with no terminator. It keeps the
// video settings of 17 sources, the custom output timing, four gamma curves,
// power and the selected source, and answers queries with one line each.
class PellivarDialect final : public Dialect {
public:
    static constexpr int kSources = 17;
    static constexpr int kSettings = 36;
    static constexpr int kCurves = 4;
    static constexpr int kCurveSlots = 30;

    struct Knobs {
        bool echoQueries = false;   // repeat each query line before answering it
        bool ackSets = false;       // answer each set with the new value's reply line
        bool ackSource = false;     // answer "P1S<c>" with the same line
        bool silentWhileOff = false;  // while off, answer nothing but "P1P1"
        std::string refuseSetsOf;     // a setting's prefix ("fe") whose sets change nothing
        // The next set of this prefix loses its channel character on the
        // line: "fes091" is heard as "fes91" (AUX set to 1).
        std::string loseChannelOfNextSet;
    };

    explicit PellivarDialect(std::string model = "Tolvarine Z6 v1.31", int baud = 19200);

    platform::LineSettings expectedLine() const override { return platform::LineSettings::eightN1(baud_); }
    void onBytes(std::string_view bytes, Responder& out) override;
    void onWrongLine(std::string_view bytes, Responder& out) override;
    // [state] power, source and pixel rate; [settings] each setting's prefix
    // and its value for sources 0-16; [resolution] channel (99: custom) and
    // value; [gamma] curve, point count and the points as x,y.
    std::string memoryText() const override;

    // Test access (through Simulator::withDialect).
    Knobs& knobs() { return knobs_; }
    void setModel(std::string text) { model_ = std::move(text); }
    int baud() const { return baud_; }
    void setBaud(int baud) { baud_ = baud; }
    bool power() const { return power_; }
    void setPower(bool on) { power_ = on; }
    int source() const { return source_; }

    // -1 for an unknown prefix or source.
    int value(const std::string& prefix, int source) const;
    bool setValue(const std::string& prefix, int source, int v);
    int resolution(int channel) const;
    void setResolution(int channel, int v) { resolution_[channel] = v; }
    unsigned pixelRate() const { return pixelRate_; }
    void setPixelRate(unsigned rate) { pixelRate_ = rate; }
    struct Point {
        int x = 0, y = 0;
    };
    int curveCount(int curve) const { return curveCounts_[static_cast<std::size_t>(curve)]; }
    Point curvePoint(int curve, int index) const {
        return curves_[static_cast<std::size_t>(curve)][static_cast<std::size_t>(index)];
    }
    void setCurve(int curve, const std::vector<Point>& points);

    // Every byte accepted at the right line settings, terminators included
    // (the newest megabyte of them: a long run keeps no more).
    const std::string& raw() const { return raw_; }
    void clearRaw() { raw_.clear(); }
    // Commands the processor could not make sense of, with the reason (the
    // newest thousand).
    const std::vector<std::string>& anomalies() const { return anomalies_; }

    // The processor's settings table: prefix, default (XML order).
    static int settingIndex(const std::string& prefix);
    static int defaultOf(int setting);
    // Channel characters: '0'-'9' -> 0-9, 'd'-'j' -> 10-16 (sources).
    static int sourceOf(char c);
    static char charOf(int channel);

private:
    void onCommand(const std::string& command, Responder& out);
    void onSetting(const std::string& command, Responder& out);
    void onResolution(const std::string& command, Responder& out);
    void onGamma(const std::string& command, Responder& out);
    void anomaly(const std::string& command, const char* why);

    std::string model_;
    int baud_;
    Knobs knobs_;
    bool power_ = true;
    int source_ = 5;
    std::array<std::array<int, kSettings>, kSources> values_{};
    std::map<int, int> resolution_;
    unsigned pixelRate_ = 5000000;
    std::array<std::array<Point, kCurveSlots>, kCurves> curves_{};
    std::array<int, kCurves> curveCounts_{};
    std::string pending_;
    std::string raw_;
    std::vector<std::string> anomalies_;
};

}  // namespace sim
