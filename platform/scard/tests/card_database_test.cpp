// The card database behind SCardListCards and the card-type functions,
// against a fresh registry: no resource manager is needed for any of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testkit/platform_root.h"
#include "win32/error_codes.h"
#include "win32/registry.h"
#include "win32/scard.h"

namespace {

using Bytes = std::vector<BYTE>;

// ISO 7816-3 ATRs whose structure gives their length: T=1 indicated, so
// each ends in TCK.
const Bytes kAtr20 = {0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00,
                      0x03, 0x06, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x6A};
const Bytes kAtr33 = {0x3B, 0xFF, 0x96, 0x00, 0x00, 0xF1, 0x00, 0x00, 0x00, 0xF1, 0xFE, 0x45, 0x00, 0x71, 0x00, 0x00, 0x00,
                      0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0xE3};
// T=0 only: no TCK. 3B 02 + two historical bytes.
const Bytes kAtrT0 = {0x3B, 0x02, 0x14, 0x50};

Bytes padded36(Bytes atr) {
    atr.resize(SCARD_ATR_BUFFER, 0);
    return atr;
}

std::vector<std::string> split(const std::string& multi) {
    std::vector<std::string> items;
    for (std::size_t i = 0; i < multi.size() && multi[i];) {
        items.emplace_back(multi.c_str() + i);
        i += items.back().size() + 1;
    }
    return items;
}

std::vector<std::string> cardsFor(const Bytes* atr) {
    DWORD size = 0;
    EXPECT_EQ(SCARD_S_SUCCESS, SCardListCardsA(0, atr ? atr->data() : nullptr, nullptr, 0, nullptr, &size));
    std::string list(size, '\x7F');
    EXPECT_EQ(SCARD_S_SUCCESS, SCardListCardsA(0, atr ? atr->data() : nullptr, nullptr, 0, list.data(), &size));
    EXPECT_EQ(list.size(), size);
    EXPECT_EQ('\0', list.back());
    return split(list);
}
std::vector<std::string> cardsFor(const Bytes& atr) { return cardsFor(&atr); }

void introduce(const char* name, const Bytes& atr, const Bytes* mask = nullptr) {
    ASSERT_EQ(SCARD_S_SUCCESS, SCardIntroduceCardTypeA(0, name, nullptr, nullptr, 0, atr.data(),
                                                       mask ? mask->data() : nullptr, static_cast<DWORD>(atr.size())));
}

class CardDatabase : public ::testing::Test {
protected:
    testkit::PlatformRoot m_root;
};

TEST_F(CardDatabase, WithoutMaskOnlyTheSameAtrMatches) {
    introduce("Exact", kAtr20);
    EXPECT_EQ(std::vector<std::string>{"Exact"}, cardsFor(kAtr20));
    Bytes other = kAtr20;
    other[7] ^= 0x01;  // a historical byte
    other[19] ^= 0x01;  // and TCK
    EXPECT_TRUE(cardsFor(other).empty());
}

TEST_F(CardDatabase, MaskDecidesWhichBitsCount) {
    Bytes mask(kAtr20.size(), 0xFF);
    mask[15] = 0x00;  // any value
    mask[16] = 0xF0;  // high nibble only
    mask[19] = 0x00;  // TCK follows the changed bytes
    introduce("Masked", kAtr20, &mask);
    Bytes card = kAtr20;
    card[15] = 0x99;
    card[16] = 0x0F;
    card[19] = 0x55;
    EXPECT_EQ(std::vector<std::string>{"Masked"}, cardsFor(card));
    card[16] = 0x1F;  // a bit the mask keeps
    EXPECT_TRUE(cardsFor(card).empty());
}

TEST_F(CardDatabase, LengthsMustBeEqual) {
    // The entry is the card's ATR without its last byte: never a prefix match.
    introduce("Shorter", Bytes(kAtr20.begin(), kAtr20.end() - 1));
    EXPECT_TRUE(cardsFor(kAtr20).empty());
    // The card's ATR in a 36-byte buffer: its structure says 20 bytes.
    introduce("Twenty", kAtr20);
    EXPECT_EQ(std::vector<std::string>{"Twenty"}, cardsFor(padded36(kAtr20)));
    // The longest ATR there is, and one with no TCK (T=0 only).
    introduce("Longest", kAtr33);
    introduce("T0", kAtrT0);
    EXPECT_EQ(std::vector<std::string>{"Longest"}, cardsFor(padded36(kAtr33)));
    EXPECT_EQ(std::vector<std::string>{"T0"}, cardsFor(padded36(kAtrT0)));
}

TEST_F(CardDatabase, SeveralCardsForOneAtrAndAllForNone) {
    introduce("First", kAtr20);
    introduce("Other", kAtrT0);
    Bytes anyHistorical(kAtr20.size(), 0xFF);
    std::fill(anyHistorical.begin() + 4, anyHistorical.end(), 0x00);
    introduce("Second", kAtr20, &anyHistorical);
    EXPECT_EQ((std::vector<std::string>{"First", "Second"}), cardsFor(kAtr20));
    EXPECT_EQ((std::vector<std::string>{"First", "Other", "Second"}), cardsFor(nullptr));
}

TEST_F(CardDatabase, NoMatchIsAnEmptyMultiString) {
    DWORD size = 0;
    ASSERT_EQ(SCARD_S_SUCCESS, SCardListCardsA(0, kAtr20.data(), nullptr, 0, nullptr, &size));
    EXPECT_EQ(2u, size);
}

TEST_F(CardDatabase, WideAndNarrowNamesAreTheSameCards) {
    // "Karta Š": Š is 0x8A in the ANSI code page (Windows-1250).
    ASSERT_EQ(SCARD_S_SUCCESS, SCardIntroduceCardTypeW(0, u"Karta \u0160", nullptr, nullptr, 0, kAtr20.data(),
                                                       nullptr, static_cast<DWORD>(kAtr20.size())));
    EXPECT_EQ(std::vector<std::string>{"Karta \x8A"}, cardsFor(kAtr20));
    ASSERT_EQ(SCARD_S_SUCCESS, SCardSetCardTypeProviderNameA(0, "Karta \x8A", SCARD_PROVIDER_CSP, "CSP \x8A"));

    WCHAR wide[64];
    DWORD size = 64;
    ASSERT_EQ(SCARD_S_SUCCESS, SCardListCardsW(0, kAtr20.data(), nullptr, 0, wide, &size));
    EXPECT_EQ(std::u16string(u"Karta \u0160\0\0", 9), std::u16string(wide, size));
    size = 64;
    ASSERT_EQ(SCARD_S_SUCCESS, SCardGetCardTypeProviderNameW(0, u"Karta \u0160", SCARD_PROVIDER_CSP, wide, &size));
    EXPECT_EQ(u"CSP \u0160", std::u16string(wide));
    EXPECT_EQ(6u, size);
}

// What a card's installer writes directly is read the same way.
TEST_F(CardDatabase, ReadsEntriesWrittenIntoTheRegistry) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, static_cast<DWORD>(RegCreateKeyExA(
                                 HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Cryptography\\Calais\\SmartCards\\Installed",
                                 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr)));
    Bytes mask(kAtr20.size(), 0xFF);
    mask[19] = 0;
    const char csp[] = "Installed CSP";
    RegSetValueExA(key, "ATR", 0, REG_BINARY, kAtr20.data(), static_cast<DWORD>(kAtr20.size()));
    RegSetValueExA(key, "ATRMask", 0, REG_BINARY, mask.data(), static_cast<DWORD>(mask.size()));
    RegSetValueExA(key, "Crypto Provider", 0, REG_SZ, reinterpret_cast<const BYTE*>(csp), sizeof csp);
    RegCloseKey(key);

    Bytes card = kAtr20;
    card[19] = 0x00;
    EXPECT_EQ(std::vector<std::string>{"Installed"}, cardsFor(card));
    char name[64];
    DWORD size = sizeof name;
    ASSERT_EQ(SCARD_S_SUCCESS, SCardGetCardTypeProviderNameA(0, "Installed", SCARD_PROVIDER_CSP, name, &size));
    EXPECT_STREQ(csp, name);
}

TEST_F(CardDatabase, MaskOfAnotherLengthMatchesNothing) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, static_cast<DWORD>(RegCreateKeyExA(
                                 HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Cryptography\\Calais\\SmartCards\\Broken", 0,
                                 nullptr, 0, KEY_WRITE, nullptr, &key, nullptr)));
    const Bytes shortMask(4, 0xFF);
    RegSetValueExA(key, "ATR", 0, REG_BINARY, kAtr20.data(), static_cast<DWORD>(kAtr20.size()));
    RegSetValueExA(key, "ATRMask", 0, REG_BINARY, shortMask.data(), static_cast<DWORD>(shortMask.size()));
    RegCloseKey(key);
    EXPECT_TRUE(cardsFor(kAtr20).empty());
}

TEST_F(CardDatabase, LengthZeroTakesTheLengthFromTheAtr) {
    const Bytes atr = padded36(kAtr20);
    ASSERT_EQ(SCARD_S_SUCCESS, SCardIntroduceCardTypeA(0, "Measured", nullptr, nullptr, 0, atr.data(), nullptr, 0));
    EXPECT_EQ(std::vector<std::string>{"Measured"}, cardsFor(kAtr20));
}

TEST_F(CardDatabase, IntroducingAgainReplacesTheAtrAndKeepsTheCsp) {
    introduce("Card", kAtr20);
    ASSERT_EQ(SCARD_S_SUCCESS, SCardSetCardTypeProviderNameA(0, "Card", SCARD_PROVIDER_CSP, "Kept CSP"));
    introduce("Card", kAtrT0);
    EXPECT_TRUE(cardsFor(kAtr20).empty());
    EXPECT_EQ(std::vector<std::string>{"Card"}, cardsFor(kAtrT0));
    char csp[32];
    DWORD size = sizeof csp;
    ASSERT_EQ(SCARD_S_SUCCESS, SCardGetCardTypeProviderNameA(0, "Card", SCARD_PROVIDER_CSP, csp, &size));
    EXPECT_STREQ("Kept CSP", csp);
}

TEST_F(CardDatabase, ForgetRemovesTheCard) {
    introduce("Gone", kAtr20);
    ASSERT_EQ(SCARD_S_SUCCESS, SCardForgetCardTypeA(0, "Gone"));
    EXPECT_TRUE(cardsFor(kAtr20).empty());
    EXPECT_EQ(SCARD_E_UNKNOWN_CARD, SCardForgetCardTypeA(0, "Gone"));
}

TEST_F(CardDatabase, ProviderNameOfUnknownCardOrCardWithoutOne) {
    char csp[32];
    DWORD size = sizeof csp;
    EXPECT_EQ(SCARD_E_UNKNOWN_CARD, SCardGetCardTypeProviderNameA(0, "Nobody", SCARD_PROVIDER_CSP, csp, &size));
    EXPECT_EQ(SCARD_E_UNKNOWN_CARD, SCardSetCardTypeProviderNameA(0, "Nobody", SCARD_PROVIDER_CSP, "x"));
    introduce("Bare", kAtr20);
    EXPECT_EQ(static_cast<LONG>(ERROR_FILE_NOT_FOUND),
              SCardGetCardTypeProviderNameA(0, "Bare", SCARD_PROVIDER_CSP, csp, &size));
    EXPECT_EQ(SCARD_E_INVALID_PARAMETER, SCardGetCardTypeProviderNameA(0, "Bare", SCARD_PROVIDER_PRIMARY, csp, &size));
}

TEST_F(CardDatabase, BufferSizesFollowTheTwoCallRule) {
    introduce("Alpha", kAtr20);
    introduce("Beta", kAtr20);
    char small[4];
    DWORD size = sizeof small;
    EXPECT_EQ(SCARD_E_INSUFFICIENT_BUFFER, SCardListCardsA(0, kAtr20.data(), nullptr, 0, small, &size));
    EXPECT_EQ(12u, size);  // "Alpha\0Beta\0\0"

    char* block = nullptr;
    size = SCARD_AUTOALLOCATE;
    ASSERT_EQ(SCARD_S_SUCCESS, SCardListCardsA(0, kAtr20.data(), nullptr, 0, reinterpret_cast<char*>(&block), &size));
    EXPECT_EQ(12u, size);
    EXPECT_EQ(std::string("Alpha\0Beta\0\0", 12), std::string(block, size));
    EXPECT_EQ(SCARD_S_SUCCESS, SCardFreeMemory(0, block));
    EXPECT_EQ(SCARD_E_INVALID_PARAMETER, SCardFreeMemory(0, block));  // freed already
    EXPECT_EQ(SCARD_E_INVALID_PARAMETER, SCardFreeMemory(0, small));  // never handed out
    EXPECT_EQ(SCARD_E_INVALID_PARAMETER, SCardListCardsA(0, kAtr20.data(), nullptr, 0, small, nullptr));
}

TEST_F(CardDatabase, BadInputIsRefused) {
    // T0 and TD bytes that claim more than 33 bytes: a clear error, and no
    // byte read beyond the 36-byte buffer.
    Bytes endless(SCARD_ATR_BUFFER, 0xF1);
    endless[0] = 0x3B;
    endless[1] = 0xFF;
    DWORD size = 0;
    EXPECT_EQ(SCARD_E_INVALID_ATR, SCardListCardsA(0, endless.data(), nullptr, 0, nullptr, &size));
    EXPECT_EQ(SCARD_E_INVALID_ATR, SCardIntroduceCardTypeA(0, "Endless", nullptr, nullptr, 0, endless.data(), nullptr, 0));

    const GUID someInterface{1, 2, 3, {4}};
    EXPECT_EQ(SCARD_E_INVALID_PARAMETER, SCardListCardsA(0, kAtr20.data(), &someInterface, 1, nullptr, &size));
    EXPECT_EQ(SCARD_E_INVALID_PARAMETER,
              SCardIntroduceCardTypeA(0, "Sub\\Key", nullptr, nullptr, 0, kAtr20.data(), nullptr, 20));
    EXPECT_EQ(SCARD_E_INVALID_PARAMETER, SCardIntroduceCardTypeA(0, "", nullptr, nullptr, 0, kAtr20.data(), nullptr, 20));
    EXPECT_EQ(SCARD_E_INVALID_PARAMETER, SCardIntroduceCardTypeA(0, nullptr, nullptr, nullptr, 0, kAtr20.data(), nullptr, 20));
    EXPECT_EQ(SCARD_E_INVALID_PARAMETER, SCardIntroduceCardTypeA(0, "Long", nullptr, nullptr, 0, kAtr33.data(), nullptr, 34));
    EXPECT_EQ(SCARD_E_INVALID_HANDLE, SCardListCardsA(0x12345, kAtr20.data(), nullptr, 0, nullptr, &size));
    EXPECT_TRUE(cardsFor(nullptr).empty());
}

}  // namespace
