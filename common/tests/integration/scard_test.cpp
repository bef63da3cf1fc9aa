// TSCard through a pcscd of the test's own, the vpcd readers, our virtual
// cards and a card database in a fresh registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/log.h"
#include "common/scard.h"
#include "testkit/card_reader.h"
#include "testkit/platform_root.h"
#include "win32/registry.h"

namespace {

using testkit::CardReaders;
using Bytes = std::vector<BYTE>;
using Cards = std::map<std::string, std::string>;

const Bytes kAtr20 = {0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00,
                      0x03, 0x06, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x6A};
const Bytes kAtr33 = {0x3B, 0xFF, 0x96, 0x00, 0x00, 0xF1, 0x00, 0x00, 0x00, 0xF1, 0xFE, 0x45, 0x00, 0x71, 0x00, 0x00, 0x00,
                      0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0xE3};

Bytes padded36(Bytes atr) {
    atr.resize(36, 0);
    return atr;
}

void introduce(const char* card, const Bytes& atr, const char* csp = nullptr) {
    ASSERT_EQ(SCARD_S_SUCCESS, SCardIntroduceCardTypeA(0, card, nullptr, nullptr, 0, atr.data(), nullptr,
                                                       static_cast<DWORD>(atr.size())));
    if (csp) {
        ASSERT_EQ(SCARD_S_SUCCESS, SCardSetCardTypeProviderNameA(0, card, SCARD_PROVIDER_CSP, csp));
    }
}

// The "Crypto Provider" value written as raw bytes, as a careless installer might.
void writeCspBytes(const char* card, const std::string& bytes) {
    const std::string path = std::string("SOFTWARE\\Microsoft\\Cryptography\\Calais\\SmartCards\\") + card;
    HKEY key = nullptr;
    ASSERT_EQ(0, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    RegSetValueExA(key, "Crypto Provider", 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

class Log {
public:
    Log() { TLogStrVect::Instance()->SetMask(sgLogLevelErrs | sgLogLevelWarns | sgLogLevelMsgs | sgLogLevelDebug); }
    ~Log() { TLogStrVect::ReleaseInstance(); }
    std::vector<std::string> lines() const {
        std::vector<std::string> all;
        TLogStrVect::Instance()->GetAll(all);
        return all;
    }
    bool has(const std::string& text) const {
        const auto all = lines();
        return std::any_of(all.begin(), all.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
    }
};

class SCardWithReaders : public ::testing::Test {
protected:
    void SetUp() override {
        introduce("Tesk Dravik card", kAtr20, "Tesk Dravik v1.0");
        introduce("Plain card", kAtr20);
        introduce("Long card", kAtr33, "Long CSP");
    }
    std::vector<SCardReaderInfo> readers() {
        std::vector<SCardReaderInfo> list;
        EXPECT_TRUE(m_scard.GetReaders(list));
        return list;
    }

    testkit::PlatformRoot m_root;
    Log m_log;
    CardReaders m_readers;
    TSCard m_scard;
};

TEST_F(SCardWithReaders, ListsTheTwoVirtualReaders) {
    std::vector<std::string> names{"kept"};
    ASSERT_TRUE(m_scard.GetReaderList(names));
    EXPECT_EQ((std::vector<std::string>{"kept", "Virtual PCD 00 00", "Virtual PCD 00 01"}), names);
    EXPECT_TRUE(m_log.has("GetReaderList(): reader 'Virtual PCD 00 00'"));
    EXPECT_TRUE(m_log.has("GetReaderList(): reader 'Virtual PCD 00 01'"));

    std::vector<SCardReaderInfo> list(1);
    ASSERT_TRUE(m_scard.GetReaders(list));
    ASSERT_EQ(3u, list.size());  // appended, not replaced
    EXPECT_EQ("Virtual PCD 00 01", list[2].reader);
    EXPECT_TRUE(list[2].cards.empty());
    EXPECT_TRUE(list[2].atr.empty());
    EXPECT_EQ(0u, list[2].present);
}

TEST_F(SCardWithReaders, NoCardMeansNotPresent) {
    auto list = readers();
    EXPECT_FALSE(m_scard.WaitStatus(list, 0));
    for (const auto& r : list) {
        EXPECT_EQ(0u, r.present);
        EXPECT_TRUE(r.atr.empty());
    }
}

TEST_F(SCardWithReaders, CardWithA20ByteAtr) {
    auto card = m_readers.insert(1, kAtr20);
    auto list = readers();
    ASSERT_TRUE(m_scard.WaitStatus(list, 0));
    EXPECT_EQ(0u, list[0].present);
    EXPECT_TRUE(list[0].atr.empty());
    EXPECT_EQ(32u, list[1].present);
    ASSERT_EQ(36u, list[1].atr.size());
    EXPECT_EQ(kAtr20, Bytes(list[1].atr.begin(), list[1].atr.begin() + 20));
    EXPECT_EQ(Bytes(16, 0), Bytes(list[1].atr.begin() + 20, list[1].atr.end()));
    // A card without "Crypto Provider" has an empty CSP; the Dravik CSP is
    // reported under the name the provider list knows.
    EXPECT_EQ((Cards{{"Plain card", ""}, {"Tesk Dravik card", "Tesk Dravik CSP v1.0"}}), list[1].cards);
}

TEST_F(SCardWithReaders, CardWithTheLongestAtr) {
    auto card = m_readers.insert(0, kAtr33);
    auto list = readers();
    ASSERT_TRUE(m_scard.WaitStatus(list, 0));
    EXPECT_EQ(padded36(kAtr33), list[0].atr);
    EXPECT_EQ((Cards{{"Long card", "Long CSP"}}), list[0].cards);
}

TEST_F(SCardWithReaders, TwoReadersWithCards) {
    auto first = m_readers.insert(0, kAtr33);
    auto second = m_readers.insert(1, kAtr20);
    auto list = readers();
    ASSERT_TRUE(m_scard.WaitStatus(list, 0));
    EXPECT_EQ(32u, list[0].present);
    EXPECT_EQ(32u, list[1].present);
    EXPECT_EQ((Cards{{"Long card", "Long CSP"}}), list[0].cards);
    EXPECT_EQ(2u, list[1].cards.size());
}

TEST_F(SCardWithReaders, RemovedCardIsNoLongerPresent) {
    auto card = m_readers.insert(0, kAtr20);
    auto list = readers();
    ASSERT_TRUE(m_scard.WaitStatus(list, 0));
    card->remove();
    EXPECT_FALSE(m_scard.WaitStatus(list, 0));
    EXPECT_EQ(0u, list[0].present);
    // What the earlier query found stays in the record.
    EXPECT_EQ(padded36(kAtr20), list[0].atr);
    EXPECT_EQ(2u, list[0].cards.size());
}

TEST_F(SCardWithReaders, WideFormsFindTheSameWithoutLogging) {
    auto card = m_readers.insert(1, kAtr20);
    const auto linesBefore = m_log.lines().size();
    std::vector<SCardReaderInfoW> list;
    ASSERT_TRUE(m_scard.GetReaders(list));
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ(u"Virtual PCD 00 01", list[1].reader);
    ASSERT_TRUE(m_scard.WaitStatus(list, 0));
    EXPECT_EQ(32u, list[1].present);
    EXPECT_EQ(padded36(kAtr20), list[1].atr);
    const std::map<std::u16string, std::u16string> expected{{u"Plain card", u""},
                                                            {u"Tesk Dravik card", u"Tesk Dravik CSP v1.0"}};
    EXPECT_EQ(expected, list[1].cards);
    EXPECT_EQ(linesBefore, m_log.lines().size());
}

TEST_F(SCardWithReaders, AtrThatCannotBeAskedAbout) {
    Cards cards;
    EXPECT_FALSE(m_scard.ListCards({}, cards));
    EXPECT_FALSE(m_scard.ListCards(Bytes(37, 0x3B), cards));
    EXPECT_TRUE(cards.empty());
    EXPECT_TRUE(m_log.has("SCardListCards(): failed 0x80100015, 0x80100015"));
}

TEST(SCardWithoutService, ReaderListFailsAndIsLogged) {
    Log log;
    CardReaders readers;
    readers.stop();
    TSCard scard;
    std::vector<std::string> names;
    EXPECT_FALSE(scard.GetReaderList(names));
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(0u, scard.Open());
    EXPECT_TRUE(log.has("SCardEstablishContext(): failed 0x8010001d, 0x8010001D (2148532253)"));

    const auto linesBefore = log.lines().size();
    std::vector<SCardReaderInfoW> wide;
    EXPECT_FALSE(scard.GetReaders(wide));
    EXPECT_FALSE(scard.WaitStatus(wide, 0));
    EXPECT_EQ(linesBefore, log.lines().size());
}

TEST(SCardWithoutReaders, ReaderListFailsAndIsLogged) {
    Log log;
    CardReaders readers(CardReaders::Readers::None);
    TSCard scard;
    std::vector<SCardReaderInfo> list;
    EXPECT_FALSE(scard.GetReaders(list));
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(log.has("SCardListReaders(): Cannot find a smart card reader."));
    EXPECT_FALSE(scard.WaitStatus(list, 0));
}

// GetCardCSP reads the registry only: no service needed.
class CardCsp : public ::testing::Test {
protected:
    testkit::PlatformRoot m_root;
    TSCard m_scard;
};

TEST_F(CardCsp, ValueOfExactly512BytesWithoutTerminator) {
    writeCspBytes("Full", std::string(512, 'C'));
    std::string csp;
    ASSERT_TRUE(m_scard.GetCardCSP("Full", csp));
    EXPECT_EQ(std::string(512, 'C'), csp);
    std::u16string wide;
    EXPECT_FALSE(m_scard.GetCardCSP(u"Full", wide));  // 1,024 bytes as UTF-16
}

TEST_F(CardCsp, TooLongOrMissingLeavesOutUnchanged) {
    writeCspBytes("TooLong", std::string(513, 'C'));
    introduce("NoCsp", kAtr20);
    std::string csp = "unchanged";
    EXPECT_FALSE(m_scard.GetCardCSP("TooLong", csp));
    EXPECT_FALSE(m_scard.GetCardCSP("NoCsp", csp));
    EXPECT_FALSE(m_scard.GetCardCSP("Unknown", csp));
    EXPECT_EQ("unchanged", csp);
}

TEST_F(CardCsp, TextIsCutAtItsTerminatorAndDravikRenamed) {
    writeCspBytes("Cut", std::string("Tesk Dravik v1.0\0junk", 21));
    writeCspBytes("Wide", std::string("Tesk Dravik v1.0", 17));
    std::string csp;
    ASSERT_TRUE(m_scard.GetCardCSP("Cut", csp));
    EXPECT_EQ("Tesk Dravik CSP v1.0", csp);
    std::u16string wide;
    ASSERT_TRUE(m_scard.GetCardCSP(u"Wide", wide));
    EXPECT_EQ(u"Tesk Dravik CSP v1.0", wide);
}

}  // namespace
