#include "DocCommand.h"

#include <cmath>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "halvane/document/DocumentArchive.h"
#include "halvane/document/DocumentData.h"
#include "platform/ArchiveException.h"
#include "platform/ArchiveReader.h"
#include "platform/DocumentFile.h"

using namespace halvane::design;
using namespace halvane::signal;

namespace {

using halvane::document::DocumentData;

// A small JSON writer: just what the dump needs, numbers locale-free.
class Json {
public:
    std::string text;

    void Key(const char* name) {
        Separate();
        String(name);
        text += ':';
        afterKey_ = true;
    }
    void Open(char c) {
        Separate();
        text += c;
        first_ = true;
    }
    void Close(char c) {
        text += c;
        first_ = false;
    }
    void Int(long long v) {
        Separate();
        text += std::to_string(v);
    }
    // Not-a-number and infinities have no JSON form: null.
    void Double(double v) {
        Separate();
        if (!std::isfinite(v)) {
            text += "null";
            return;
        }
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.17g", v);
        text += buffer;
    }
    void Str(const std::string& s) {
        Separate();
        String(s.c_str(), s.size());
    }

private:
    void Separate() {
        if (afterKey_) {
            afterKey_ = false;
            first_ = false;
            return;
        }
        if (!first_) text += ',';
        first_ = false;
    }
    void String(const char* s) { String(s, std::char_traits<char>::length(s)); }
    void String(const char* s, std::size_t n) {
        text += '"';
        for (std::size_t i = 0; i < n; ++i) {
            const auto c = static_cast<unsigned char>(s[i]);
            if (c == '"' || c == '\\') {
                text += '\\';
                text += static_cast<char>(c);
            } else if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                text += buffer;
            } else {
                text += static_cast<char>(c);
            }
        }
        text += '"';
    }

    bool first_ = true;
    bool afterKey_ = false;
};

template <std::size_t N>
void IntArray(Json& j, const char* key, const std::array<std::int32_t, N>& values) {
    j.Key(key);
    j.Open('[');
    for (std::int32_t v : values) j.Int(v);
    j.Close(']');
}

void Curves(Json& j, const CCurveSet& set) {
    j.Open('[');
    for (int i = 0; i < set.Count(); ++i) {
        const CCurve& c = *set.GetAt(i);
        j.Open('{');
        j.Key("channel");
        j.Int(set.KeyAt(i));
        j.Key("points");
        j.Int(c.Count());
        j.Key("name");
        j.Str(c.Name());
        j.Key("axisKind");
        j.Int(c.AxisKind());
        j.Key("form");
        j.Int(c.Form());
        if (c.Count() > 0) {
            j.Key("firstHz");
            j.Double(c.X()[0]);
            j.Key("lastHz");
            j.Double(c.X()[c.Count() - 1]);
        }
        j.Close('}');
    }
    j.Close(']');
}

void Target(Json& j, const TargetConfig& t) {
    j.Open('{');
    j.Key("configOption");
    j.Int(t.ConfigOption);
    j.Key("musicUsesMovie");
    j.Int(t.MusicUsesMovie);
    j.Key("crossover");
    j.Open('[');
    for (const auto& cfg : t.Crossover) {
        j.Open('[');
        for (std::int32_t v : cfg) j.Int(v);
        j.Close(']');
    }
    j.Close(']');
    j.Key("groupFlag");
    j.Open('[');
    for (const auto& cfg : t.GroupFlag) {
        j.Open('[');
        for (std::int32_t v : cfg) j.Int(v);
        j.Close(']');
    }
    j.Close(']');
    j.Key("roomGainDb");
    j.Open('[');
    for (double v : t.RoomGainDb) j.Double(v);
    j.Close(']');
    IntArray(j, "maxEqFrequency", t.MaxEqFrequency);
    IntArray(j, "minSubEqFrequency", t.MinSubEqFrequency);
    IntArray(j, "subHighPassFrequency", t.SubHighPassFrequency);
    IntArray(j, "subHighPassOrder", t.SubHighPassOrder);
    j.Key("extraOption");
    j.Int(t.ExtraOption);
    j.Key("refLevel");
    j.Int(t.RefLevel);
    j.Key("refLevelOffsetDb");
    j.Double(t.RefLevelOffsetDb);
    IntArray(j, "channelTrim", t.ChannelTrim);
    j.Key("musicSubTrim");
    j.Int(t.MusicSubTrim);
    j.Close('}');
}

std::string Dump(const std::string& path, std::int32_t version, const DocumentData& d) {
    const halvane::document::FilterLayout layout = halvane::document::FilterLayoutFor(d.m_nUnitKind);
    Json j;
    j.Open('{');
    j.Key("file");
    j.Str(path);
    j.Key("version");
    j.Int(version);
    j.Key("unitKind");
    j.Int(d.m_nUnitKind);
    j.Key("rateSlots");
    j.Int(layout.rateSlots);
    j.Key("stagesPerSet");
    j.Int(layout.stages);
    j.Key("calibrationIds");
    j.Open('[');
    j.Int(d.m_CalibrationIds.First);
    j.Int(d.m_CalibrationIds.Second);
    j.Close(']');
    j.Key("calibrationSize");
    j.Int(d.m_nCalibrationSize);
    j.Key("olderVersion");
    j.Int(d.m_bOlderVersion);
    j.Key("correctionKind");
    j.Int(d.m_nCorrectionKind);

    j.Key("curveSets");
    j.Open('{');
    static const char* const kSlotNames[] = {"0", "1", "2", "3", "4", "5"};
    for (int slot = 0; slot < 6; ++slot) {
        j.Key(kSlotNames[slot]);
        Curves(j, *d.CurveSetSlot(slot));
    }
    j.Close('}');
    j.Key("measurementSets");
    j.Open('{');
    for (int slot : {DocumentData::MeasSetMovie, DocumentData::MeasSetMusic}) {
        j.Key(slot == DocumentData::MeasSetMovie ? "6" : "7");
        const CMeasSet& set = *d.MeasSetSlot(slot);
        j.Open('[');
        for (int p = 0; p < set.Count(); ++p) Curves(j, *set.Position(p));
        j.Close(']');
    }
    j.Close('}');

    j.Key("filterSets");
    j.Open('[');
    for (int cfg = 0; cfg < DocumentData::kConfigurations; ++cfg) {
        for (int slot = 0; slot < layout.rateSlots; ++slot) {
            for (int ch = 0; ch < DocumentData::kChannels; ++ch) {
                const halvane::document::FilterSet& set = d.FilterSets[cfg][slot][ch];
                j.Open('{');
                j.Key("configuration");
                j.Int(cfg);
                j.Key("rateSlot");
                j.Int(slot);
                j.Key("channel");
                j.Int(ch);
                j.Key("gain");
                j.Int(set.Gain);
                j.Key("filled");
                j.Int(set.Filled);
                j.Key("stages");
                j.Open('[');
                for (int k = 0; k < layout.stages; ++k) {
                    const halvane::design::Biquad& s = set.Stages[k];
                    j.Open('[');
                    for (double v : {s.b2_2, s.b1_2, s.b0_2, s.a2_2, s.a1_2}) j.Double(v);
                    j.Int(s.flag);
                    j.Int(s.inUse);
                    j.Close(']');
                }
                j.Close(']');
                j.Close('}');
            }
        }
    }
    j.Close(']');
    j.Key("targetConfig");
    Target(j, d.m_TargetConfig);
    j.Close('}');
    j.text += '\n';
    return j.text;
}

int Fail(const char* headline, const std::string& reason) {
    std::fprintf(stderr, "%s\n%s\n", headline, reason.c_str());
    return 1;
}

}  // namespace

int DocCommand(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!platform::DocumentFile::Read(path, bytes, error)) return Fail("Failed to open document.", error);
    DocumentData data;
    std::int32_t version = 0;
    try {
        platform::ArchiveReader ar(bytes);
        version = halvane::document::DocumentArchive::Read(ar, data);
    } catch (const halvane::document::DocumentArchive::VersionError& e) {
        return Fail("Error, invalid file format.", e.what());
    } catch (const platform::ArchiveException& e) {
        return Fail("Failed to open document.", e.what());
    } catch (const std::bad_alloc&) {
        return Fail("Failed to open document.", "There is not enough memory to read it.");
    }
    const std::string json = Dump(path, version, data);
    std::fwrite(json.data(), 1, json.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
