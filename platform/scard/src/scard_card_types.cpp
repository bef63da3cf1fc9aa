// The card-database entry points: card names by ATR, introducing and
// forgetting card types, and their CSP names. The database needs no running
// resource manager, so a null context is accepted throughout.
#include "atr.h"
#include "card_database.h"
#include "handles.h"
#include "out_text.h"
#include "platform/boundary.h"
#include "platform/text.h"
#include "win32/error_codes.h"
#include "win32/scard.h"

using namespace platform;
using namespace platform::scard;

namespace {

std::u16string wideOf(LPCSTR ansi, const char* what) {
    if (!ansi) throw WinError(SCARD_E_INVALID_PARAMETER, std::string("null ") + what);
    return text::toWide(ansi);
}
std::u16string wideOf(LPCWSTR wide, const char* what) {
    if (!wide) throw WinError(SCARD_E_INVALID_PARAMETER, std::string("null ") + what);
    return wide;
}
void convert(std::u16string_view wide, std::string& out) { out = text::toNarrow(wide); }
void convert(std::u16string_view wide, std::u16string& out) { out = wide; }

void requireNoInterfaces(const GUID* interfaces, DWORD count) {
    if (interfaces && count) throw WinError(SCARD_E_INVALID_PARAMETER, "card interfaces are not kept");
}

void requireCsp(DWORD dwProviderId) {
    if (dwProviderId != SCARD_PROVIDER_CSP) throw WinError(SCARD_E_INVALID_PARAMETER, "only the CSP name is kept");
}

template <class Char>
void listCards(SCARDCONTEXT hContext, const BYTE* pbAtr, const GUID* interfaces, DWORD count, Char* mszCards,
               DWORD* pcchCards) {
    requireContextOrNull(hContext);
    requireNoInterfaces(interfaces, count);
    if (pbAtr && !measureAtr(pbAtr)) throw WinError(SCARD_E_INVALID_ATR, "ATR structure longer than 33 bytes");
    const auto wide = database::cardsFor(pbAtr);
    std::vector<std::basic_string<Char>> names(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) convert(wide[i], names[i]);
    copyOutMultiString(names, mszCards, pcchCards);
}

// A length of 0 takes the ATR's length from its structure. The primary
// provider is not kept: nothing asks for it.
template <class Char>
void introduce(SCARDCONTEXT hContext, const Char* card, const GUID* interfaces, DWORD count, const BYTE* pbAtr,
               const BYTE* pbAtrMask, DWORD cbAtrLen) {
    requireContextOrNull(hContext);
    const auto name = wideOf(card, "card name");
    requireNoInterfaces(interfaces, count);
    if (!pbAtr) throw WinError(SCARD_E_INVALID_PARAMETER, "null ATR");
    std::size_t length = cbAtrLen;
    if (length == 0) {
        const auto measured = measureAtr(pbAtr);
        if (!measured) throw WinError(SCARD_E_INVALID_ATR, "ATR structure longer than 33 bytes");
        length = *measured;
    }
    if (length < 2 || length > kMaxAtrLength) throw WinError(SCARD_E_INVALID_PARAMETER, "ATR length out of range");
    const std::span<const BYTE> mask = pbAtrMask ? std::span<const BYTE>(pbAtrMask, length) : std::span<const BYTE>{};
    database::introduce(name, {pbAtr, length}, mask);
}

template <class Char>
void forget(SCARDCONTEXT hContext, const Char* card) {
    requireContextOrNull(hContext);
    database::forget(wideOf(card, "card name"));
}

template <class Char>
void setProviderName(SCARDCONTEXT hContext, const Char* card, DWORD dwProviderId, const Char* provider) {
    requireContextOrNull(hContext);
    requireCsp(dwProviderId);
    database::setCryptoProvider(wideOf(card, "card name"), wideOf(provider, "provider name"));
}

template <class Char>
void getProviderName(SCARDCONTEXT hContext, const Char* card, DWORD dwProviderId, Char* szProvider,
                     DWORD* pcchProvider) {
    requireContextOrNull(hContext);
    requireCsp(dwProviderId);
    std::basic_string<Char> provider;
    convert(database::cryptoProvider(wideOf(card, "card name")), provider);
    copyOutString(provider, szProvider, pcchProvider);
}

}  // namespace

LONG SCardListCardsA(SCARDCONTEXT hContext, const BYTE* pbAtr, const GUID* rgquidInterfaces,
                     DWORD cguidInterfaceCount, LPSTR mszCards, LPDWORD pcchCards) noexcept {
    return winLong([&] { listCards(hContext, pbAtr, rgquidInterfaces, cguidInterfaceCount, mszCards, pcchCards); });
}

LONG SCardListCardsW(SCARDCONTEXT hContext, const BYTE* pbAtr, const GUID* rgquidInterfaces,
                     DWORD cguidInterfaceCount, LPWSTR mszCards, LPDWORD pcchCards) noexcept {
    return winLong([&] { listCards(hContext, pbAtr, rgquidInterfaces, cguidInterfaceCount, mszCards, pcchCards); });
}

LONG SCardIntroduceCardTypeA(SCARDCONTEXT hContext, LPCSTR szCardName, const GUID*, const GUID* rgguidInterfaces,
                             DWORD dwInterfaceCount, const BYTE* pbAtr, const BYTE* pbAtrMask,
                             DWORD cbAtrLen) noexcept {
    return winLong(
        [&] { introduce(hContext, szCardName, rgguidInterfaces, dwInterfaceCount, pbAtr, pbAtrMask, cbAtrLen); });
}

LONG SCardIntroduceCardTypeW(SCARDCONTEXT hContext, LPCWSTR szCardName, const GUID*, const GUID* rgguidInterfaces,
                             DWORD dwInterfaceCount, const BYTE* pbAtr, const BYTE* pbAtrMask,
                             DWORD cbAtrLen) noexcept {
    return winLong(
        [&] { introduce(hContext, szCardName, rgguidInterfaces, dwInterfaceCount, pbAtr, pbAtrMask, cbAtrLen); });
}

LONG SCardForgetCardTypeA(SCARDCONTEXT hContext, LPCSTR szCardName) noexcept {
    return winLong([&] { forget(hContext, szCardName); });
}

LONG SCardForgetCardTypeW(SCARDCONTEXT hContext, LPCWSTR szCardName) noexcept {
    return winLong([&] { forget(hContext, szCardName); });
}

LONG SCardSetCardTypeProviderNameA(SCARDCONTEXT hContext, LPCSTR szCardName, DWORD dwProviderId,
                                   LPCSTR szProvider) noexcept {
    return winLong([&] { setProviderName(hContext, szCardName, dwProviderId, szProvider); });
}

LONG SCardSetCardTypeProviderNameW(SCARDCONTEXT hContext, LPCWSTR szCardName, DWORD dwProviderId,
                                   LPCWSTR szProvider) noexcept {
    return winLong([&] { setProviderName(hContext, szCardName, dwProviderId, szProvider); });
}

LONG SCardGetCardTypeProviderNameA(SCARDCONTEXT hContext, LPCSTR szCardName, DWORD dwProviderId, LPSTR szProvider,
                                   LPDWORD pcchProvider) noexcept {
    return winLong([&] { getProviderName(hContext, szCardName, dwProviderId, szProvider, pcchProvider); });
}

LONG SCardGetCardTypeProviderNameW(SCARDCONTEXT hContext, LPCWSTR szCardName, DWORD dwProviderId, LPWSTR szProvider,
                                   LPDWORD pcchProvider) noexcept {
    return winLong([&] { getProviderName(hContext, szCardName, dwProviderId, szProvider, pcchProvider); });
}
