#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "halvex/field_validation.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "testkit/platform_root.h"
#include "win32/ui.h"

namespace halvex {
namespace {

namespace script = platform::ui::script;
using namespace field_rule;

std::string Utf8(const std::u16string& text) { return platform::text::toUtf8(text); }

TEST(HalvexFieldFormats, PredicatesHoldTheirEdgeCases) {
    const struct {
        const char16_t* text;
        bool valid;
    } birthNumbers[] = {
        {u"8012310009", true},   // divisible by 11
        {u"8012310008", false},  // wrong check digit
        {u"8452290100", true},   // first nine leave 10, last digit 0
        {u"8452290000", true},   // month 52: February of a leap year
        {u"8552290000", false},  // 29 February 1985 does not exist
        {u"801231123", true},    // nine digits: the date alone
        {u"801331123", false},   // month 13
        {u"804931123", false},   // month 49
        {u"800230123", false},   // 30 February
        {u"80123/123", false},   // "/" in place of a day digit
        {u"801231/12", true},    // nine characters: the date alone
        {u"80123112345", false}, // eleven characters
        {u"80a231123", false},
    };
    for (const auto& c : birthNumbers) EXPECT_EQ(IsValidBirthNumber(c.text), c.valid) << Utf8(c.text);

    // The formatted text, or nothing for a date that fails.
    const struct {
        const char16_t* text;
        const char16_t* formatted;
    } dates[] = {
        {u"31.04.2010", nullptr}, {u"29.02.2000", u"29.02.2000"}, {u"29.02.1900", nullptr},
        {u"1.1.5", u"01.01.2005"}, {u"1.1.99", u"01.01.1999"},    {u"1.1.20", u"01.01.2020"},
        {u"1.1.21", u"01.01.1921"}, {u"1.1.1850", nullptr},      {u"1.1.2200", u"01.01.2200"},
        {u"1.1.2201", nullptr},     {u"1. 2. 2003", u"01.02.2003"}, {u".1.2000", nullptr},
        {u"1..2000", nullptr},      {u"1.1.", nullptr},            {u"1x.1.2000", nullptr},
        {u"0.1.2000", nullptr},     {u"1.13.2000", nullptr},       {u"1.1.99999999999", nullptr},
    };
    for (const auto& c : dates) {
        std::u16string formatted = u"untouched";
        EXPECT_EQ(IsValidDate(c.text, formatted), c.formatted != nullptr) << Utf8(c.text);
        EXPECT_EQ(formatted, c.formatted ? c.formatted : u"untouched") << Utf8(c.text);
    }

    const struct {
        const char16_t* text;
        const char16_t* formatted;
    } times[] = {
        {u"24:00", nullptr},       {u"23.59", u"23:59:00"},  {u"7:5:9", u"07:05:09"}, {u"12:30:", u"12:30:00"},
        {u"12:60", nullptr},       {u"12:00:60", nullptr},   {u"12", nullptr},        {u"1:2:3:4:5", nullptr},
        {u"ab:cd", nullptr},       {u"12:3x", nullptr},      {u":30", nullptr},       {u"12:30:0:999", u"12:30:00"},
    };
    for (const auto& c : times) {
        std::u16string formatted = u"untouched";
        EXPECT_EQ(IsValidTime(c.text, formatted), c.formatted != nullptr) << Utf8(c.text);
        EXPECT_EQ(formatted, c.formatted ? c.formatted : u"untouched") << Utf8(c.text);
    }

    std::u16string dateTime = u"1.2.03 4.5";
    EXPECT_TRUE(IsValidDateTime(dateTime));
    EXPECT_EQ(dateTime, u"01.02.2003 04:05:00");
    for (std::u16string wrong : {u"1.2.2003", u"1.2.2003 ab:cd", u"31.2.2003 12:00"}) {
        const std::u16string before = wrong;
        EXPECT_FALSE(IsValidDateTime(wrong)) << Utf8(before);
        EXPECT_EQ(wrong, before);
    }

    EXPECT_TRUE(IsDigits(u""));
    EXPECT_TRUE(IsDigits(u"0123456789"));
    EXPECT_FALSE(IsDigits(u"12 3"));

    EXPECT_TRUE(IsValidEmail(u"jan.novak@firma.cz"));
    EXPECT_TRUE(IsValidEmail(u"jan@firma.cz"));
    EXPECT_FALSE(IsValidEmail(u"jan@firma"));
    EXPECT_FALSE(IsValidEmail(u"jan.novak@firma"));
    EXPECT_FALSE(IsValidEmail(u"jan novak@firma.cz"));
    EXPECT_FALSE(IsValidEmail(u"jan@novak@firma.cz"));
    EXPECT_FALSE(IsValidEmail(u"jan@firma.c"));
    EXPECT_FALSE(IsValidEmail(u""));

    EXPECT_TRUE(IsValidOrgId(u"25596641"));
    EXPECT_TRUE(IsValidOrgId(u"00000060"));  // a check of 10 is written 0
    EXPECT_FALSE(IsValidOrgId(u"25596642"));
    EXPECT_FALSE(IsValidOrgId(u"2559664"));
    EXPECT_FALSE(IsValidOrgId(u"2559664a"));

    EXPECT_TRUE(IsPrintableText(u"Novak? no: Novak (CZ) 1+1, a/b - 'x'."));
    EXPECT_FALSE(IsPrintableText(u"a=b"));
    EXPECT_FALSE(IsPrintableText(u"Novák"));
    EXPECT_FALSE(IsPrintableText(u"a@b"));
}

class HalvexFieldValidation : public ::testing::Test {
protected:
    static constexpr UINT kBirthNumberCaption = 33161;  // "Rodné číslo"

    void SetUp() override {
        setenv("PLATFORM_UI", "script", 1);
        script::clear();
        script::onUnanswered([](const std::string& question) {
            ADD_FAILURE() << "unexpected question: " << question;
            return IDCANCEL;
        });
    }
    void TearDown() override { script::clear(); }

    // The text of the one message box the check showed; empty when none.
    std::string ShownText(bool& passed, const std::u16string& value, DWORD flags, DWORD length = 0) {
        script::clear();
        script::onUnanswered([](const std::string&) { return IDOK; });
        passed = ValidateField(value, kBirthNumberCaption, flags, length);
        const auto shown = script::transcript();
        EXPECT_LE(shown.size(), 1u);
        if (shown.empty()) return {};
        const std::string prefix = "MessageBox: halvex_engine_tests: ";
        EXPECT_EQ(shown[0].rfind(prefix, 0), 0u) << shown[0];
        return shown[0].substr(prefix.size());
    }

    testkit::PlatformRoot root;
};

TEST_F(HalvexFieldValidation, ShowsTheFirstBrokenRuleOnce) {
    const std::string wrong = "Chybně zadána položka 'Rodné číslo'.";
    const struct {
        std::u16string value;
        DWORD flags;
        DWORD length;
        std::string message;  // empty: the value passes silently
    } cases[] = {
        {u"", kRequired, 0, "Položka 'Rodné číslo' není vyplněna."},
        {u" \t ", kRequired | kDigits, 0, "Položka 'Rodné číslo' není vyplněna."},
        {u"", kDigits | kEmail | kAtLeast13 | kExactLength, 5, ""},
        {u" 801231/0009\t", kRequired | kBirthNumberOrDate, 0, ""},
        {u"31. 12. 1980", kBirthNumberOrDate, 0, ""},
        {u"31.13.1980", kBirthNumberOrDate, 0,
         "Chybně zadána položka 'Rodné číslo' - je očekáváno rodné číslo nebo datum narození."},
        {u"801231 / 0008", kBirthNumber, 0, wrong},
        {u"CZ801231/0009", kCzSkIdentifier, 0, ""},
        {u"sk801231 0009", kCzSkIdentifier, 0, ""},
        {u"SK25596641", kCzSkIdentifier, 0, ""},
        {u"SK25596642", kCzSkIdentifier, 0, wrong},
        {u"DE25596641", kCzSkIdentifier, 0, wrong},
        {u"C", kCzSkIdentifier, 0, wrong},
        {u"25596641", kOrganisationId, 0, ""},
        {u"25596642", kOrganisationId, 0, wrong},
        {u"12 34", kDigits, 0, ""},
        {u"12a4", kDigits, 0, "Položka 'Rodné číslo' musí být číslo."},
        {u"0x1f", kNumber, 0, ""},
        {u"1F", kNumber, 0, "Chybně zadána položka 'Rodné číslo' - chybně formátované číslo."},
        {u"0X1X", kNumber, 0, "Chybně zadána položka 'Rodné číslo' - chybně formátované číslo."},
        {u"4294967295", kUnsigned32, 0, ""},
        {u"0XFFFFFFFF", kUnsigned32, 0, ""},
        {u"007", kUnsigned32, 0,
         "Chybně zadána položka 'Rodné číslo' - chybný formát čísla nebo je číslo mimo povolený rozsah."},
        {u"4294967296", kUnsigned32, 0,
         "Chybně zadána položka 'Rodné číslo' - chybný formát čísla nebo je číslo mimo povolený rozsah."},
        {platform::paths::toWide(root.path()), kExistingFile, 0, ""},
        {platform::paths::toWide(root.path() / "missing"), kExistingFile, 0,
         "Chybně zadána položka 'Rodné číslo' - soubor se nepodařilo nalézt."},
        {u"jan@firma", kEmail, 0, wrong},
        {u"CZE", kCountryCode, 0, "Chybně zadána položka 'Rodné číslo' - je očekávána zkratka státu (2 znaky)."},
        {u"123456789012", kAtLeast13, 0, "Chybně zadána položka 'Rodné číslo' - očekáváno nejméně 13 číslic."},
        {u"AB12345678", kTwoCharsEightDigits, 0, ""},
        {u"AB1234567X", kTwoCharsEightDigits, 0,
         "Chybně zadána položka 'Rodné číslo' - očekávány 2 znaky + 8 číslic."},
        {u"31.04.2010", kDate, 0,
         "Chybně zadána položka 'Rodné číslo - je očekáváno datum ve formátu dd.mm.rrrr."},
        {u"1.1.2010 ab:cd", kDateTime, 0,
         "Chybně zadána položka 'Rodné číslo - je očekáván datum a čas ve formátu DD.MM.YYYY hh:mm:ss."},
        {u"abcd", kExactLength, 5, "Chybně zadána položka 'Rodné číslo' - jsou očekávána data délky: 5"},
        {u"abcdef", kMaxLength, 5, "Chybně zadána položka 'Rodné číslo' - maximální povolená délka dat je: 5"},
        {u"a=b", kPrintable, 0, "Chybně zadána položka 'Rodné číslo' - zadány nepovolené znaky"},
        // Only the first broken rule is told.
        {u"abcdef=", kMaxLength | kPrintable | kBirthNumber, 3, wrong},
    };
    for (const auto& c : cases) {
        bool passed = false;
        EXPECT_EQ(ShownText(passed, c.value, c.flags, c.length), c.message) << Utf8(c.value);
        EXPECT_EQ(passed, c.message.empty()) << Utf8(c.value);
    }
}

TEST_F(HalvexFieldValidation, AWarningGoesOnOnlyWithYes) {
    const std::string question = "MessageBox: halvex_engine_tests: Položka 'Rodné číslo' není vyplněna.\n"
                                 "Přejete si přesto pokračovat?";
    script::queue("MessageBox", "IDYES");
    EXPECT_TRUE(ValidateField(u"", kBirthNumberCaption, kRequired | kWarningOnly, 0));
    script::queue("MessageBox", "IDNO");
    EXPECT_FALSE(ValidateField(u"", kBirthNumberCaption, kRequired | kWarningOnly, 0));
    script::queue("MessageBox", "IDCANCEL");
    EXPECT_FALSE(ValidateField(u"", kBirthNumberCaption, kRequired | kWarningOnly, 0));
    EXPECT_EQ(script::transcript(), (std::vector<std::string>{question, question, question}));

    // Without the warning flag the box has only OK: a Yes cannot be given.
    script::clear();
    std::string refused;
    script::onUnanswered([&refused](const std::string& asked) {
        refused = asked;
        return IDOK;
    });
    script::queue("MessageBox", "IDYES");
    EXPECT_FALSE(ValidateField(u"", kBirthNumberCaption, kRequired, 0));
    EXPECT_NE(refused.find("\"MessageBox: halvex_engine_tests: Položka 'Rodné číslo' není vyplněna.\""),
              std::string::npos)
        << refused;

    // A value that passes asks nothing, warning or not.
    script::clear();
    EXPECT_TRUE(ValidateField(u"12", kBirthNumberCaption, kDigits | kWarningOnly, 0));
    EXPECT_TRUE(script::transcript().empty());
}

}  // namespace
}  // namespace halvex
