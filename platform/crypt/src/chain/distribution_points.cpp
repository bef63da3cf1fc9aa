#include "chain/distribution_points.h"

#include "platform/win_error.h"
#include "store/bytes.h"
#include "win32/crypt_store.h"

namespace platform::crypt::chain {

namespace {

// DistributionPoint ::= SEQUENCE { distributionPoint [0] EXPLICIT,
// reasons [1] IMPLICIT ReasonFlags, cRLIssuer [2] IMPLICIT GeneralNames }.
// A relative name is relative to the CRL issuer: the cRLIssuer's directory
// name, else the certificate's issuer.
DistributionPoint pointOf(const der::Element& e, der::View certIssuer) {
    if (e.tag != der::kSequence) throw WinError(CRYPT_E_ASN1_BADTAG, "DistributionPoint expected");
    der::Reader r(e.content);
    const auto name = r.readIf(der::contextConstructed(0));
    DistributionPoint point;
    if (auto reasons = r.readIf(der::contextTag(1))) point.reasons = reasonsOf(reasons->content);
    if (auto issuer = r.readIf(der::contextConstructed(2))) point.crlIssuer = generalNamesIn(*issuer);
    r.finish();
    if (name) {
        der::Reader choice(name->content);
        const der::Element chosen = choice.read();
        choice.finish();
        const der::View base = point.crlIssuer.empty() ? certIssuer : nameOfDirectoryName(point.crlIssuer.front());
        point.names = distributionPointNames(chosen, base);
    }
    return point;
}

}  // namespace

std::vector<DistributionPoint> distributionPointsOf(const CERT_INFO& cert) {
    const der::View issuer = store::viewOf(cert.Issuer);
    std::vector<DistributionPoint> points;
    if (const CERT_EXTENSION* ext = CertFindExtension(szOID_CRL_DIST_POINTS, cert.cExtension, cert.rgExtension)) {
        try {
            der::Reader r(der::readOuter(store::viewOf(ext->Value), der::kSequence).content);
            while (!r.atEnd()) points.push_back(pointOf(r.read(), issuer));
        } catch (const WinError&) {
            points.clear();
        }
    }
    points.push_back({GeneralNames{directoryName(issuer)}, kAllReasons, {}});
    return points;
}

}  // namespace platform::crypt::chain
