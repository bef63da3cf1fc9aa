// Keys and PKCS#10 requests through the enrolment object: the provider's
// check of a request's signature algorithm and key length, and one request
// made from its parameters, on a key selected or generated for it.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "halvex/provider_list.h"
#include "halvex/request_model.h"
#include "request_key_params.h"

struct IPentak;

namespace halvex {

class RequestCreation {
public:
    // busyText, when given, shows each step's text in the busy window.
    RequestCreation(IPentak& pentak, const TCSPManager& providers,
                    std::function<void(UINT textId)> busyText = nullptr)
        : m_pentak(pentak), m_providers(providers), m_busyText(std::move(busyText)) {}

    // Whether the request's provider offers its signature algorithm (4051
    // otherwise) and its key length (4052 otherwise); each refusal is shown.
    bool CheckProvider(const TCertRequest& request);

    // Selects or generates the key and makes the request; on success pem is
    // the request armoured, ending with a line feed. A failure is shown;
    // params tell whether a key was generated and in which container.
    bool CreatePKCS10(RequestKeyParams& params, std::u16string& pem);

    // Asks whether the key generated for a request that was not made is to
    // be deleted, and on Yes deletes its container (the enrolment object
    // asks once more).
    void OfferKeyDeletion(const RequestKeyParams& params);

private:
    // The steps after the settings, each showing its own failure: the
    // requested extensions, signature algorithm, subject and alternative
    // names; the key selected or generated; the card information; the
    // request signed and armoured.
    bool MakeRequest(RequestKeyParams& params, std::u16string& pem);
    bool DescribeRequest(const RequestKeyParams& params);
    bool ProvideKey(RequestKeyParams& params);
    bool AddCardInformation(const RequestKeyParams& params);
    bool SignRequest(const RequestKeyParams& params, std::u16string& pem);
    void ShowBusy(UINT textId) const {
        if (m_busyText) m_busyText(textId);
    }

    IPentak& m_pentak;
    const TCSPManager& m_providers;
    std::function<void(UINT)> m_busyText;
};

}  // namespace halvex
