#include "chain/crl_lookup.h"

#include <algorithm>

#include "chain/crl_cache.h"
#include "chain/crl_download.h"
#include "store/file_time.h"

namespace platform::crypt::chain {

namespace {

CrlRef contextOf(const store::Bytes& der) {
    return CrlRef(CertCreateCRLContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
}

// The certificate's issuer and the points' CRL issuers, each once.
std::vector<der::Bytes> issuerNames(const CERT_INFO& cert, const std::vector<DistributionPoint>& points) {
    const store::View issuer = store::viewOf(cert.Issuer);
    std::vector<der::Bytes> names{der::Bytes(issuer.begin(), issuer.end())};
    for (const DistributionPoint& point : points)
        for (const der::Bytes& generalName : point.crlIssuer) {
            const der::View name = nameOfDirectoryName(generalName);
            der::Bytes bytes(name.begin(), name.end());
            if (!name.empty() && std::find(names.begin(), names.end(), bytes) == names.end())
                names.push_back(std::move(bytes));
        }
    return names;
}

}  // namespace

std::vector<CrlRef> crlsAtHand(const CERT_INFO& cert, const std::vector<DistributionPoint>& points,
                               const std::vector<std::string>& urls, const EngineStores& stores, ULONGLONG now) {
    std::vector<CrlRef> crls;
    for (der::Bytes& name : issuerNames(cert, points)) {
        const CERT_NAME_BLOB blob{static_cast<DWORD>(name.size()), name.data()};
        for (CrlRef& crl : stores.crlsIssuedBy(blob)) crls.push_back(std::move(crl));
    }
    for (const std::string& url : urls)
        if (const auto der = processCrlCache().find(url, now))
            if (CrlRef crl = contextOf(*der)) crls.push_back(std::move(crl));
    return crls;
}

CrlRef fetchCrl(const std::string& url) {
    try {
        return contextOf(downloadCrl(url));
    } catch (const WinError&) {
        return nullptr;
    }
}

void keepFetched(const std::string& url, PCCRL_CONTEXT crl) {
    processCrlCache().keep(url, store::Bytes(crl->pbCrlEncoded, crl->pbCrlEncoded + crl->cbCrlEncoded),
                           store::ticksOf(crl->pCrlInfo->NextUpdate));
}

}  // namespace platform::crypt::chain
