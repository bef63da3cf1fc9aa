// Connections to a card: connect, exchange APDUs, disconnect.
#include <algorithm>

#include "handles.h"
#include "platform/boundary.h"
#include "platform/text.h"
#include "result_codes.h"
#include "win32/error_codes.h"
#include "win32/scard.h"

using namespace platform;
using namespace platform::scard;

const SCARD_IO_REQUEST g_rgSCardT0Pci{SCARD_PROTOCOL_T0, sizeof(SCARD_IO_REQUEST)};
const SCARD_IO_REQUEST g_rgSCardT1Pci{SCARD_PROTOCOL_T1, sizeof(SCARD_IO_REQUEST)};

namespace {

// The largest extended APDU answer pcsc-lite passes on.
constexpr DWORD kMaxAnswer = 65548;

void connect(SCARDCONTEXT hContext, const std::string& utf8Reader, DWORD dwShareMode, DWORD dwPreferredProtocols,
             LPSCARDHANDLE phCard, LPDWORD pdwActiveProtocol) {
    if (!phCard || !pdwActiveProtocol) throw WinError(SCARD_E_INVALID_PARAMETER, "null output pointer");
    lite::Handle card = 0;
    std::uint32_t active = 0;
    check(lite::connect(contexts().get(hContext)->lite, utf8Reader, dwShareMode, dwPreferredProtocols, card, active),
          "SCardConnect");
    *phCard = cards().add(std::make_shared<Card>(Card{card}));
    *pdwActiveProtocol = active;
}

}  // namespace

LONG SCardConnectA(SCARDCONTEXT hContext, LPCSTR szReader, DWORD dwShareMode, DWORD dwPreferredProtocols,
                   LPSCARDHANDLE phCard, LPDWORD pdwActiveProtocol) noexcept {
    return winLong([&] {
        if (!szReader) throw WinError(SCARD_E_INVALID_PARAMETER, "null reader name");
        connect(hContext, text::ansiToUtf8(szReader), dwShareMode, dwPreferredProtocols, phCard, pdwActiveProtocol);
    });
}

LONG SCardConnectW(SCARDCONTEXT hContext, LPCWSTR szReader, DWORD dwShareMode, DWORD dwPreferredProtocols,
                   LPSCARDHANDLE phCard, LPDWORD pdwActiveProtocol) noexcept {
    return winLong([&] {
        if (!szReader) throw WinError(SCARD_E_INVALID_PARAMETER, "null reader name");
        connect(hContext, text::toUtf8(szReader), dwShareMode, dwPreferredProtocols, phCard, pdwActiveProtocol);
    });
}

LONG SCardDisconnect(SCARDHANDLE hCard, DWORD dwDisposition) noexcept {
    return winLong([&] { check(lite::disconnect(cards().remove(hCard)->lite, dwDisposition), "SCardDisconnect"); });
}

LONG SCardTransmit(SCARDHANDLE hCard, const SCARD_IO_REQUEST* pioSendPci, const BYTE* pbSendBuffer, DWORD cbSendLength,
                   SCARD_IO_REQUEST* pioRecvPci, LPBYTE pbRecvBuffer, LPDWORD pcbRecvLength) noexcept {
    return winLong([&] {
        if (!pioSendPci || !pbSendBuffer || !pbRecvBuffer || !pcbRecvLength)
            throw WinError(SCARD_E_INVALID_PARAMETER, "null argument");
        const auto card = cards().get(hCard)->lite;
        std::vector<std::uint8_t> answer(std::min(*pcbRecvLength, kMaxAnswer));
        check(lite::transmit(card, pioSendPci->dwProtocol, {pbSendBuffer, cbSendLength}, answer), "SCardTransmit");
        std::copy(answer.begin(), answer.end(), pbRecvBuffer);
        *pcbRecvLength = static_cast<DWORD>(answer.size());
        if (pioRecvPci) *pioRecvPci = {pioSendPci->dwProtocol, sizeof(SCARD_IO_REQUEST)};
    });
}
