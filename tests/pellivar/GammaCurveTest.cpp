// Gamma curves on their own: the point list, its document element and
// stored form, and the drawn spline against scipy.

#include "pellivar/CGammaList.h"
#include "pellivar/GammaSpline.h"
#include "platform/ArchiveException.h"
#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace pellivar {
namespace {

std::vector<CGammaPoint> pts(std::initializer_list<std::pair<int, int>> list) {
    std::vector<CGammaPoint> out;
    for (auto [x, y] : list) out.push_back({x, y});
    return out;
}

CGammaList listOf(const std::vector<CGammaPoint>& points) {
    CGammaList l;
    l.SetPoints(points);
    return l;
}

TEST(CGammaPoint, HexFormIsThreeLowerCaseDigitsEach) {
    EXPECT_EQ((CGammaPoint{0, 0}).ToHex(), "000000");
    EXPECT_EQ((CGammaPoint{1023, 1023}).ToHex(), "3ff3ff");
    EXPECT_EQ((CGammaPoint{15, 16}).ToHex(), "00f010");
    EXPECT_EQ((CGammaPoint{255, 256}).ToHex(), "0ff100");
    EXPECT_EQ((CGammaPoint{4095, 4096}).ToHex(), "fff");
    EXPECT_EQ((CGammaPoint{-1, 10}).ToHex(), "00a");
}

TEST(CGammaList, StartsAsTheSeventeenPointStraightLine) {
    const CGammaList l;
    ASSERT_EQ(l.GetCount(), 17);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(*l.GetAt(i), (CGammaPoint{64 * i, 64 * i}));
    EXPECT_EQ(*l.GetAt(16), (CGammaPoint{1023, 1023}));
    EXPECT_TRUE(l.IsValid());
    EXPECT_EQ(l.GetActiveIndex(), -1);
    EXPECT_EQ(l.MinPoints(), 5);
    EXPECT_EQ(l.MaxPoints(), 30);
}

TEST(CGammaList, EditingOperationsKeepIndicesAndTheActivePointStraight) {
    CGammaList l = listOf(pts({{0, 0}, {100, 100}, {200, 200}, {300, 300}, {1023, 1023}}));
    CGammaPoint* p200 = l.GetAt(2);
    EXPECT_EQ(l.SetActive(p200), nullptr);
    EXPECT_EQ(l.GetActiveIndex(), 2);

    ASSERT_NE(l.InsertBefore(2, 150, 150), nullptr);
    ASSERT_NE(l.InsertAfter(5, 1023, 0), nullptr);  // after the last point
    EXPECT_EQ(l.InsertAfter(7, 1, 1), nullptr);     // no point 7
    EXPECT_EQ(l.InsertBefore(-1, 1, 1), nullptr);
    EXPECT_EQ(l.GetCount(), 7);
    EXPECT_EQ(l.GetActiveIndex(), 3);  // the same point, moved along
    EXPECT_EQ(l.IndexOf(p200), 3);
    EXPECT_EQ(l.GetAt(7), nullptr);
    EXPECT_EQ(l.GetAt(-1), nullptr);

    // A copy has its own points, with the active point at the same index.
    CGammaList copy(l);
    EXPECT_EQ(copy.GetActiveIndex(), 3);
    EXPECT_NE(copy.GetActive(), l.GetActive());
    copy.GetActive()->y = 7;
    EXPECT_EQ(p200->y, 200);

    EXPECT_TRUE(l.RemoveAt(3));
    EXPECT_EQ(l.GetActiveIndex(), -1);
    EXPECT_FALSE(l.RemoveAt(6));
    l.TruncateAt(l.GetAt(3));
    EXPECT_EQ(l.Points(), pts({{0, 0}, {100, 100}, {150, 150}}));

    // A full list takes no further point.
    CGammaList full;
    while (full.GetCount() < 30) ASSERT_NE(full.InsertAfter(0, 1, 1), nullptr);
    EXPECT_EQ(full.InsertAfter(0, 1, 1), nullptr);
    EXPECT_EQ(full.InsertBefore(0, 1, 1), nullptr);
}

TEST(CGammaList, FindNearestTakesTheLaterPointOnATie) {
    CGammaList l = listOf(pts({{0, 0}, {100, 0}, {200, 0}, {300, 0}, {1023, 1023}}));
    EXPECT_EQ(l.FindNearest(150, 0, 50), l.GetAt(2));
    EXPECT_EQ(l.FindNearest(140, 0, 50), l.GetAt(1));
    EXPECT_EQ(l.FindNearest(150, 0, 49.9), nullptr);
    EXPECT_EQ(l.FindNearest(100, 30, 30), l.GetAt(1));  // exactly the distance
    EXPECT_EQ(l.FindNearest(600, 600, 10), nullptr);
}

// <GammaCurve Count Version> with <Point X Y/> children.
bool fromXml(CGammaList& l, const char* xml) {
    tinyxml2::XMLDocument doc;
    EXPECT_EQ(doc.Parse(xml), tinyxml2::XML_SUCCESS) << xml;
    return l.FromXml(*doc.RootElement());
}

TEST(CGammaList, DocumentElementRoundTripAndItsReadingRules) {
    CGammaList l = listOf(pts({{0, 0}, {1, 2}, {500, 400}, {1000, 1000}, {1023, 1023}}));
    tinyxml2::XMLDocument doc;
    doc.InsertEndChild(l.ToXml(doc));
    tinyxml2::XMLPrinter printer(nullptr, true);
    doc.Print(&printer);
    EXPECT_STREQ(printer.CStr(),
                 "<GammaCurve Count=\"5\" Version=\"1001\"><Point X=\"0\" Y=\"0\"/><Point X=\"1\" Y=\"2\"/>"
                 "<Point X=\"500\" Y=\"400\"/><Point X=\"1000\" Y=\"1000\"/><Point X=\"1023\" Y=\"1023\"/></GammaCurve>");
    CGammaList back;
    EXPECT_TRUE(back.FromXml(*doc.RootElement()));
    EXPECT_EQ(back, l);

    // Children of any name, Count of them; missing coordinates read as 0;
    // numbers read as atoi does.
    CGammaList r;
    EXPECT_TRUE(fromXml(r, "<GammaCurve Count='3' Version='1001'><P X='5'/><Point Y='7x'/><Q X='9' Y='9'/>"
                           "<Point X='1' Y='1'/></GammaCurve>"));
    EXPECT_EQ(r.Points(), pts({{5, 0}, {0, 7}, {9, 9}}));

    // No Count: fails, empty. Too few children: fails, keeps those read.
    EXPECT_FALSE(fromXml(r, "<GammaCurve Version='1001'><Point X='1' Y='1'/></GammaCurve>"));
    EXPECT_EQ(r.GetCount(), 0);
    EXPECT_FALSE(fromXml(r, "<GammaCurve Count='3' Version='1001'><Point X='1' Y='1'/></GammaCurve>"));
    EXPECT_EQ(r.Points(), pts({{1, 1}}));
    // A huge count is not a reason to read past the last possible point.
    std::string many = "<GammaCurve Count='2000000000' Version='1001'>";
    for (int i = 0; i < 40; ++i) many += "<Point X='1' Y='1'/>";
    EXPECT_FALSE(fromXml(r, (many + "</GammaCurve>").c_str()));
    EXPECT_LE(r.GetCount(), 30);
}

// Version 1000 (or none) kept coordinates on a 0-1000 grid: x * 1023 / 1000
// truncated, in exact integers (1000 must give 1023; 1000 * 1.023 in double
// truncates to 1022).
TEST(CGammaList, VersionThousandScalesExactly) {
    CGammaList l;
    EXPECT_TRUE(fromXml(l, "<GammaCurve Count='4' Version='1000'><Point X='1000' Y='1000'/><Point X='500' Y='1'/>"
                           "<Point X='999' Y='0'/><Point X='-1000' Y='2147483647'/></GammaCurve>"));
    EXPECT_EQ(l.Points(), pts({{1023, 1023}, {511, 1}, {1021, 0}, {-1023, 2147483647}}));
    EXPECT_FALSE(l.IsValid());
    EXPECT_TRUE(fromXml(l, "<GammaCurve Count='1'><Point X='1000' Y='250'/></GammaCurve>"));
    EXPECT_EQ(l.Points(), pts({{1023, 255}}));
    // Any other version is read as it stands.
    EXPECT_TRUE(fromXml(l, "<GammaCurve Count='1' Version='7'><Point X='1000' Y='250'/></GammaCurve>"));
    EXPECT_EQ(l.Points(), pts({{1000, 250}}));
}

TEST(CGammaList, StoredFormRoundTripAndDamagedStreams) {
    const CGammaList l = listOf(pts({{0, 3}, {10, 20}, {300, 200}, {700, 1000}, {1023, 1}}));
    platform::ArchiveWriter w;
    l.Store(w);
    ASSERT_EQ(w.size(), 4u + 5u * 8u);
    EXPECT_EQ(w.bytes()[0], 5);
    EXPECT_EQ(w.bytes()[4 + 8 * 2], 0x2C);  // 300 = 0x12C, little-endian
    EXPECT_EQ(w.bytes()[4 + 8 * 2 + 1], 0x01);
    CGammaList back = listOf(pts({{1, 1}}));
    platform::ArchiveReader r(w.bytes());
    back.Load(r);
    EXPECT_EQ(back, l);
    EXPECT_TRUE(r.atEnd());

    auto rejects = [](std::vector<std::uint8_t> bytes) {
        CGammaList target;
        platform::ArchiveReader in(bytes);
        EXPECT_THROW(target.Load(in), platform::ArchiveException);
        EXPECT_EQ(target, CGammaList());  // untouched
    };
    std::vector<std::uint8_t> bytes = w.bytes();
    rejects({bytes.begin(), bytes.end() - 1});                // short
    rejects({0xFF, 0xFF, 0xFF, 0x7F});                       // a count of 2^31-1 and no points
    auto bad = bytes;
    bad[0] = 4;  // fewer than 5 points
    rejects(bad);
    bad = bytes;
    bad[4 + 8 * 3 + 4 + 1] = 0x04;  // y of point 3 becomes 0x4E8 = 1256
    rejects(bad);
}

// The reference file holds, per curve, the points and scipy's natural cubic
// spline at every integer x (see data/make_spline_reference.py for the
// command and the curves).
struct Reference {
    std::string name;
    std::vector<CGammaPoint> points;
    std::vector<std::pair<int, double>> values;
};

std::vector<Reference> readReference() {
    std::ifstream in(std::string(PELLIVAR_TEST_DATA) + "/spline_reference.txt");
    std::vector<Reference> out;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream s(line);
        if (line.rfind("curve ", 0) == 0) {
            std::string word;
            int n = 0;
            Reference r;
            s >> word >> r.name >> n;
            for (int i = 0; i < n; ++i) {
                CGammaPoint p;
                s >> p.x >> p.y;
                r.points.push_back(p);
            }
            out.push_back(r);
        } else if (!out.empty()) {
            int x = 0;
            double y = 0;
            s >> x >> y;
            out.back().values.push_back({x, y});
        }
    }
    return out;
}

TEST(GammaSpline, MatchesScipyNaturalCubicSpline) {
    const auto refs = readReference();
    ASSERT_EQ(refs.size(), 6u);
    for (const Reference& ref : refs) {
        SCOPED_TRACE(ref.name);
        const GammaSpline spline(ref.points);
        const auto samples = spline.Samples();
        ASSERT_EQ(samples.size(), ref.values.size());
        for (std::size_t i = 0; i < samples.size(); ++i) {
            EXPECT_EQ(samples[i].x, ref.values[i].first);
            // Both solve the same tridiagonal system in double precision.
            EXPECT_NEAR(samples[i].y, ref.values[i].second, 1e-9 * (1 + std::fabs(ref.values[i].second)))
                << "x=" << samples[i].x;
            EXPECT_TRUE(std::isfinite(samples[i].y));
        }
    }
}

TEST(GammaSpline, DegenerateKnotsDrawNothingOrSkipTheirInterval) {
    EXPECT_TRUE(GammaSpline(pts({})).Samples().empty());
    EXPECT_TRUE(GammaSpline(pts({{5, 5}})).Samples().empty());
    EXPECT_TRUE(GammaSpline(pts({{5, 5}, {5, 9}, {5, 1}})).Samples().empty());
    EXPECT_TRUE(GammaSpline(pts({{0, 0}, {2000000000, 5}})).Samples().empty());  // off the grid
    std::vector<CGammaPoint> many(31);
    for (int i = 0; i < 31; ++i) many[static_cast<std::size_t>(i)] = {i * 30, i * 30};
    EXPECT_TRUE(GammaSpline(many).Samples().empty());
    const auto two = GammaSpline(pts({{100, 0}, {100, 50}, {103, 30}})).Samples();
    ASSERT_EQ(two.size(), 4u);
    EXPECT_DOUBLE_EQ(two[0].y, 0);
    EXPECT_DOUBLE_EQ(two[1].y, 10);
    EXPECT_DOUBLE_EQ(two[3].y, 30);
}

TEST(CGammaList, ComputeCurveMapsTheSplineIntoTheClientRectangle) {
    // 0-1023 on both axes onto a 1024 x 1024 client area: y is inverted.
    const CBasicPointMap map(0, 1023, 0, 1023, 0, 0, 1023, 1023);
    const CGammaList straight;
    const auto curve = straight.ComputeCurve(map);
    ASSERT_EQ(curve.size(), 1024u);
    for (int x = 0; x <= 1023; ++x) {
        EXPECT_EQ(curve[static_cast<std::size_t>(x)].x, x);
        EXPECT_EQ(curve[static_cast<std::size_t>(x)].y, 1023 - x);
    }
    // A zoomed window leaves out what lies outside it.
    const CBasicPointMap zoom(100, 199, 100, 199, 0, 0, 99, 99);
    EXPECT_EQ(straight.ComputeCurve(zoom).size(), 100u);
    EXPECT_EQ(straight.MapPoints(zoom), (std::vector<ClientPoint>{{28, 71}, {92, 7}}));  // (128,128), (192,192)
    // Half up: 0.5 rounds up.
    const CBasicPointMap half(0, 2, 0, 2, 0, 0, 1, 1);
    EXPECT_EQ(half.ToClient(1, 1), (ClientPoint{1, 1}));  // 0.5 -> 1 in x, 1 - 0.5 = 0.5 -> 1 in y
    double x = 0, y = 0;
    zoom.ToValue({28, 71}, x, y);
    EXPECT_DOUBLE_EQ(x, 128);
    EXPECT_DOUBLE_EQ(y, 128);
}

}  // namespace
}  // namespace pellivar
