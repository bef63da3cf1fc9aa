// X509_NAME and X509_UNICODE_NAME: Name ::= SEQUENCE OF RelativeDistinguishedName,
// each a SET OF AttributeTypeAndValue, written in DER order.
#include "encode/codecs.h"
#include "encode/string_values.h"

namespace platform::crypt::codecs {

namespace {

// Refused characters report RDN << 22 | attribute << 16 | character.
der::Bytes encodeNameInfo(const void* info, const Encoding& e, bool unicode) {
    const auto& name = record<CERT_NAME_INFO>(info);
    der::Bytes content;
    const auto rdns = items(name.rgRDN, name.cRDN);
    for (std::size_t r = 0; r < rdns.size(); ++r) {
        std::vector<der::Bytes> attributes;
        const auto attrs = items(rdns[r].rgRDNAttr, rdns[r].cRDNAttr);
        for (std::size_t a = 0; a < attrs.size(); ++a) {
            const std::string_view oid = required(attrs[a].pszObjId);
            try {
                const der::Bytes value =
                    unicode ? strings::encodeUnicode(attrs[a].dwValueType, attrs[a].Value, oid, e.flags)
                            : strings::encodeValue(attrs[a].dwValueType, view(attrs[a].Value), oid, e.flags);
                attributes.push_back(der::wrap(der::kSequence, {der::oid(oid), value}));
            } catch (const EncodeError& refused) {
                throw refused.shifted(static_cast<DWORD>((r & 0x3FF) << 22 | (a & 0x3F) << 16));
            }
        }
        const der::Bytes set = der::setOf(std::move(attributes));
        der::concat(content, set);
    }
    return der::encode(der::kSequence, content);
}

void decodeNameInfo(der::View input, Decoding& d, bool unicode) {
    auto& name = *d.make<CERT_NAME_INFO>();
    der::Reader rdns = der::Reader(input).enter(der::kSequence);
    name.cRDN = rdns.countLeft();
    name.rgRDN = d.make<CERT_RDN>(name.cRDN);
    for (DWORD r = 0; r < name.cRDN; ++r) {
        der::Reader attrs = rdns.enter(der::kSet);
        CERT_RDN& rdn = name.rgRDN[r];
        rdn.cRDNAttr = attrs.countLeft();
        rdn.rgRDNAttr = d.make<CERT_RDN_ATTR>(rdn.cRDNAttr);
        for (DWORD a = 0; a < rdn.cRDNAttr; ++a) {
            der::Reader atv = attrs.enter(der::kSequence);
            CERT_RDN_ATTR& attr = rdn.rgRDNAttr[a];
            attr.pszObjId = d.oid(atv.read(der::kOid));
            const der::Element value = atv.read();
            if (unicode)
                strings::readUnicode(value, d, attr.dwValueType, attr.Value);
            else
                strings::readValue(value, d, attr.dwValueType, attr.Value);
            atv.finish();
        }
    }
}

}  // namespace

der::Bytes encodeName(const void* info, const Encoding& e) { return encodeNameInfo(info, e, false); }
void decodeName(der::View input, Decoding& d) { decodeNameInfo(input, d, false); }
der::Bytes encodeUnicodeName(const void* info, const Encoding& e) { return encodeNameInfo(info, e, true); }
void decodeUnicodeName(der::View input, Decoding& d) { decodeNameInfo(input, d, true); }

}  // namespace platform::crypt::codecs
