// The program's Qt-free rules: the output timing recalculation and its
// pixel-rate halves, the standard format table, the value entry checks, the
// choice lists, the curve generator, the editor's zoom window and its point
// edits.

#include "pellivar/CGammaList.h"
#include "pellivar/CPointMap.h"
#include "pellivar/CurveEditRules.h"
#include "pellivar/CurveGenerator.h"
#include "pellivar/OutputTiming.h"
#include "pellivar/SourcePageModel.h"
#include "pellivar/StandardOutputFormat.h"
#include "pellivar/ValueEntry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace pellivar {
namespace {

OutputTiming::Input inputOf(const StandardOutputFormat& f, bool pixelMode) {
    const auto& v = f.values;
    OutputTiming::Input in;
    in.activeH = v[0];
    in.totalH = v[1];
    in.hSyncStart = v[2];
    in.hSyncEnd = v[3];
    in.activeV = v[4];
    in.totalV = v[5];
    in.vSyncStart = v[6];
    in.vSyncEnd = v[7];
    in.pixelRate = v[11];
    in.refresh = 60;
    in.pixelMode = pixelMode;
    return in;
}

const StandardOutputFormat& format(const char* name) {
    for (const auto& f : kStandardOutputFormats)
        if (std::string(f.name) == name) return f;
    std::abort();
}

TEST(OutputTiming, StandardRowInPixelModeKeepsItsTimingAndFields) {
    const auto r = OutputTiming::Recalc(inputOf(format("1080p60"), true));
    EXPECT_EQ(r.pixelRate, 148500000);
    EXPECT_EQ(r.refresh, 60);
    EXPECT_EQ(r.f1Active, 1080);
    EXPECT_EQ(r.f1Blank, 45);
    EXPECT_EQ(r.offset, 0);
    ASSERT_TRUE(r.totalH && r.totalV);
    // 148500000 / 1125 / 23 = 5739.1; 148500000 / 2200 / 23 = 2934.8.
    EXPECT_EQ(*r.totalH, (OutputTiming::Range{2052, 5739}));
    EXPECT_EQ(*r.totalV, (OutputTiming::Range{1089, 2934}));
    EXPECT_EQ(r.activeH, (OutputTiming::Range{1, 2068}));
    EXPECT_EQ(r.hSyncStart, (OutputTiming::Range{1, 279}));
    EXPECT_EQ(r.hSyncEnd, (OutputTiming::Range{89, 280}));
}

TEST(OutputTiming, RefreshModeLimitsTheRefreshByThePixelClock) {
    auto in = inputOf(format("1080p60"), false);
    in.refresh = 60;
    auto r = OutputTiming::Recalc(in);
    ASSERT_TRUE(r.refreshRange);
    EXPECT_EQ(*r.refreshRange, (OutputTiming::Range{23, 66}));  // 165000000 / 2200 / 1125 = 66.67
    EXPECT_EQ(r.pixelRate, 148500000);
    in.refresh = 90;
    r = OutputTiming::Recalc(in);
    EXPECT_EQ(r.refresh, 66);
    EXPECT_EQ(r.pixelRate, 2200LL * 66 * 1125);
}

TEST(OutputTiming, PixelRateIsClampedAndZeroSizesDivideNothing) {
    auto in = inputOf(format("1080p60"), true);
    in.pixelRate = 200000000;
    EXPECT_EQ(OutputTiming::Recalc(in).pixelRate, 165000000);
    in.pixelRate = 1;
    EXPECT_EQ(OutputTiming::Recalc(in).pixelRate, 27000000);

    OutputTiming::Input zero;  // a file or a reply may hold zeros
    zero.pixelRate = 74250000;
    zero.refresh = 60;
    for (bool mode : {true, false}) {
        zero.pixelMode = mode;
        const auto r = OutputTiming::Recalc(zero);
        EXPECT_FALSE(r.totalH.has_value());
        EXPECT_FALSE(r.totalV.has_value());
        EXPECT_GE(r.activeH.maximum, r.activeH.minimum);
        EXPECT_GE(r.hSyncEnd.maximum, r.hSyncEnd.minimum);
    }
    // The defaults (5 x 5) would put the refresh minimum above its maximum.
    OutputTiming::Input tiny;
    tiny.totalH = tiny.totalV = 5;
    tiny.pixelMode = false;
    tiny.refresh = 60;
    const auto r = OutputTiming::Recalc(tiny);
    EXPECT_GE(r.refreshRange->maximum, r.refreshRange->minimum);
}

TEST(OutputTiming, PixelRateTravelsAsTwoHexHalves) {
    // 74250000 = 0x046cf710.
    EXPECT_EQ(OutputTiming::HighHalfCommand(74250000), "fUse046c");
    EXPECT_EQ(OutputTiming::LowHalfCommand(74250000), "fUsdf710");
    EXPECT_EQ(OutputTiming::LowHalfCommand(27000000), "fUsdfcc0");  // 0x019bfcc0
    std::int64_t p = 5000000;
    EXPECT_TRUE(OutputTiming::ApplyHalfReply("fUe046c", p));
    EXPECT_TRUE(OutputTiming::ApplyHalfReply("fUdf710", p));
    EXPECT_EQ(p, 74250000);
    EXPECT_TRUE(OutputTiming::ApplyHalfReply("fUe  46", p));  // "%4x" skips blanks
    EXPECT_EQ(p, 0x0046f710);
    EXPECT_FALSE(OutputTiming::ApplyHalfReply("fUe", p));
    EXPECT_FALSE(OutputTiming::ApplyHalfReply("fU1xyz", p));
    EXPECT_EQ(p, 0x0046f710);
}

// Every row's refresh (P / (H x V)) matches its name, the field blank is
// the vertical blank, and the sync positions lie in the blanking. VGA60's
// pixel clock (25174800) is below the 27 MHz the page allows, so it loads
// clamped up; every other row fits the limits.
TEST(StandardOutputFormat, TableIsSelfConsistent) {
    for (const auto& f : kStandardOutputFormats) {
        SCOPED_TRACE(f.name);
        const auto& v = f.values;
        const std::string name = f.name;
        const double refresh = static_cast<double>(v[11]) / (static_cast<double>(v[1]) * v[5]);
        const std::size_t at = name.find_first_of("p@A") == std::string::npos ? 0 : name.find_last_of("p@A") + 1;
        std::string digits = name.substr(at);
        if (name.rfind("VGA") != std::string::npos || name.find("XGA") != std::string::npos)
            digits = name.substr(name.find_first_of("0123456789"));
        const double named = std::atof(digits.c_str());
        EXPECT_NEAR(refresh, named, 0.6);
        EXPECT_EQ(v[8], v[5] - v[4]);
        EXPECT_EQ(v[9], v[4]);
        EXPECT_GE(v[2], 1);
        EXPECT_LE(v[2], v[1] - v[0] - 1);
        EXPECT_GT(v[3], v[2]);
        EXPECT_LE(v[3], v[1] - v[0]);
        EXPECT_GE(v[6], 1);
        EXPECT_LE(v[7], v[5] - v[4]);
        if (name != "VGA60") {
            EXPECT_GE(v[11], OutputTiming::kMinPixelRate);
            EXPECT_LE(v[11], OutputTiming::kMaxPixelRate);
        }
    }
    EXPECT_EQ(format("1080p60").Row()[2], 2200);
}

TEST(ValueEntry, IntegerOutOfRangeIsClampedWithTheRangeMessage) {
    auto s = ValueEntry::StoreInteger("150", 0, 100, 50);
    EXPECT_EQ(s.value, 100);
    EXPECT_TRUE(s.changed);
    EXPECT_EQ(s.message, "Range is [(0) - (100)].\nValue was 150.");
    s = ValueEntry::StoreInteger("-3", 1, 100, 50);
    EXPECT_EQ(s.value, 1);
    s = ValueEntry::StoreInteger(" 42 ", 0, 100, 50);
    EXPECT_EQ(s.value, 42);
    EXPECT_TRUE(s.valid);
    s = ValueEntry::StoreInteger("4x", 0, 100, 50);
    EXPECT_FALSE(s.changed);
    EXPECT_EQ(s.value, 50);
    EXPECT_TRUE(ValueEntry::IntegerAcceptable("100", 0, 100));
    EXPECT_FALSE(ValueEntry::IntegerAcceptable("101", 0, 100));
    EXPECT_FALSE(ValueEntry::IntegerAcceptable("", 0, 100));
}

TEST(ValueEntry, DecimalsAreWholeStepsOfTheDivisor) {
    auto s = ValueEntry::StoreDecimal("1.5", 25, 400, 100, 100);
    EXPECT_TRUE(s.valid);
    EXPECT_EQ(s.value, 150);
    // 1.15 x 100 is 114.99999999999999 in floating point.
    for (const char* t : {"1.15", "0.29", "2.01"}) EXPECT_TRUE(ValueEntry::DecimalAcceptable(t, 25, 400, 100)) << t;
    EXPECT_EQ(ValueEntry::StoreDecimal("1.15", 25, 400, 100, 100).value, 115);
    s = ValueEntry::StoreDecimal("0.2", 25, 400, 100, 100);
    EXPECT_EQ(s.value, 25);
    EXPECT_EQ(s.message, "Range is [(0.250000) - (4.000000)].\nValue was 0.200000.");
    s = ValueEntry::StoreDecimal("1.555", 25, 400, 100, 100);  // a fraction of a step: the value stays
    EXPECT_EQ(s.value, 100);
    EXPECT_FALSE(s.message.empty());
    EXPECT_EQ(ValueEntry::FormatDivided(150, 100), "1.50");
    EXPECT_EQ(ValueEntry::FormatDivided(-7, 1), "-7");
}

TEST(SourcePageModel, ChoiceListsAndTables) {
    const auto gamma = ParseChoices("3;0;1;2;", "Gamma Disabled;Gamma Exponential;Gamma Custom1;Gamma Custom2;");
    ASSERT_EQ(gamma.size(), 4u);
    EXPECT_EQ(gamma[0].value, 3);
    EXPECT_EQ(gamma[3].label, "Gamma Custom2");
    EXPECT_EQ(gamma[3].value, 2);
    const auto excluded = ParseChoices("0;1;2;", "a;b;c;", "1;");
    ASSERT_EQ(excluded.size(), 2u);
    EXPECT_EQ(excluded[1].label, "c");
    EXPECT_EQ(ParseChoices("0;1", "a;b;").size(), 1u);  // stops at the list without a further ";"

    int total = 0;
    for (SourcePage p : {SourcePage::Scaling, SourcePage::Input, SourcePage::Picture, SourcePage::Output}) {
        for (const auto& c : SourcePageSpecOf(p).controls) {
            ++total;
            if (c.kind == SourceControlSpec::Kind::Choice) continue;
            const auto& info = Info(c.setting);
            EXPECT_GE(c.minimum, info.minimum) << info.xmlKey;
            EXPECT_LE(c.maximum, info.maximum) << info.xmlKey;
        }
    }
    EXPECT_EQ(total, 36);  // every setting of a source has its control
}

TEST(CurveGenerator, NeutralParametersGiveTheDefaultLine) {
    EXPECT_EQ(GenerateCurve({}), CGammaList::DefaultCurve());
    CurveGeneratorParams off;
    off.linearActive = off.concavityActive = off.inflectionActive = false;
    off.concavity = 100;
    EXPECT_EQ(GenerateCurve(off), CGammaList::DefaultCurve());
}

TEST(CurveGenerator, BentCurvesStayOnTheGridAndInOrder) {
    CurveGeneratorParams p;
    p.concavity = 100;
    auto points = GenerateCurve(p);
    ASSERT_EQ(points.size(), 17u);
    // x = 512/1023: 0.5005 - 0.7071 * 0.5005 * 0.4995 = 0.3237 -> 331.
    EXPECT_EQ(points[8].x, 331);
    p = {};
    p.inflection = -100;
    p.position = 40;
    p.minimum = 10;
    p.maximum = 90;
    points = GenerateCurve(p);
    EXPECT_EQ(points.front().y, static_cast<int>(0.1 * 1023));
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_TRUE(points[i].InRange());
        if (i > 0) {
            EXPECT_GE(points[i].x, points[i - 1].x);
        }
    }
}

TEST(CPointMap, ZoomOutUndoesZoomInAndTheWindowStaysInRange) {
    CPointMap map;
    map.SetFullRange(0, 1023, 0, 1023);
    map.SetClient(0, 0, 400, 300);
    ASSERT_TRUE(map.ZoomIn());
    EXPECT_NEAR(map.XMin(), 102.3, 1e-9);
    EXPECT_NEAR(map.XMax(), 920.7, 1e-9);
    map.ZoomOut();
    EXPECT_NEAR(map.XMin(), 0, 1e-9);
    EXPECT_NEAR(map.XMax(), 1023, 1e-9);
    map.ZoomOut();  // larger than the range: the range
    EXPECT_TRUE(map.IsFullView());

    int steps = 0;
    while (map.ZoomIn()) ++steps;
    EXPECT_GT(steps, 5);
    EXPECT_GE(map.XMax() - map.XMin(), 1023 / 16.0 - 1e-9);
    map.Pan(-5000, 5000);
    EXPECT_DOUBLE_EQ(map.XMin(), 0);
    EXPECT_DOUBLE_EQ(map.YMax(), 1023);
    EXPECT_GE(map.XMax() - map.XMin(), 1023 / 16.0 - 1e-9);
}

TEST(CurveEditRules, AddingNeedsRoomBesideTheNearestPoint) {
    CGammaList list;  // points every 64
    int inserted = -1;
    // Right of (128,128): a point between 128 and 192.
    EXPECT_EQ(CurveEditRules::AddNear(list, 140, 140, 100, inserted), CurveEditRules::Edit::Done);
    EXPECT_EQ(inserted, 3);
    EXPECT_EQ(list.GetAt(3)->x, 160);
    // 128 and 160 are 32 apart: more than 3 spacings of 8 (24), so one more
    // fits; 144 and 160 (16 apart) leave no room.
    EXPECT_EQ(CurveEditRules::AddNear(list, 130, 130, 10, inserted), CurveEditRules::Edit::Done);
    EXPECT_EQ(list.GetAt(3)->x, 144);
    EXPECT_EQ(CurveEditRules::AddNear(list, 146, 146, 3, inserted), CurveEditRules::Edit::NoRoom);
    // Right of the last point there is no neighbour.
    EXPECT_EQ(CurveEditRules::AddNear(list, 1023.5, 1023, 10, inserted), CurveEditRules::Edit::NoRoom);
    EXPECT_EQ(CurveEditRules::AddNear(list, 500, 100, 10, inserted), CurveEditRules::Edit::NoPoint);
    while (list.GetCount() < list.MaxPoints()) list.InsertAfter(0, 1, 1);
    EXPECT_EQ(CurveEditRules::AddNear(list, 300, 300, 100, inserted), CurveEditRules::Edit::Full);
    EXPECT_EQ(CurveEditRules::RefusalText(CurveEditRules::Edit::Full, list), "Can't add more than 30 points");
}

TEST(CurveEditRules, DeletingKeepsEndsAndTheMinimum) {
    CGammaList list;
    EXPECT_EQ(CurveEditRules::DeleteNear(list, 0, 10), CurveEditRules::Edit::Endpoint);
    EXPECT_EQ(CurveEditRules::DeleteNear(list, 1020, 1020), CurveEditRules::Edit::Endpoint);
    EXPECT_EQ(CurveEditRules::DeleteNear(list, 70, 60), CurveEditRules::Edit::Done);
    EXPECT_EQ(list.GetCount(), 16);
    list.SetPoints({{0, 0}, {100, 100}, {200, 200}, {300, 300}, {1023, 1023}});
    EXPECT_EQ(CurveEditRules::DeleteNear(list, 100, 100), CurveEditRules::Edit::AtMinimum);
    EXPECT_EQ(CurveEditRules::RefusalText(CurveEditRules::Edit::AtMinimum, list), "Must have at least 5 points");
    EXPECT_EQ(CurveEditRules::RefusalText(CurveEditRules::Edit::Endpoint, list), "Can't delete an endpoint");
}

TEST(CurveEditRules, DraggingKeepsOrderAndTheVisibleRange) {
    CGammaList list;
    CurveEditRules::DragTo(list, 2, 500, 2000, true, 0, 1023);
    EXPECT_EQ(list.GetAt(2)->x, 192 - 8);  // a spacing short of the next point
    EXPECT_EQ(list.GetAt(2)->y, 1023);
    CurveEditRules::DragTo(list, 2, 0, -40, true, 100, 900);
    EXPECT_EQ(list.GetAt(2)->x, 64 + 8);
    EXPECT_EQ(list.GetAt(2)->y, 100);
    CurveEditRules::DragTo(list, 2, 150, 300, false, 0, 1023);  // not sideways: x stays
    EXPECT_EQ(list.GetAt(2)->x, 72);
    CurveEditRules::DragTo(list, 0, 300, 300, true, 0, 1023);  // the first point keeps its x
    EXPECT_EQ(list.GetAt(0)->x, 0);
    EXPECT_EQ(list.GetAt(0)->y, 300);
}

}  // namespace
}  // namespace pellivar
