// X509_CERT_CRL_TO_BE_SIGNED: TBSCertList (RFC 5280 5.1) <-> CRL_INFO. A
// missing nextUpdate is a zero FILETIME; the version is written only for v2.
#include "encode/codecs.h"
#include "encode/parts.h"

namespace platform::crypt::codecs {

namespace {

bool isZero(const FILETIME& ft) { return ft.dwLowDateTime == 0 && ft.dwHighDateTime == 0; }

der::Bytes entry(const CRL_ENTRY& e) {
    der::Bytes content = parts::integerLittleEndian(e.SerialNumber);
    der::concat(content, der::time(e.RevocationDate));
    if (e.cExtension) der::concat(content, parts::extensions(items(e.rgExtension, e.cExtension)));
    return der::encode(der::kSequence, content);
}

void readEntry(const der::Element& e, Decoding& d, CRL_ENTRY& out) {
    if (e.tag != der::kSequence) throw WinError(CRYPT_E_ASN1_BADTAG, "revoked certificate expected");
    der::Reader r(e.content);
    out.SerialNumber = parts::readIntegerLittleEndian(r.read(der::kInteger), d);
    out.RevocationDate = der::timeOf(r.read());
    if (auto x = r.readIf(der::kSequence)) parts::readExtensions(*x, d, out.cExtension, out.rgExtension);
    r.finish();
}

}  // namespace

der::Bytes encodeCrlInfo(const void* info, const Encoding&) {
    const auto& crl = record<CRL_INFO>(info);
    der::Bytes content;
    if (crl.dwVersion != CRL_V1) content = der::integer(crl.dwVersion);
    der::concat(content, parts::algorithm(crl.SignatureAlgorithm));
    der::concat(content, parts::nameBlob(crl.Issuer));
    der::concat(content, der::time(crl.ThisUpdate));
    if (!isZero(crl.NextUpdate)) der::concat(content, der::time(crl.NextUpdate));
    if (crl.cCRLEntry) {
        der::Bytes entries;
        for (const CRL_ENTRY& e : items(crl.rgCRLEntry, crl.cCRLEntry)) der::concat(entries, entry(e));
        der::concat(content, der::encode(der::kSequence, entries));
    }
    if (crl.cExtension)
        der::concat(content, der::encode(der::contextConstructed(0),
                                      parts::extensions(items(crl.rgExtension, crl.cExtension))));
    return der::encode(der::kSequence, content);
}

void decodeCrlInfo(der::View input, Decoding& d) {
    auto& crl = *d.make<CRL_INFO>();
    der::Reader r(parts::toBeSignedOf(input, d).content);
    if (auto version = r.readIf(der::kInteger)) {
        const std::int32_t value = der::int32Of(version->content);
        if (value < 0) throw WinError(CRYPT_E_ASN1_CORRUPT, "negative CRL version");
        crl.dwVersion = static_cast<DWORD>(value);
    }
    parts::readAlgorithm(r.read(der::kSequence), d, crl.SignatureAlgorithm);
    crl.Issuer = d.bytes(r.read(der::kSequence).encoded);
    crl.ThisUpdate = der::timeOf(r.read());
    if (r.nextIs(der::kUtcTime) || r.nextIs(der::kGeneralizedTime)) crl.NextUpdate = der::timeOf(r.read());
    if (auto revoked = r.readIf(der::kSequence)) {
        der::Reader entries = r.enter(*revoked);
        crl.cCRLEntry = entries.countLeft();
        crl.rgCRLEntry = d.make<CRL_ENTRY>(crl.cCRLEntry);
        for (DWORD i = 0; i < crl.cCRLEntry; ++i) readEntry(entries.read(), d, crl.rgCRLEntry[i]);
    }
    if (auto extensions = r.readIf(der::contextConstructed(0))) {
        der::Reader x = r.enter(*extensions);
        parts::readExtensions(x.read(der::kSequence), d, crl.cExtension, crl.rgExtension);
        x.finish();
    }
    r.finish();
}

}  // namespace platform::crypt::codecs
