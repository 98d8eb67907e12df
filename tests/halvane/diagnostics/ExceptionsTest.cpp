#include "halvane/diagnostics/HalvaneStrings.h"
#include "halvane/diagnostics/TCodedException.h"
#include "halvane/diagnostics/TException.h"
#include "halvane/diagnostics/ThrowError.h"
#include "platform/StringTable.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <type_traits>

using halvane::diagnostics::TCodedException;
using halvane::diagnostics::TException;

namespace {

template <class F>
std::string messageOf(F&& raise) {
    try {
        raise();
    } catch (const TException& e) {
        return e.what();
    }
    ADD_FAILURE() << "nothing was raised";
    return "<none>";
}

}  // namespace

TEST(Exceptions, TheTwoTypesAreUnrelatedAndNotStandardExceptions) {
    static_assert(!std::is_base_of_v<std::exception, TException>);
    static_assert(!std::is_base_of_v<std::exception, TCodedException>);
    static_assert(!std::is_base_of_v<TException, TCodedException>);
    static_assert(!std::is_base_of_v<TCodedException, TException>);
    static_assert(std::is_polymorphic_v<TException>);
    static_assert(!std::is_polymorphic_v<TCodedException>);

    // A TException handler lets a coded exception pass to the next handler.
    bool passed = false;
    try {
        try {
            throw TCodedException("Subwoofer response too low");
        } catch (const TException&) {
            FAIL() << "a TException handler caught a TCodedException";
        }
    } catch (const TCodedException& e) {
        passed = true;
        EXPECT_EQ(e.message, "Subwoofer response too low");
        EXPECT_EQ(e.code, 4);
    }
    EXPECT_TRUE(passed);

    // Nor does a std::exception handler see a TException.
    EXPECT_THROW(
        {
            try {
                throw TException("x");
            } catch (const std::exception&) {
                FAIL();
            }
        },
        TException);
}

TEST(Exceptions, CopiesOwnTheirTextAndCodesAreAlwaysFour) {
    auto* original = new TException(std::string("Connection to unit was lost."));
    TException copy(*original);
    EXPECT_STREQ(copy.what(), original->what());
    EXPECT_NE(static_cast<const void*>(copy.what()), static_cast<const void*>(original->what()));
    delete original;  // the copy's text stays valid
    EXPECT_STREQ(copy.what(), "Connection to unit was lost.");

    EXPECT_EQ(TCodedException("").code, 4);
    TCodedException coded("a");
    coded.code = 9;
    const TCodedException copied(coded);
    EXPECT_EQ(copied.code, 9);
    EXPECT_EQ(copied.message, "a");
    EXPECT_EQ(TCodedException(nullptr).message, "");
    EXPECT_STREQ(TException(static_cast<const char*>(nullptr)).what(), "");
}

TEST(Exceptions, ThrowErrorFormatsLikePrintf) {
    EXPECT_EQ(messageOf([] { halvane::diagnostics::ThrowError("100%%"); }), "100%");
    EXPECT_EQ(messageOf([] { halvane::diagnostics::ThrowError("User Abort"); }), "User Abort");
    EXPECT_EQ(messageOf([] { halvane::diagnostics::ThrowError("%s spkr: %d at %lf Hz", "Center", 3, 62.5); }),
              "Center spkr: 3 at 62.500000 Hz");
    EXPECT_EQ(messageOf([] { halvane::diagnostics::ThrowError("%s", "50% of %d"); }), "50% of %d");
    EXPECT_EQ(messageOf([] { halvane::diagnostics::ThrowError("%s", ""); }), "");
    const std::string longText(5000, 'x');
    EXPECT_EQ(messageOf([&] { halvane::diagnostics::ThrowError("%s!", longText.c_str()); }), longText + "!");
    // Text beyond ASCII passes through as UTF-8.
    EXPECT_EQ(messageOf([] { halvane::diagnostics::ThrowError("%s", "Lautsprecher \xC3\xBC"); }), "Lautsprecher \xC3\xBC");
}

TEST(Exceptions, ThrowErrorIdAndTextUseTheStringTable) {
    EXPECT_EQ(messageOf([] { halvane::diagnostics::ThrowErrorId(halvane::diagnostics::ids::UserAbort); }), "User abort.");
    EXPECT_EQ(messageOf([] { halvane::diagnostics::ThrowErrorId(9999); }), "");
    EXPECT_EQ(messageOf([] { halvane::diagnostics::ThrowErrorText(halvane::diagnostics::ids::UserAbort); }), "User abort.");
    EXPECT_EQ(messageOf([] { halvane::diagnostics::ThrowErrorText(9999); }), "");
    EXPECT_EQ(messageOf([] { halvane::diagnostics::ThrowErrorText("Failed to upload/verify coefficients"); }),
              "Failed to upload/verify coefficients");
    // The text form fills nothing in.
    EXPECT_EQ(messageOf([] { halvane::diagnostics::ThrowErrorText(std::string("100%% %d")); }), "100%% %d");

    platform::StringTable& table = platform::processStrings();
    table.setBuiltIn(30001, "Position %d of %d (%s)");
    EXPECT_EQ(messageOf([] { halvane::diagnostics::ThrowErrorId(30001, 2, 5, "Movie"); }), "Position 2 of 5 (Movie)");
}

TEST(StringTable, LanguageEntriesLayOverBuiltInOnes) {
    platform::StringTable table;
    table.setBuiltIn(401, "User abort.");
    table.setBuiltIn(458, "Measuring...");
    EXPECT_EQ(table.text(401), "User abort.");
    EXPECT_FALSE(table.find(12).has_value());
    EXPECT_EQ(table.text(12), "");

    table.loadLanguage({{401, "Abbruch durch Benutzer."}, {12, "nur hier"}});
    EXPECT_EQ(table.text(401), "Abbruch durch Benutzer.");
    EXPECT_EQ(table.text(458), "Measuring...");  // untranslated entries stay English
    EXPECT_TRUE(table.contains(12));

    table.loadLanguage({{458, "Messung..."}});  // replaces the previous language
    EXPECT_EQ(table.text(401), "User abort.");
    EXPECT_EQ(table.text(458), "Messung...");

    table.unloadLanguage();
    EXPECT_EQ(table.text(458), "Measuring...");
    EXPECT_FALSE(table.contains(12));
}

TEST(StringTable, HalvaneEntriesAreBuiltIn) {
    halvane::diagnostics::RegisterHalvaneStrings();
    const platform::StringTable& t = platform::processStrings();
    EXPECT_EQ(t.text(401), "User abort.");
    EXPECT_EQ(t.text(406), "%1 please wait...  %2");
    EXPECT_EQ(t.text(412), "FenwardeElectronics\\");
    EXPECT_EQ(t.text(57344), "Halvane");
    EXPECT_STREQ(halvane::diagnostics::ProgramName(), "Halvane");
}
