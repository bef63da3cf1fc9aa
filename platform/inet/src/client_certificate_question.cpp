// client_certificate_question.cpp: the choice of a client certificate
// among the user's own, those whose key the certificate names.
#include <vector>

#include "certificate_rows.h"
#include "client_credential.h"
#include "error_questions.h"
#include "platform/owned.h"
#include "platform/ui.h"
#include "win32/crypt_store.h"
#include "win32/ui.h"

namespace platform::inet {

namespace {

using Certificate = Owned<const CERT_CONTEXT, CertFreeCertificateContext>;

std::vector<Certificate> certificatesWithKeys() {
    std::vector<Certificate> found;
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                     CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_OPEN_EXISTING_FLAG |
                                         CERT_STORE_READONLY_FLAG,
                                     u"MY");
    if (!store) return found;
    for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(store, c));) {
        DWORD size = 0;
        if (CertGetCertificateContextProperty(c, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size))
            found.emplace_back(CertDuplicateCertificateContext(c));
    }
    CertCloseStore(store, 0);
    return found;
}

constexpr const char* kTitle = "Ověření klienta";

void tellThereIsNone(const std::string& server) {
    ui::MessageBoxRequest box{"Server " + server +
                                  " požaduje certifikát pro ověření klienta, ale mezi vašimi osobními certifikáty "
                                  "není žádný s privátním klíčem.",
                              kTitle, ui::Icon::Information, {IDOK}, 0, true};
    ui::backend().messageBox(box);
}

}  // namespace

DWORD askForClientCertificate(Request& request, const std::string& server, bool store) {
    const auto certificates = certificatesWithKeys();
    if (certificates.empty()) {
        tellThereIsNone(server);
        return ERROR_CANCELLED;
    }
    ui::CertificateChoiceRequest question{
        kTitle, "Server " + server + " požaduje identifikaci. Vyberte certifikát, kterým se prokážete.",
        certificateColumns(), {}};
    for (const auto& c : certificates) question.rows.push_back(certificateRow(c.get()));
    const auto chosen = ui::backend().chooseCertificate(question);
    if (!chosen) return ERROR_CANCELLED;
    if (store) request.clientCertificate = clientCredentialOf(certificates.at(*chosen).get());
    return ERROR_SUCCESS;
}

}  // namespace platform::inet
