// X509_CRL_DIST_POINTS (2.5.29.31): CRLDistributionPoints ::= SEQUENCE OF
// DistributionPoint { [0] distributionPoint, [1] reasons, [2] cRLIssuer }
// (RFC 5280 4.2.1.13). Names relative to the CRL issuer are not supported, as
// on Windows: they read as that choice without data.
#include "encode/codecs.h"
#include "encode/parts.h"

namespace platform::crypt::codecs {

namespace {

// Refused characters report point << 24 | (CRL issuer) << 31 | entry << 16 | character.
der::Bytes distributionPoint(const CRL_DIST_POINT& point) {
    der::Bytes content;
    switch (point.DistPointName.dwDistPointNameChoice) {
    case CRL_DIST_POINT_NO_NAME:
        break;
    case CRL_DIST_POINT_FULL_NAME:
        content = der::encode(der::contextConstructed(0),
                              parts::generalNames(point.DistPointName.FullName, der::contextConstructed(0)));
        break;
    default:
        throw WinError(E_INVALIDARG, "unsupported distribution point name");
    }
    if (point.ReasonFlags.cbData) {
        const der::Bytes reasons = der::bitString(view({point.ReasonFlags.cbData, point.ReasonFlags.pbData}),
                                                  point.ReasonFlags.cUnusedBits, der::contextTag(1));
        der::concat(content, reasons);
    }
    if (point.CRLIssuer.cAltEntry) {
        try {
            const der::Bytes issuer = parts::generalNames(point.CRLIssuer, der::contextConstructed(2));
            der::concat(content, issuer);
        } catch (const EncodeError& refused) {
            throw refused.shifted(0x80000000u);
        }
    }
    return der::encode(der::kSequence, content);
}

void readDistributionPoint(const der::Element& e, Decoding& d, CRL_DIST_POINT& point) {
    if (e.tag != der::kSequence) throw WinError(CRYPT_E_ASN1_BADTAG, "DistributionPoint expected");
    der::Reader r(e.content);
    if (auto name = r.readIf(der::contextConstructed(0))) {
        der::Reader choice(name->content);
        const der::Element chosen = choice.read();
        choice.finish();
        if (chosen.tag == der::contextConstructed(0)) {
            point.DistPointName.dwDistPointNameChoice = CRL_DIST_POINT_FULL_NAME;
            parts::readGeneralNames(chosen, d, point.DistPointName.FullName);
        } else if (chosen.tag == der::contextConstructed(1)) {
            point.DistPointName.dwDistPointNameChoice = CRL_DIST_POINT_ISSUER_RDN_NAME;
        } else {
            throw WinError(CRYPT_E_ASN1_BADTAG, "unknown DistributionPointName");
        }
    }
    if (auto reasons = r.readIf(der::contextTag(1))) parts::readBits(*reasons, d, point.ReasonFlags);
    if (auto issuer = r.readIf(der::contextConstructed(2))) parts::readGeneralNames(*issuer, d, point.CRLIssuer);
    r.finish();
}

}  // namespace

der::Bytes encodeCrlDistPoints(const void* info, const Encoding&) {
    const auto& points = record<CRL_DIST_POINTS_INFO>(info);
    der::Bytes content;
    const auto list = items(points.rgDistPoint, points.cDistPoint);
    for (std::size_t i = 0; i < list.size(); ++i) {
        try {
            const der::Bytes point = distributionPoint(list[i]);
            der::concat(content, point);
        } catch (const EncodeError& refused) {
            throw refused.shifted(static_cast<DWORD>((i & 0x7F) << 24));
        }
    }
    return der::encode(der::kSequence, content);
}

void decodeCrlDistPoints(der::View input, Decoding& d) {
    auto& points = *d.make<CRL_DIST_POINTS_INFO>();
    der::Reader r(der::readOuter(input, der::kSequence).content);
    points.cDistPoint = r.countLeft();
    points.rgDistPoint = d.make<CRL_DIST_POINT>(points.cDistPoint);
    for (DWORD i = 0; i < points.cDistPoint; ++i) readDistributionPoint(r.read(), d, points.rgDistPoint[i]);
}

}  // namespace platform::crypt::codecs
