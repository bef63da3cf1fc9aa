// What one PKCS#10 request is made from: the request model's subject,
// alternative names and extended key usages, its provider and container,
// and the key's generation settings; and the error a provider's failure
// is shown as.
#pragma once

#include <string>

#include "halvex/provider_list.h"
#include "halvex/request_model.h"

namespace halvex {

// A kind of two certificates at once (a Parvel pair or a lawyer card's
// pair): request 2 is the commercial one.
inline bool IsPairKind(DWORD kind) { return (kind & (kKindParvelPair | kKindLawyerCardPair)) != 0; }

inline constexpr LONG kKeySpecExchange = 1;
inline constexpr LONG kKeySpecSignature = 2;

struct RequestKeyParams {
    RequestAttrs subject;
    RequestAttrs altNames;
    RequestAttrs extKeyUsage;
    std::u16string provider;
    LONG providerType = 1;
    std::u16string container;
    std::u16string resultContainer;  // the key's container once selected or generated
    LONG genKeyFlags = 0;            // key length << 16, 1 exportable, 2 strong protection
    LONG keySpec = kKeySpecExchange;
    LONG generationKeySpec = 0;      // 0: the key spec also while generating
    LONG keyUsage = 0;               // bits 0-4: signature, non-repudiation, key, data, agreement
    bool generateKey = true;
    bool signatureAlgorithmSet = true;
    std::u16string signatureAlgorithm;
    bool keyGenerated = false;
};

// The key spec of a request: for a Parvel pair the signature key for the
// qualified certificate; otherwise the signature key only for the main
// request asking for exactly digital signature and non-repudiation.
LONG RequestKeySpec(const TCertRequest& request, bool secondary);

// The parameters of the main request (secondary false) or of a further one.
// A further request of a Parvel pair keeps the key of a provider that holds
// the pair's keys natively. Given name and surname typed on the data page
// go into the subject once: each is appended, or takes the place of the
// subject's own name of its kind; the request's own list is left as it is.
RequestKeyParams BuildRequestKeyParams(const TCertRequest& request, bool secondary, const TCSPManager& providers);

// The message a provider's failure is shown with: the card providers' and
// the other providers' error codes as known messages, anything else the
// default.
int MapCspError(const std::u16string& provider, DWORD error, int defaultId);

// The provider's error a failing status of the enrolment object carries: a
// system error wrapped as a status (0x8007xxxx) is its code; a provider's
// or a card's status is the error itself. The status is read rather than
// the thread's last error, which the object's later housekeeping may
// overwrite.
DWORD ProviderError(HRESULT result);

}  // namespace halvex
