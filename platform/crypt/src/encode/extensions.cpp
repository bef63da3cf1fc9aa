// Extensions ::= SEQUENCE OF Extension { extnID, critical DEFAULT FALSE,
// extnValue OCTET STRING } (RFC 5280 4.1), for X509_EXTENSIONS and inside
// certificates and CRLs. critical FALSE is left out, as DER requires.
#include "encode/codecs.h"
#include "encode/parts.h"

namespace platform::crypt {

namespace parts {

der::Bytes extensions(std::span<const CERT_EXTENSION> list) {
    der::Bytes content;
    for (const CERT_EXTENSION& x : list) {
        const der::Bytes extension =
            x.fCritical ? der::wrap(der::kSequence, {der::oid(required(x.pszObjId)), der::boolean(true),
                                                     der::octetString(view(x.Value))})
                        : der::wrap(der::kSequence, {der::oid(required(x.pszObjId)), der::octetString(view(x.Value))});
        der::concat(content, extension);
    }
    return der::encode(der::kSequence, content);
}

void readExtensions(const der::Element& e, Decoding& d, DWORD& count, PCERT_EXTENSION& list) {
    if (e.tag != der::kSequence) throw WinError(CRYPT_E_ASN1_BADTAG, "Extensions expected");
    der::Reader r(e.content);
    count = r.countLeft();
    list = d.make<CERT_EXTENSION>(count);
    for (DWORD i = 0; i < count; ++i) {
        der::Reader x = r.enter(der::kSequence);
        list[i].pszObjId = d.oid(x.read(der::kOid));
        if (auto critical = x.readIf(der::kBoolean)) list[i].fCritical = der::booleanOf(critical->content);
        list[i].Value = d.bytes(x.read(der::kOctetString).content);
        x.finish();
    }
}

}  // namespace parts

namespace codecs {

der::Bytes encodeExtensions(const void* info, const Encoding&) {
    const auto& x = record<CERT_EXTENSIONS>(info);
    return parts::extensions(items(x.rgExtension, x.cExtension));
}

void decodeExtensions(der::View input, Decoding& d) {
    auto& x = *d.make<CERT_EXTENSIONS>();
    parts::readExtensions(der::readOuter(input, der::kSequence), d, x.cExtension, x.rgExtension);
}

}  // namespace codecs

}  // namespace platform::crypt
