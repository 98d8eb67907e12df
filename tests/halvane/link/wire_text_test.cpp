// Numbers on the wire: the formats the command sets use, written and read
// as printf/scanf would in the C locale.

#include "halvane/link/WireText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

using namespace halvane::link::Comm;

using namespace halvane::link::Comm;

TEST(WireText, FormatsAsPrintfDoesInTheCLocale) {
    EXPECT_EQ(FormatDouble("%0.2lf", 1.5), "1.50");
    EXPECT_EQ(FormatDouble("%0.2lf", -0.0), "-0.00");
    EXPECT_EQ(FormatDouble("%0.2lf", 2.675), "2.67");  // 2.67499999... in binary
    EXPECT_EQ(FormatDouble("%.1lf", -95.5), "-95.5");
    EXPECT_EQ(FormatDouble("SLL%0.2lf\n", -3.25), "SLL-3.25\n");
    EXPECT_EQ(FormatDouble("%08.2f", -1.5), "-0001.50");
    EXPECT_EQ(FormatInt("%d", 80), "80");
    EXPECT_EQ(FormatInt("%d", -7), "-7");
    EXPECT_EQ(FormatInt("%06X", 0x1A), "00001A");
    EXPECT_EQ(FormatInt("%06X", 0xFCD6E), "0FCD6E");
    EXPECT_EQ(FormatInt("dq3850001%06X", 0x2A), "dq385000100002A");
    EXPECT_EQ(FormatInt("%06X", -6), "FFFFFFFA");  // as printf of an int
}

TEST(WireText, NumbersIgnoreTheProcessLocale) {
    // A decimal-comma locale, when the machine has one.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "de_DE"))
        GTEST_SKIP() << "no decimal-comma locale installed";
    EXPECT_EQ(FormatDouble("%0.2lf", 1.5), "1.50");
    double v = 0;
    EXPECT_TRUE(ScanValue("-95.5", "%lf", v).exact());
    EXPECT_EQ(v, -95.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(WireText, ScansOneValueAndSeesWhatFollows) {
    int i = 0;
    EXPECT_TRUE(ScanValue("1", "%d", i).exact());
    EXPECT_EQ(i, 1);
    EXPECT_TRUE(ScanValue(" -12", "%d", i).exact());  // leading blanks skipped
    EXPECT_EQ(i, -12);
    auto r = ScanValue("1x", "%d", i);
    EXPECT_EQ(r.count(), 2);
    EXPECT_FALSE(r.exact());
    EXPECT_EQ(ScanValue("1\r", "%d", i).count(), 2);
    EXPECT_EQ(ScanValue("x1", "%d", i).count(), 0);
    EXPECT_EQ(ScanValue("", "%d", i).count(), 0);
    EXPECT_EQ(ScanValue("-", "%d", i).count(), 0);
    EXPECT_EQ(ScanValue("99999999999", "%d", i).count(), 0);  // out of range: no value

    double d = 0;
    EXPECT_TRUE(ScanValue("0.00", "%lf", d).exact());
    EXPECT_EQ(d, 0.0);
    EXPECT_TRUE(ScanValue("-95.5", "%lf", d).exact());
    EXPECT_EQ(d, -95.5);
    EXPECT_TRUE(ScanValue("+1e3", "%lf", d).exact());
    EXPECT_EQ(d, 1000.0);
    EXPECT_TRUE(ScanValue(".5", "%lf", d).exact());
    EXPECT_EQ(d, 0.5);
    EXPECT_EQ(ScanValue("1.5e", "%lf", d).count(), 2);  // 'e' without digits is not an exponent
    EXPECT_EQ(d, 1.5);
    EXPECT_TRUE(ScanValue("nan", "%lf", d).exact());
    EXPECT_TRUE(std::isnan(d));
    EXPECT_EQ(ScanValue("abc", "%lf", d).count(), 0);

    unsigned u = 0;
    EXPECT_TRUE(ScanValue("0FCD6E", "%06X", u).exact());
    EXPECT_EQ(u, 0x0FCD6Eu);
    EXPECT_TRUE(ScanValue("ffffff", "%06X", u).exact());
    EXPECT_EQ(u, 0xFFFFFFu);
    // The width stops the conversion: the seventh digit trails.
    EXPECT_EQ(ScanValue("1234567", "%06X", u).count(), 2);
    EXPECT_EQ(u, 0x123456u);
    // An echoed read command starts with a hexadecimal digit.
    EXPECT_EQ(ScanValue("dq3850001", "%06X", u).count(), 2);
    EXPECT_EQ(u, 0xDu);
    EXPECT_EQ(ScanValue("Invalid Command", "%06X", u).count(), 0);
}
