// Attribute ::= SEQUENCE { type, values SET OF AttributeValue } (PKCS_ATTRIBUTE)
// and SET OF Attribute (PKCS_ATTRIBUTES, and a request's [0] attributes).
// Both SETs are written in DER order, so signed attributes verify anywhere.
#include "encode/codecs.h"
#include "encode/parts.h"

namespace platform::crypt {

namespace parts {

der::Bytes attribute(const CRYPT_ATTRIBUTE& a) {
    std::vector<der::Bytes> values;
    for (const CRYPT_ATTR_BLOB& v : items(a.rgValue, a.cValue)) {
        const der::View value = der::raw(view(v));
        values.emplace_back(value.begin(), value.end());
    }
    return der::wrap(der::kSequence, {der::oid(required(a.pszObjId)), der::setOf(std::move(values))});
}

der::Bytes attributes(std::span<const CRYPT_ATTRIBUTE> list, BYTE tag) {
    std::vector<der::Bytes> encoded;
    for (const CRYPT_ATTRIBUTE& a : list) encoded.push_back(attribute(a));
    der::Bytes set = der::setOf(std::move(encoded));
    set[0] = tag;
    return set;
}

void readAttribute(const der::Element& e, Decoding& d, CRYPT_ATTRIBUTE& out) {
    if (e.tag != der::kSequence) throw WinError(CRYPT_E_ASN1_BADTAG, "Attribute expected");
    der::Reader r(e.content);
    out.pszObjId = d.oid(r.read(der::kOid));
    der::Reader values = r.enter(der::kSet);
    r.finish();
    out.cValue = values.countLeft();
    out.rgValue = d.make<CRYPT_ATTR_BLOB>(out.cValue);
    for (DWORD i = 0; i < out.cValue; ++i) out.rgValue[i] = d.bytes(values.read().encoded);
}

void readAttributes(const der::Element& e, Decoding& d, DWORD& count, PCRYPT_ATTRIBUTE& list) {
    der::Reader r(e.content);
    count = r.countLeft();
    list = d.make<CRYPT_ATTRIBUTE>(count);
    for (DWORD i = 0; i < count; ++i) readAttribute(r.read(), d, list[i]);
}

}  // namespace parts

namespace codecs {

der::Bytes encodeAttribute(const void* info, const Encoding&) {
    return parts::attribute(record<CRYPT_ATTRIBUTE>(info));
}

void decodeAttribute(der::View input, Decoding& d) {
    auto& a = *d.make<CRYPT_ATTRIBUTE>();
    parts::readAttribute(der::readOuter(input, der::kSequence), d, a);
}

der::Bytes encodeAttributes(const void* info, const Encoding&) {
    const auto& a = record<CRYPT_ATTRIBUTES>(info);
    return parts::attributes(items(a.rgAttr, a.cAttr));
}

void decodeAttributes(der::View input, Decoding& d) {
    auto& a = *d.make<CRYPT_ATTRIBUTES>();
    parts::readAttributes(der::readOuter(input, der::kSet), d, a.cAttr, a.rgAttr);
}

}  // namespace codecs

}  // namespace platform::crypt
