// The signing component's message table as data: its ids, its texts in the
// three languages, and placeholders that callers can safely format.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/resource.h"
#include "platform/text.h"

namespace {

const std::vector<DWORD> kGoldenIds = {
    0,     1,     2,     3,     4,     5,     6,     7,     8,     9,     10,    11,    12,    13,    14,    15,
    16,    17,    18,    19,    20,    21,    22,    23,    24,    25,    26,    27,    28,    29,    30,    31,
    32,    33,    34,    35,    36,    37,    38,    39,    40,    41,    42,    43,    44,    45,    46,    47,
    48,    49,    50,    51,    52,    53,    54,    55,    56,    57,    58,    59,    60,    10000, 10002, 10003,
    10004, 10005, 10006, 10007, 10008, 10009, 10010, 10011, 10012, 10013, 10027, 10030, 10031, 10032, 10033, 10034,
    10050, 10051, 10052, 10053, 10500, 10501, 10502, 10503, 10504, 10505, 10506, 10507, 10508, 10509, 10515, 10701,
    10702, 10703, 10704, 10705, 10706, 10707, 10708, 10709, 10710, 10711, 10712, 10714, 10715, 10716, 10717, 10718,
    10751, 10752, 10900, 10901, 10902, 10903, 10904, 10905, 11000, 11001, 11002, 11003, 11004, 11005, 11006, 11007,
    11008, 11009, 11010, 11011, 11012, 11013, 11014, 11023, 11024, 11025, 11026, 12000, 12002, 12003, 12004, 12005,
    13000, 13014, 13015, 13024, 13025, 13026, 13027, 13029, 13030, 13031, 13032, 13101, 13102, 13200, 13201, 13202,
    13203, 13204, 14000, 14001, 14002, 15000, 15001, 15002, 15003, 15004, 15005, 15006, 15007, 15008, 15009, 17001,
    17002, 17101, 17102, 17103, 17104, 17105, 18001, 18002, 18003, 18004, 19101, 19102, 19103, 19104, 19105, 19106,
    19201, 19202, 19301, 19302, 19303, 19304, 19401, 19500, 19501, 19502, 19503, 19504, 19505, 19506, 19507, 19508,
    19509, 19510, 19511, 19512, 19513, 19514, 19515, 19516, 19517, 19518, 19519,
};

// One conversion the layer's formatter understands: flags, width, precision,
// a size prefix and the conversion letter.
const std::regex kConversion(R"(%[-+ #0]*(\*|[0-9]+)?(\.(\*|[0-9]+))?(hh|h|ll|l|I64|I32|I|z)?[diouxXcCsSeEfFgGp])");

struct Placeholders {
    std::vector<std::string> sequence;
    std::vector<std::string> unsupported;
};

Placeholders PlaceholdersOf(std::string_view text) {
    Placeholders found;
    for (std::size_t at = text.find('%'); at != std::string_view::npos; at = text.find('%', at)) {
        if (text.substr(at, 2) == "%%") {
            at += 2;
            continue;
        }
        std::cmatch match;
        const char* begin = text.data() + at;
        if (std::regex_search(begin, text.data() + text.size(), match, kConversion,
                              std::regex_constants::match_continuous)) {
            found.sequence.push_back(match.str());
            at += match.length();
        } else {
            found.unsupported.push_back(std::string(text.substr(at, 4)));
            ++at;
        }
    }
    return found;
}

std::vector<std::string_view> TextsOf(const TResourceRow& row) { return {row.cz, row.sk, row.en}; }

TEST(MessageTable, HoldsExactlyTheKnownIds) {
    const auto rows = SignerMessageTable();
    EXPECT_EQ(219u, rows.size());
    std::vector<DWORD> ids;
    for (const auto& row : rows) ids.push_back(row.id);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids.end(), std::adjacent_find(ids.begin(), ids.end())) << "duplicate id";
    EXPECT_EQ(kGoldenIds, ids);
}

TEST(MessageTable, EveryTextIsPresentAndFitsWindows1250) {
    for (const auto& row : SignerMessageTable()) {
        for (const auto text : TextsOf(row)) {
            ASSERT_NE(nullptr, text.data()) << row.id;
            EXPECT_FALSE(text.empty()) << row.id;
            EXPECT_TRUE(platform::text::isValidUtf8(text)) << row.id;
            // A character the code page lacks would come back as "?".
            EXPECT_EQ(text, platform::text::ansiToUtf8(platform::text::utf8ToAnsi(text))) << row.id;
        }
    }
}

TEST(MessageTable, TranslationsKeepThePlaceholdersOfTheEnglishText) {
    for (const auto& row : SignerMessageTable()) {
        const auto english = PlaceholdersOf(row.en);
        for (const auto text : TextsOf(row)) {
            const auto found = PlaceholdersOf(text);
            EXPECT_TRUE(found.unsupported.empty()) << row.id << ": " << text;
            EXPECT_EQ(english.sequence, found.sequence) << row.id << ": " << text;
        }
    }
}

TEST(MessageTable, PluralRowsTakeTheCountAlone) {
    const std::vector<std::string> count = {"%i"};
    for (const auto& row : SignerMessageTable()) {
        if (row.id < 35 || row.id > 40) continue;
        for (const auto text : TextsOf(row)) EXPECT_EQ(count, PlaceholdersOf(text).sequence) << row.id;
    }
}

TEST(MessageTable, KeepsTheEstablishedEnglishWording) {
    TResource table(SignerMessageTable());
    EXPECT_EQ("Select a cryptographic service provider that you whish to use.", table.Lookup(1, 2));
    EXPECT_EQ(" %i day remain", table.Lookup(40, 2));
    EXPECT_EQ("Internal error: invalid parametr.", table.Lookup(10701, 2));
    EXPECT_EQ("Kyd file contains duplicit files.", table.Lookup(19106, 2));
}

}  // namespace
