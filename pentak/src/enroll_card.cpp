// CEnroll: the card in the reader, its number, and the prepared request
// stored on it.
#include <algorithm>
#include <cstdio>

#include "common/cryptoapi.h"
#include "common/scard.h"
#include "enroll.h"
#include "enroll_report.h"
#include "import_request.h"
#include "known_providers.h"
#include "select_card_dialog.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace {

DWORD failWith(DWORD code) {
    SetLastError(code);
    return CEnroll::ResultFromStatus(false, code);
}

// Every inserted card of a type the database gives a provider, by reader.
std::vector<SmartCardOffer> offersOf(const std::vector<SCardReaderInfoW>& readers) {
    std::vector<SmartCardOffer> offers;
    for (const auto& reader : readers) {
        if (!(reader.present & SCARD_STATE_PRESENT)) continue;
        for (const auto& [card, provider] : reader.cards)
            if (!provider.empty()) offers.push_back({reader.reader, card, provider});
    }
    return offers;
}

}  // namespace

DWORD CEnroll::GetPresentCardCSP(std::u16string& provider) {
    m_providerName.reset();
    m_smartCardReaderName.reset();
    m_smartCardName.reset();
    m_providerType = PROV_RSA_FULL;

    TSCard scard;
    std::vector<SCardReaderInfoW> readers;
    if (!scard.GetReaders(readers) || readers.empty()) return failWith(static_cast<DWORD>(SCARD_E_UNKNOWN_READER));
    if (!scard.WaitStatus(readers, 0)) return failWith(static_cast<DWORD>(SCARD_E_NO_SMARTCARD));
    const std::vector<SmartCardOffer> offers = offersOf(readers);
    if (offers.empty()) return failWith(static_cast<DWORD>(SCARD_E_CARD_UNSUPPORTED));

    std::size_t chosen = 0;
    if (offers.size() > 1) {
        TSelectCardDlg dialog(offers);
        const int end = dialog.DoModal(GetActiveWindow());
        if (end == -1) return ResultFromStatus(false, GetLastError());
        if (end != IDOK) return failWith(ERROR_CANCELLED);
        if (dialog.GetSelected() < 0) return failWith(static_cast<DWORD>(NTE_FAIL));
        chosen = static_cast<std::size_t>(dialog.GetSelected());
    }
    const SmartCardOffer& card = offers[chosen];

    std::vector<TCryptProviderW> installed;
    TCryptoapi::EnumProviders(installed, 0);
    const auto found = std::find_if(installed.begin(), installed.end(),
                                    [&](const TCryptProviderW& p) { return p.name == card.provider; });
    if (found == installed.end()) return failWith(static_cast<DWORD>(NTE_BAD_PROVIDER));

    provider = card.provider;
    m_providerName = card.provider;
    m_providerType = found->type;
    m_smartCardReaderName = card.reader;
    m_smartCardName = card.card;
    return 0;
}

DWORD CEnroll::GetCardNumber(std::u16string& number) {
    if (!m_providerName || m_providerName->empty()) return failWith(static_cast<DWORD>(NTE_BAD_PROVIDER));
    const TCryptProviderW* kavlo = FindKnownProvider(kKavloCspName);
    if (*m_providerName == kKavloCspName && kavlo && m_providerType == kavlo->type) {
        TCryptoapi cryptoapi;
        if (cryptoapi.ReadCardNumber(*m_providerName, m_providerType, FullContainerName(), number)) return 0;
        return ResultFromStatus(false, cryptoapi.GetLastErrorCode());
    }
    std::u16string module;
    if (!ModuleForCsp(*m_providerName, module)) return failWith(ERROR_NOT_SUPPORTED);
    std::u16string serial;
    TPkcs11ImpReq token(module);
    const DWORD result = token.GetTokenSerial(serial);
    if (result != 0) return result;
    number = serial;
    return 0;
}

BOOL CEnroll::RequestImport(std::u16string_view request) {
    if (!m_providerName || m_providerName->empty()) {
        SetLastError(static_cast<DWORD>(NTE_BAD_PROVIDER));
        return FALSE;
    }
    if (request.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    TImportRequest import;
    const DWORD result =
        import.Import(*m_providerName, m_providerType, FullContainerName(), m_keySpec, std::u16string(request));
    if (result == 0) return TRUE;
    char text[48];
    std::snprintf(text, sizeof text, "module result 0x%08lx", static_cast<unsigned long>(import.LastModuleResult()));
    ReportError(kFailureLevel, static_cast<int>(result), text, "Enroll", 3834);
    return FALSE;
}
