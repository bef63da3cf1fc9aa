#include "chain/crl_lookup.h"

#include "chain/crl_cache.h"
#include "chain/crl_checks.h"
#include "chain/crl_download.h"
#include "store/file_time.h"

namespace platform::crypt::chain {

namespace {

CrlRef contextOf(const store::Bytes& der) {
    return CrlRef(CertCreateCRLContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
}

// The newest usable CRL of the stores.
CrlRef fromStores(const Link& subject, PCCERT_CONTEXT issuer, const EngineStores& stores, ULONGLONG now) {
    CrlRef best;
    for (CrlRef& crl : stores.crlsIssuedBy(subject.cert->pCertInfo->Issuer))
        if (crlUsable(crl.get(), issuer, now) &&
            (!best || store::ticksOf(crl->pCrlInfo->ThisUpdate) > store::ticksOf(best->pCrlInfo->ThisUpdate)))
            best = std::move(crl);
    return best;
}

CrlRef fromCache(const std::string& url, PCCERT_CONTEXT issuer, ULONGLONG now) {
    const auto der = processCrlCache().find(url, now);
    if (!der) return nullptr;
    CrlRef crl = contextOf(*der);
    return crl && crlUsable(crl.get(), issuer, now) ? std::move(crl) : nullptr;
}

// A server that cannot be reached, a reply that is not a CRL and a CRL that
// does not fit are all the same to the caller: no usable CRL from there.
CrlRef fetched(const std::string& url, PCCERT_CONTEXT issuer, ULONGLONG now) {
    store::Bytes der;
    try {
        der = downloadCrl(url);
    } catch (const WinError&) {
        return nullptr;
    }
    CrlRef crl = contextOf(der);
    if (!crl || !crlUsable(crl.get(), issuer, now)) return nullptr;
    processCrlCache().keep(url, std::move(der), store::ticksOf(crl->pCrlInfo->NextUpdate));
    return crl;
}

}  // namespace

CrlLookup findCrl(const Link& subject, PCCERT_CONTEXT issuer, const EngineStores& stores, bool fetch, ULONGLONG now) {
    if (CrlRef crl = fromStores(subject, issuer, stores, now)) return {CrlSource::Found, std::move(crl)};
    const auto& urls = subject.facts.crlUrls;
    if (urls.empty()) return {CrlSource::NoDistributionPoint, nullptr};
    for (const std::string& url : urls)
        if (CrlRef crl = fromCache(url, issuer, now)) return {CrlSource::Found, std::move(crl)};
    if (fetch)
        for (const std::string& url : urls)
            if (CrlRef crl = fetched(url, issuer, now)) return {CrlSource::Found, std::move(crl)};
    return {CrlSource::Unavailable, nullptr};
}

}  // namespace platform::crypt::chain
