// pcsc-lite's side of the PC/SC calls: only pcsc-lite's headers here.
#include "lite.h"

#include <PCSC/winscard.h>

#include <cstring>

namespace platform::scard::lite {

namespace {

// WinSCard numbers the raw protocol 0x10000, pcsc-lite 4; T=0 and T=1 agree.
constexpr std::uint32_t kWinScardRaw = 0x10000;

DWORD toLiteProtocols(std::uint32_t protocols) {
    DWORD lite = protocols & (SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1);
    if (protocols & kWinScardRaw) lite |= SCARD_PROTOCOL_RAW;
    return lite;
}

std::uint32_t fromLiteProtocol(DWORD protocol) {
    std::uint32_t ours = static_cast<std::uint32_t>(protocol & (SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1));
    if (protocol & SCARD_PROTOCOL_RAW) ours |= kWinScardRaw;
    return ours;
}


}  // namespace

Result establishContext(std::uint32_t scope, Handle& context) {
    SCARDCONTEXT c = 0;
    const LONG rv = SCardEstablishContext(scope, nullptr, nullptr, &c);
    if (rv == SCARD_S_SUCCESS) context = c;
    return rv;
}

Result releaseContext(Handle context) { return SCardReleaseContext(static_cast<SCARDCONTEXT>(context)); }

Result isValidContext(Handle context) { return SCardIsValidContext(static_cast<SCARDCONTEXT>(context)); }

Result cancel(Handle context) { return SCardCancel(static_cast<SCARDCONTEXT>(context)); }

Result listReaders(Handle context, std::vector<std::string>& utf8Names) {
    const auto c = static_cast<SCARDCONTEXT>(context);
    char* list = nullptr;
    DWORD length = SCARD_AUTOALLOCATE;
    const LONG rv = SCardListReaders(c, nullptr, reinterpret_cast<char*>(&list), &length);
    if (rv != SCARD_S_SUCCESS) return rv;
    for (const char* p = list; p < list + length && *p; p += std::strlen(p) + 1) utf8Names.emplace_back(p);
    SCardFreeMemory(c, list);
    return rv;
}

Result getStatusChange(Handle context, std::uint32_t timeout, std::vector<ReaderState>& states) {
    std::vector<SCARD_READERSTATE> lite(states.size());
    for (std::size_t i = 0; i < states.size(); ++i) {
        lite[i].szReader = states[i].utf8Name.c_str();
        lite[i].dwCurrentState = states[i].currentState;
    }
    const LONG rv = SCardGetStatusChange(static_cast<SCARDCONTEXT>(context), timeout, lite.data(),
                                         static_cast<DWORD>(lite.size()));
    if (rv != SCARD_S_SUCCESS) return rv;
    for (std::size_t i = 0; i < states.size(); ++i) {
        states[i].eventState = static_cast<std::uint32_t>(lite[i].dwEventState);
        const std::size_t n = lite[i].cbAtr < MAX_ATR_SIZE ? lite[i].cbAtr : MAX_ATR_SIZE;
        states[i].atr.assign(lite[i].rgbAtr, lite[i].rgbAtr + n);
    }
    return rv;
}

Result connect(Handle context, const std::string& utf8Reader, std::uint32_t shareMode, std::uint32_t protocols,
               Handle& card, std::uint32_t& activeProtocol) {
    SCARDHANDLE h = 0;
    DWORD active = 0;
    const LONG rv = SCardConnect(static_cast<SCARDCONTEXT>(context), utf8Reader.c_str(), shareMode,
                                 toLiteProtocols(protocols), &h, &active);
    if (rv != SCARD_S_SUCCESS) return rv;
    card = h;
    activeProtocol = fromLiteProtocol(active);
    return rv;
}

Result disconnect(Handle card, std::uint32_t disposition) {
    return SCardDisconnect(static_cast<SCARDHANDLE>(card), disposition);
}

Result transmit(Handle card, std::uint32_t protocol, std::span<const std::uint8_t> sent,
                std::vector<std::uint8_t>& received) {
    // Our own request rather than pcsc-lite's g_rgSCard*Pci: the layer defines
    // globals of those names in its own (32-bit) layout.
    const SCARD_IO_REQUEST pci{toLiteProtocols(protocol), sizeof(SCARD_IO_REQUEST)};
    DWORD length = static_cast<DWORD>(received.size());
    const LONG rv = SCardTransmit(static_cast<SCARDHANDLE>(card), &pci, sent.data(),
                                  static_cast<DWORD>(sent.size()), nullptr, received.data(), &length);
    if (rv == SCARD_S_SUCCESS) received.resize(length);
    return rv;
}

}  // namespace platform::scard::lite
