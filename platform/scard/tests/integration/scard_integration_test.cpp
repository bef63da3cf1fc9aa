// The SCard* calls through a pcscd of the test's own, the vpcd readers and
// our virtual cards.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "testkit/card_reader.h"
#include "win32/error_codes.h"
#include "win32/scard.h"

namespace {

using testkit::Bytes;
using testkit::CardReaders;

const Bytes kAtr20 = {0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00,
                      0x03, 0x06, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x6A};
const Bytes kAtr33 = {0x3B, 0xFF, 0x96, 0x00, 0x00, 0xF1, 0x00, 0x00, 0x00, 0xF1, 0xFE, 0x45, 0x00, 0x71, 0x00, 0x00, 0x00,
                      0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0xE3};

class Context {
public:
    Context() { EXPECT_EQ(SCARD_S_SUCCESS, SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &m_context)); }
    ~Context() {
        if (m_context) SCardReleaseContext(m_context);
    }
    SCARDCONTEXT get() const { return m_context; }

private:
    SCARDCONTEXT m_context = 0;
};

SCARD_READERSTATEA stateOf(const Context& context, int reader) {
    const std::string name = CardReaders::readerName(reader);
    SCARD_READERSTATEA state{};
    std::memset(state.rgbAtr, 0xEE, sizeof state.rgbAtr);
    state.szReader = name.c_str();
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    EXPECT_EQ(SCARD_S_SUCCESS, SCardGetStatusChangeA(context.get(), 0, &state, 1));
    state.szReader = nullptr;
    return state;
}

Bytes atrOf(const SCARD_READERSTATEA& state) { return Bytes(state.rgbAtr, state.rgbAtr + state.cbAtr); }

TEST(ScardReaders, ListsTheTwoVirtualReadersNarrowAndWide) {
    CardReaders readers;
    Context context;
    char narrow[256];
    DWORD size = sizeof narrow;
    ASSERT_EQ(SCARD_S_SUCCESS, SCardListReadersA(context.get(), nullptr, narrow, &size));
    EXPECT_EQ(std::string("Virtual PCD 00 00\0Virtual PCD 00 01\0\0", 37), std::string(narrow, size));

    WCHAR* wide = nullptr;
    size = SCARD_AUTOALLOCATE;
    ASSERT_EQ(SCARD_S_SUCCESS, SCardListReadersW(context.get(), nullptr, reinterpret_cast<WCHAR*>(&wide), &size));
    EXPECT_EQ(std::u16string(u"Virtual PCD 00 00\0Virtual PCD 00 01\0\0", 37), std::u16string(wide, size));
    EXPECT_EQ(SCARD_S_SUCCESS, SCardFreeMemory(context.get(), wide));
}

TEST(ScardReaders, StatusShowsInsertedAndRemovedCards) {
    CardReaders readers;
    Context context;
    auto empty = stateOf(context, 0);
    EXPECT_TRUE(empty.dwEventState & SCARD_STATE_EMPTY);
    EXPECT_FALSE(empty.dwEventState & SCARD_STATE_PRESENT);
    EXPECT_EQ(0u, empty.cbAtr);

    auto card = readers.insert(1, kAtr20);
    auto present = stateOf(context, 1);
    EXPECT_TRUE(present.dwEventState & SCARD_STATE_PRESENT);
    EXPECT_EQ(kAtr20, atrOf(present));
    // Our ATR buffer is 36 bytes, pcsc-lite's 33: what lies beyond is zero.
    for (DWORD i = present.cbAtr; i < SCARD_ATR_BUFFER; ++i) EXPECT_EQ(0, present.rgbAtr[i]) << i;
    EXPECT_FALSE(stateOf(context, 0).dwEventState & SCARD_STATE_PRESENT);

    card->remove();
    EXPECT_FALSE(stateOf(context, 1).dwEventState & SCARD_STATE_PRESENT);
}

TEST(ScardReaders, TheLongestAtrArrivesWhole) {
    CardReaders readers;
    Context context;
    auto card = readers.insert(0, kAtr33);
    EXPECT_EQ(kAtr33, atrOf(stateOf(context, 0)));
}

TEST(ScardReaders, BothReadersInOneQuery) {
    CardReaders readers;
    auto first = readers.insert(0, kAtr20);
    auto second = readers.insert(1, kAtr33);
    Context context;
    SCARD_READERSTATEW states[2] = {};
    const std::u16string wideNames[2] = {u"Virtual PCD 00 00", u"Virtual PCD 00 01"};
    for (int i = 0; i < 2; ++i) states[i].szReader = wideNames[i].c_str();
    ASSERT_EQ(SCARD_S_SUCCESS, SCardGetStatusChangeW(context.get(), 0, states, 2));
    EXPECT_EQ(kAtr20, Bytes(states[0].rgbAtr, states[0].rgbAtr + states[0].cbAtr));
    EXPECT_EQ(kAtr33, Bytes(states[1].rgbAtr, states[1].rgbAtr + states[1].cbAtr));
}

TEST(ScardConnection, ApdusReachTheCardAndAnswersComeBack) {
    CardReaders readers;
    auto card = readers.insert(0, kAtr20, [](const Bytes& apdu) {
        return apdu[1] == 0xA4 ? Bytes{0x01, 0x02, 0x90, 0x00} : Bytes{0x6D, 0x00};
    });
    Context context;
    SCARDHANDLE handle = 0;
    DWORD protocol = 0;
    ASSERT_EQ(SCARD_S_SUCCESS, SCardConnectA(context.get(), CardReaders::readerName(0).c_str(), SCARD_SHARE_SHARED,
                                             SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &handle, &protocol));
    EXPECT_TRUE(protocol == SCARD_PROTOCOL_T0 || protocol == SCARD_PROTOCOL_T1);
    const SCARD_IO_REQUEST* pci = protocol == SCARD_PROTOCOL_T0 ? SCARD_PCI_T0 : SCARD_PCI_T1;

    const Bytes select = {0x00, 0xA4, 0x04, 0x00, 0x02, 0x3F, 0x00};
    BYTE answer[258];
    DWORD length = sizeof answer;
    ASSERT_EQ(SCARD_S_SUCCESS, SCardTransmit(handle, pci, select.data(), static_cast<DWORD>(select.size()), nullptr,
                                             answer, &length));
    EXPECT_EQ((Bytes{0x01, 0x02, 0x90, 0x00}), Bytes(answer, answer + length));
    const Bytes other = {0x00, 0xCA, 0x00, 0x00, 0x00};
    length = sizeof answer;
    ASSERT_EQ(SCARD_S_SUCCESS, SCardTransmit(handle, pci, other.data(), static_cast<DWORD>(other.size()), nullptr,
                                             answer, &length));
    EXPECT_EQ((Bytes{0x6D, 0x00}), Bytes(answer, answer + length));
    EXPECT_EQ((std::vector<Bytes>{select, other}), card->apdus());

    EXPECT_EQ(SCARD_S_SUCCESS, SCardDisconnect(handle, SCARD_LEAVE_CARD));
    EXPECT_EQ(SCARD_E_INVALID_HANDLE, SCardDisconnect(handle, SCARD_LEAVE_CARD));
    length = sizeof answer;
    EXPECT_EQ(SCARD_E_INVALID_HANDLE,
              SCardTransmit(handle, pci, select.data(), static_cast<DWORD>(select.size()), nullptr, answer, &length));
}

TEST(ScardConnection, AnEmptyReaderHasNoCardToConnectTo) {
    CardReaders readers;
    Context context;
    SCARDHANDLE handle = 0;
    DWORD protocol = 0;
    EXPECT_EQ(SCARD_E_NO_SMARTCARD, SCardConnectW(context.get(), u"Virtual PCD 00 01", SCARD_SHARE_SHARED,
                                                  SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &handle, &protocol));
}

TEST(ScardContext, ContextsAreCheckedAndReleasedOnce) {
    CardReaders readers;
    SCARDCONTEXT context = 0;
    ASSERT_EQ(SCARD_S_SUCCESS, SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context));
    EXPECT_EQ(SCARD_S_SUCCESS, SCardIsValidContext(context));
    EXPECT_EQ(SCARD_S_SUCCESS, SCardReleaseContext(context));
    EXPECT_EQ(SCARD_E_INVALID_HANDLE, SCardIsValidContext(context));
    EXPECT_EQ(SCARD_E_INVALID_HANDLE, SCardReleaseContext(context));
    DWORD size = 0;
    EXPECT_EQ(SCARD_E_INVALID_HANDLE, SCardListReadersA(context, nullptr, nullptr, &size));
    EXPECT_EQ(SCARD_E_INVALID_PARAMETER, SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, nullptr));
}

TEST(ScardService, StoppedServiceIsNoService) {
    CardReaders readers;
    readers.stop();
    SCARDCONTEXT context = 0;
    EXPECT_EQ(SCARD_E_NO_SERVICE, SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context));
}

TEST(ScardService, NoReaderAttached) {
    CardReaders readers(CardReaders::Readers::None);
    Context context;
    DWORD size = 0;
    EXPECT_EQ(SCARD_E_NO_READERS_AVAILABLE, SCardListReadersA(context.get(), nullptr, nullptr, &size));
}

}  // namespace
