#include "certification_path.h"

#include <array>

#include "certificate_texts.h"
#include "platform/win_error.h"
#include "win32/crypt_chain.h"
#include "win32/error.h"

namespace platform::cryptui {

namespace {

struct Problem {
    DWORD bits;
    const char* text;
};

// The worst problem first: a path shows the first of these it has.
constexpr std::array<Problem, 10> kProblems{{
    {CERT_TRUST_IS_NOT_SIGNATURE_VALID, "Digitální podpis certifikátu je neplatný."},
    {CERT_TRUST_IS_REVOKED, "Certifikát byl odvolán certifikační autoritou."},
    {CERT_TRUST_IS_UNTRUSTED_ROOT,
     "Kořenový certifikát certifikační autority není důvěryhodný, protože není v úložišti důvěryhodných kořenových "
     "certifikačních autorit."},
    {CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_CYCLIC,
     "Certifikát nelze ověřit až ke kořenové certifikační autoritě."},
    {CERT_TRUST_IS_NOT_TIME_VALID, "Platnost certifikátu vypršela nebo ještě nezačala."},
    {CERT_TRUST_IS_NOT_VALID_FOR_USAGE, "Certifikát není platný pro požadovaný účel."},
    {CERT_TRUST_INVALID_BASIC_CONSTRAINTS, "Základní omezení certifikátu nedovolují jeho místo v cestě."},
    {CERT_TRUST_INVALID_EXTENSION, "Certifikát obsahuje neplatné nebo neznámé kritické rozšíření."},
    {CERT_TRUST_INVALID_NAME_CONSTRAINTS | CERT_TRUST_INVALID_POLICY_CONSTRAINTS |
         CERT_TRUST_HAS_NOT_SUPPORTED_NAME_CONSTRAINT | CERT_TRUST_HAS_NOT_DEFINED_NAME_CONSTRAINT |
         CERT_TRUST_HAS_NOT_PERMITTED_NAME_CONSTRAINT | CERT_TRUST_HAS_EXCLUDED_NAME_CONSTRAINT,
     "Certifikát porušuje omezení názvů nebo zásad své cesty."},
    {CERT_TRUST_IS_NOT_TIME_NESTED, "Platnost certifikátu přesahuje platnost certifikátu vystavitele."},
}};

std::string statusText(DWORD errors) {
    for (const auto& problem : kProblems)
        if (errors & problem.bits) return problem.text;
    return errors ? "Certifikát nelze ověřit." : "Tento certifikát je v pořádku.";
}

using HeldChain = Owned<const CERT_CHAIN_CONTEXT, CertFreeCertificateChain>;

HeldStore collectionOf(const std::vector<HCERTSTORE>& stores) {
    if (stores.empty()) return nullptr;
    HeldStore collection(CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr));
    if (!collection) throw WinError(GetLastError(), "cannot open a collection store");
    for (HCERTSTORE store : stores)
        if (!CertAddStoreToCollection(collection.get(), store, 0, 0))
            throw WinError(GetLastError(), "cannot read one of the stores given");
    return collection;
}

}  // namespace

CertificationPath certificationPath(PCCERT_CONTEXT certificate, const std::vector<HCERTSTORE>& extraStores) {
    const HeldStore extra = collectionOf(extraStores);
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    PCCERT_CHAIN_CONTEXT built = nullptr;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, extra.get(), &para, 0, nullptr, &built))
        throw WinError(GetLastError(), "cannot build the certification path");
    const HeldChain chain(built);
    CertificationPath path;
    const CERT_SIMPLE_CHAIN& simple = *chain->rgpChain[0];
    for (DWORD i = simple.cElement; i-- > 0;) {
        const CERT_CHAIN_ELEMENT& element = *simple.rgpElement[i];
        path.certificates.push_back(
            {displayName(element.pCertContext), statusText(element.TrustStatus.dwErrorStatus)});
    }
    path.verdict = statusText(chain->TrustStatus.dwErrorStatus);
    return path;
}

}  // namespace platform::cryptui
