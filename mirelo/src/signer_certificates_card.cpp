// The provider of the smart card in a reader made the signer's current one.
#include <string>
#include <vector>

#include "common/csp_manager.h"
#include "common/scard.h"
#include "signer.h"
#include "signer_errors.h"

bool TSigner::SetPresentCardCSP(std::string& provider) {
    SIGNER_TRACE();
    TSCard card;
    std::vector<SCardReaderInfo> readers;
    if (!card.GetReaders(readers) || readers.empty()) return Record(kErrNoReader);
    // False both when the query fails and when no reader holds a card.
    if (!card.WaitStatus(readers, 0)) return Record(kErrNoCardStatus);
    LONG result = kErrCspNotUsable;
    for (const SCardReaderInfo& reader : readers) {
        if (!reader.present) continue;
        for (const auto& [name, csp] : reader.cards) {
            if (!TCSPManager::ProviderHasFlags(csp, kProviderSecureDevice)) continue;
            provider = csp;
            result = SetCSP(csp);
            if (result == 0) return Record(0, provider);
        }
    }
    return Record(result, provider);
}
