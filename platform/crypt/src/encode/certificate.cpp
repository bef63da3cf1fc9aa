// X509_CERT_TO_BE_SIGNED: TBSCertificate (RFC 5280 4.1) <-> CERT_INFO, with
// the serial number little-endian and the validity as FILETIMEs.
#include "encode/codecs.h"
#include "encode/parts.h"

namespace platform::crypt::codecs {

der::Bytes encodeCertInfo(const void* info, const Encoding&) {
    const auto& cert = record<CERT_INFO>(info);
    der::Bytes content;
    if (cert.dwVersion != CERT_V1)
        der::concat(content, der::encode(der::contextConstructed(0), der::integer(cert.dwVersion)));
    der::concat(content, parts::integerLittleEndian(cert.SerialNumber));
    der::concat(content, parts::algorithm(cert.SignatureAlgorithm));
    der::concat(content, parts::nameBlob(cert.Issuer));
    der::concat(content, der::wrap(der::kSequence, {der::time(cert.NotBefore), der::time(cert.NotAfter)}));
    der::concat(content, parts::nameBlob(cert.Subject));
    der::concat(content, parts::publicKeyInfo(cert.SubjectPublicKeyInfo));
    const auto uniqueId = [&](const CRYPT_BIT_BLOB& id, unsigned n) {
        if (id.cbData)
            der::concat(content, der::bitString(view({id.cbData, id.pbData}), id.cUnusedBits, der::contextTag(n)));
    };
    uniqueId(cert.IssuerUniqueId, 1);
    uniqueId(cert.SubjectUniqueId, 2);
    if (cert.cExtension)
        der::concat(content, der::encode(der::contextConstructed(3),
                                      parts::extensions(items(cert.rgExtension, cert.cExtension))));
    return der::encode(der::kSequence, content);
}

void decodeCertInfo(der::View input, Decoding& d) {
    auto& cert = *d.make<CERT_INFO>();
    der::Reader r(parts::toBeSignedOf(input, d).content);
    if (auto version = r.readIf(der::contextConstructed(0))) {
        der::Reader v = r.enter(*version);
        const std::int32_t value = der::int32Of(v.read(der::kInteger).content);
        v.finish();
        if (value < 0) throw WinError(CRYPT_E_ASN1_CORRUPT, "negative certificate version");
        cert.dwVersion = static_cast<DWORD>(value);
    }
    cert.SerialNumber = parts::readIntegerLittleEndian(r.read(der::kInteger), d);
    parts::readAlgorithm(r.read(der::kSequence), d, cert.SignatureAlgorithm);
    cert.Issuer = d.bytes(r.read(der::kSequence).encoded);
    der::Reader validity = r.enter(der::kSequence);
    cert.NotBefore = der::timeOf(validity.read());
    cert.NotAfter = der::timeOf(validity.read());
    validity.finish();
    cert.Subject = d.bytes(r.read(der::kSequence).encoded);
    parts::readPublicKeyInfo(r.read(der::kSequence), d, cert.SubjectPublicKeyInfo);
    if (auto id = r.readIf(der::contextTag(1))) parts::readBits(*id, d, cert.IssuerUniqueId);
    if (auto id = r.readIf(der::contextTag(2))) parts::readBits(*id, d, cert.SubjectUniqueId);
    if (auto extensions = r.readIf(der::contextConstructed(3))) {
        der::Reader x = r.enter(*extensions);
        parts::readExtensions(x.read(der::kSequence), d, cert.cExtension, cert.rgExtension);
        x.finish();
    }
    r.finish();
}

}  // namespace platform::crypt::codecs
